#!/usr/bin/python3
"""Real peers nobody here wrote, on the loopback interface: ser2net serving the
virtual printer's pseudo-terminal over RFC 2217 and raw TCP (configured by the
README's own example), socat as a byte pipe, and pyserial's socket:// and
rfc2217:// clients against the virtual printer's listener. Every process is
started here, on free ports, with its files in a temporary folder, and stopped
by its process id.

Usage: real_peers_test.py BIN_DIR README   (run by CTest)
"""
import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import unittest

BIN = None
README = None

# From docs/protocol.md, section 8: the opening handshake (sequence 1) and
# "open a ticket" (sequence 2), as the host sends them.
HANDSHAKE = bytes.fromhex("02 01 43 00 00 00 00 00 ED 5F 03")
OPEN_TICKET = bytes.fromhex("02 1B 22 43 0A 01 00 00 00 05 C7 03")

FULL_TICKET = ["ticket-open", "ticket-item", "ticket-pay", "ticket-close"]
DEADLINE = 10.0  # seconds for anything here to start or answer


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def listening(port):
    """True once something listens on TCP `port` (read from /proc, so that no
    probe connection takes a one-client server's only place)."""
    for table in ("/proc/net/tcp", "/proc/net/tcp6"):
        with open(table) as lines:
            for line in lines.readlines()[1:]:
                fields = line.split()
                if fields[3] == "0A" and int(fields[1].rsplit(":", 1)[1], 16) == port:
                    return True
    return False


def wait_until(condition, what):
    end = time.monotonic() + DEADLINE
    while time.monotonic() < end:
        if condition():
            return
        time.sleep(0.02)
    raise AssertionError("not within %.0f s: %s" % (DEADLINE, what))


def read_exactly_until(read, wanted, what):
    """Reads with `read()` until `wanted` (bytes) has arrived; all it read."""
    got = b""
    end = time.monotonic() + DEADLINE
    while wanted not in got and time.monotonic() < end:
        got += read()
    if wanted not in got:
        raise AssertionError("%s: no %r in %r" % (what, wanted, got))
    return got


def readme_ser2net_example():
    """The YAML block after the README's ser2net marker."""
    with open(README) as readme:
        text = readme.read()
    found = re.search(r"<!-- ser2net example[^\n]*-->\n```yaml\n(.*?)```", text, re.S)
    if not found:
        raise AssertionError("README has no ser2net example block")
    return found.group(1)


class Processes:
    """Started processes, stopped by their id (SIGTERM, then SIGKILL)."""

    def __init__(self):
        self.started = []

    def start(self, args, **options):
        process = subprocess.Popen(args, **options)
        self.started.append(process)
        return process

    def stop_all(self):
        for process in reversed(self.started):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        for process in self.started:
            for stream in (process.stdout, process.stderr):
                if stream:
                    stream.close()


class RealPeers(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.dir = self.folder.name
        self.processes = Processes()

    def tearDown(self):
        self.processes.stop_all()
        self.folder.cleanup()

    # --- the pieces -------------------------------------------------------

    def simulator(self, *options):
        """Starts the virtual printer; its output lines (device, then --listen target)."""
        process = self.processes.start(
            [os.path.join(BIN, "fiscal-printer-sim"), "--paper", self.paper_path(), *options],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        lines = [process.stdout.readline().strip()]
        if "--listen" in options:
            lines.append(process.stdout.readline().strip())
        self.assertTrue(lines[0].startswith("/dev/"), lines)
        return lines

    def paper_path(self):
        return os.path.join(self.dir, "paper.txt")

    def paper(self):
        with open(self.paper_path()) as paper:
            return paper.read()

    def ser2net(self, device):
        """ser2net with the README's example, the device and ports replaced;
        returns the RFC 2217 and raw ports."""
        rfc2217, raw = free_port(), free_port()
        config = (readme_ser2net_example().replace("/dev/ttyUSB0", device)
                  .replace(",2217\n", ",%d\n" % rfc2217).replace(",2000\n", ",%d\n" % raw))
        self.assertIn(device, config)
        path = os.path.join(self.dir, "printer.yaml")
        with open(path, "w") as out:
            out.write(config)
        self.ser2net_process = self.processes.start(["ser2net", "-n", "-c", path, "-d"],
                                                    stdout=subprocess.DEVNULL,
                                                    stderr=subprocess.DEVNULL)
        self.device = device
        wait_until(lambda: listening(rfc2217) and listening(raw), "ser2net listening")
        return rfc2217, raw

    def ser2net_holds_device(self):
        """True while ser2net has the printer's device open: it serves a client,
        or has not yet let go of the last one. Both accepters share the device,
        so a client of one is turned away until then."""
        fds = "/proc/%d/fd" % self.ser2net_process.pid
        for fd in os.listdir(fds):
            try:
                if os.readlink(os.path.join(fds, fd)) == self.device:
                    return True
            except OSError:
                pass  # closed meanwhile
        return False

    def wait_for_device_free(self):
        wait_until(lambda: not self.ser2net_holds_device(), "ser2net letting the device go")

    def fiscalctl(self, target, *commands):
        if hasattr(self, "ser2net_process"):
            self.wait_for_device_free()
        return subprocess.run([os.path.join(BIN, "fiscalctl"), "--port", target, *commands],
                              capture_output=True, text=True, timeout=60)

    def assert_full_day(self, target):
        ticket = self.fiscalctl(target, *FULL_TICKET)
        self.assertEqual(ticket.returncode, 0, ticket.stdout + ticket.stderr)
        self.assertIn("PASS", ticket.stdout)
        z = self.fiscalctl(target, "closing-z")
        self.assertEqual(z.returncode, 0, z.stdout + z.stderr)

    # --- the tests --------------------------------------------------------

    def test_ser2net_serves_the_printer_over_rfc2217_and_raw_tcp(self):
        device, = self.simulator()
        rfc2217, raw = self.ser2net(device)
        for target in ("rfc2217:localhost:%d" % rfc2217, "tcp:127.0.0.1:%d" % raw):
            with self.subTest(target=target):
                self.assert_full_day(target)
        self.assertEqual(self.paper().count("TIQUE"), 2)
        self.assertEqual(self.paper().count("CIERRE Z"), 2)

    def test_ser2net_turns_a_second_client_away_as_port_busy(self):
        device, = self.simulator()
        rfc2217, raw = self.ser2net(device)
        for port, target in ((rfc2217, "rfc2217:localhost:%d" % rfc2217),
                             (raw, "tcp:localhost:%d" % raw)):
            with self.subTest(target=target):
                self.wait_for_device_free()
                with socket.create_connection(("127.0.0.1", port)):
                    wait_until(self.ser2net_holds_device, "ser2net serving the first client")
                    second = subprocess.run([os.path.join(BIN, "fiscalctl"), "--port", target,
                                             "status"], capture_output=True, text=True, timeout=60)
                self.assertNotEqual(second.returncode, 0)
                self.assertIn("code 1 port busy", second.stderr)

    def test_socat_as_a_byte_pipe_to_the_pseudo_terminal(self):
        device, = self.simulator()
        port = free_port()
        self.processes.start(
            ["socat", "TCP-LISTEN:%d,bind=127.0.0.1,reuseaddr" % port,
             "FILE:%s,raw,echo=0" % device], stderr=subprocess.DEVNULL)
        wait_until(lambda: listening(port), "socat listening")
        ticket = self.fiscalctl("tcp:127.0.0.1:%d" % port, *FULL_TICKET)
        self.assertEqual(ticket.returncode, 0, ticket.stdout + ticket.stderr)
        self.assertIn("TIQUE", self.paper())

    def test_pyserial_talks_our_protocol_to_the_listening_printer(self):
        import serial
        for scheme, url in (("tcp", "socket://%s"), ("rfc2217", "rfc2217://%s")):
            with self.subTest(scheme=scheme):
                _, target = self.simulator("--listen", scheme + ":0")
                host_port = target.split(":", 1)[1]
                # pyserial's RFC 2217 client waits for every control setting to
                # be acknowledged; our listener does.
                line = serial.serial_for_url(url % host_port, baudrate=115200, timeout=0.1)
                try:
                    line.write(HANDSHAKE)
                    read_exactly_until(line.read, b"IMPRESOR FISCAL VIRTUAL", "handshake")
                    # A second client while one is connected: closed at once.
                    with socket.create_connection(("127.0.0.1", int(target.rsplit(":", 1)[1]))) as second:
                        second.settimeout(DEADLINE)
                        self.assertEqual(second.recv(100), b"")
                    line.write(OPEN_TICKET)
                    read_exactly_until(line.read, b"00000001", "ticket number")
                finally:
                    line.close()
                self.processes.stop_all()
                self.processes = Processes()

    def test_a_client_leaving_mid_frame_leaves_the_printer_as_a_cut_line(self):
        _, target = self.simulator("--listen", "tcp:0")
        address = ("127.0.0.1", int(target.rsplit(":", 1)[1]))
        with socket.create_connection(address) as first:
            first.sendall(OPEN_TICKET[:5])  # half a frame, then gone
        with socket.create_connection(address) as second:
            second.settimeout(DEADLINE)
            second.sendall(HANDSHAKE)
            read_exactly_until(lambda: second.recv(200), b"IMPRESOR FISCAL VIRTUAL", "handshake")
            second.sendall(OPEN_TICKET)
            read_exactly_until(lambda: second.recv(200), b"00000001", "ticket number")

    def test_the_console_through_ser2net_shows_puerto_ok_and_prints_a_ticket(self):
        device, = self.simulator()
        rfc2217, _ = self.ser2net(device)
        bus = self.processes.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                   stdout=subprocess.PIPE, text=True)
        environment = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip(),
                           QT_QPA_PLATFORM="offscreen")
        self.processes.start([os.path.join(BIN, "fiscal-console"), "--port",
                              "rfc2217:localhost:%d" % rfc2217],
                             env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def rig(method, control):
            return subprocess.run(
                ["gdbus", "call", "--session", "--dest", "org.fiscalconsole.Console",
                 "--object-path", "/MainForm", "--method", "org.fiscalconsole.Rig." + method,
                 control], env=environment, capture_output=True, text=True, timeout=60)

        wait_until(lambda: "Puerto Ok" in rig("Read", "CmCOMUNICACION").stdout,
                   "the console showing Puerto Ok")
        # Open a ticket, an item, the payment, close it: each accepted (0).
        for button in ("CmCommand3", "CmCommand5", "CmCommand12", "CmCommand7"):
            pressed = rig("Press", button)
            self.assertEqual(pressed.returncode, 0, pressed.stderr)
            self.assertEqual(rig("Read", "ESTADO").stdout.strip(), "('0',)", button)
        self.assertIn("TIQUE", self.paper())
        self.assertIn("TOTAL", self.paper())


if __name__ == "__main__":
    BIN, README = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
