// The text of fiscalctl --help (also the source of its manual page).
#pragma once

namespace fiscalctl {

inline constexpr const char* kUsage = R"(Usage:
  fiscalctl [OPTIONS] COMMAND [N=VALUE ...] [COMMAND ...]
  fiscalctl [OPTIONS] send WORD EXTENSION [FIELD ...]
  fiscalctl [OPTIONS] send --packed HHHH|HHHH
  fiscalctl [OPTIONS] --script FILE
  fiscalctl [OPTIONS] acceptance
  fiscalctl list
  fiscalctl trace FILE [--follow]
  fiscalctl [OPTIONS] replay FILE
  fiscalctl --help | --version

Talks to a fiscal printer through the printer interface library, from the
shell: every command of the test console by name, any command with any fields,
several commands on one open port, a decoded library trace, and a replay of a
trace on another printer.

Commands (the console's buttons; `fiscalctl list` shows their words):
  ticket-open ticket-item ticket-return ticket-pay ticket-close ticket-cancel
  invoice-open invoice-item invoice-return invoice-pay invoice-close
  invoice-cancel nonfiscal-open nonfiscal-text nonfiscal-close closing-z
  closing-x journal-total drawer-open status
  Each sends exactly the bytes and fields its button sends. `status` sends
  nothing and shows the two status words of the last reply.
  N=VALUE after a command replaces its field N (from 1, after the two words)
  with VALUE: fiscalctl ticket-item 5="Cafe" 7=00000000250

send WORD EXTENSION [FIELD ...]
  Sends any command: the command and extension words in hexadecimal (1 to 4
  digits, 0x allowed), then each field as text (an empty argument is an empty
  field). `send` takes every argument after it.
send --packed HHHH|HHHH
  Hands the text whole to SendCommandComplete.
  Values and fields may hold any byte as \xHH; \\ is a backslash.

Several commands run in order on one open port. The run stops at the first
command that does not end with code 0, unless --keep-going.

Options:
  --library PATH  the printer library to load (default:
                  lib/libfiscalprinter.so.1 beside the bin directory of
                  fiscalctl, else the installed library folder)
  --port DEVICE   port 1: a serial device, tcp:HOST:PORT or rfc2217:HOST:PORT
                  (sets FISCALPRINTER_PORT1)
  --baud N        line speed in bit/s (default 115200)
  --repeat N      runs the whole list of commands N times (default 1)
  --script FILE   reads the commands from FILE: one command a line, as on the
                  command line ('...' and "..." quote, # starts a comment);
                  - reads standard input
  --keep-going    goes on after a command that failed
  --json          prints one JSON object a line per command instead of text:
                  command, words, sent, code, text, printer_status,
                  printer_bits, fiscal_status, fiscal_bits, fields
  --help          this text
  --version       the version of fiscalctl

Output: for each command its name and words, the code with its text, the
printer and fiscal status words in hexadecimal with the names of the bits set,
and the reply's fields. A run of more than one command ends with one line,
"PASS: ..." or "FAIL: ...".

acceptance
  Runs the acceptance script shipped with fiscalctl
  (share/fiscalctl/acceptance.fiscalctl): a full fiscal day on the printer
  (ticket, "A" invoice with a return, non-fiscal document, X, journal total,
  drawer, Z), ending with PASS or FAIL. Run it on a printer whose day has no
  document open.

trace FILE [--follow]
  Decodes a file written by the library under FISCALPRINTER_TRACE=FILE: local
  time, direction (> sent, < received, # library note, = verdict), sequence
  number, command name and fields, each reply's return code and status bits by
  name, "still working" runs as one line with their duration, retransmissions,
  NAKs and bad frames marked "!!", and one VERDICT line per command. A line
  that is not a trace line is shown marked "??" and decoding goes on.
  --follow keeps reading as the file grows, until interrupted.

replay FILE
  Sends again, in order, every command recorded in the trace FILE (same
  words, same fields; not the opening handshakes), and shows for each its old
  and its new verdict side by side.

Exit status:
  0  every command ended with code 0 (trace: every verdict OK; replay: every
     new verdict equals the old one)
  1  a command was refused or failed (trace: a command failed or its end is
     not in the trace; replay: a verdict differs)
  2  bad usage: unknown command or option, bad word, bad escape, unreadable
     script or trace
  3  no library, no port or no printer: the library cannot be loaded, the
     port cannot be opened, no printer answers, or the line was lost during a
     command (codes 1 to 5 and 10 to 13)

Environment:
  FISCALPRINTER_PORT1  the device of port 1 (see --port)
  FISCALPRINTER_TRACE  the library appends its trace to this file
)";

}  // namespace fiscalctl
