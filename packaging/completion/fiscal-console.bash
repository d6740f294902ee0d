# bash completion for fiscal-console, fiscal-printer-sim and fiscalctl -*- shell-script -*-
#
# Everything offered comes from the programs themselves, so it cannot fall
# behind them: the options and the kind of value each takes from --help (after
# a subcommand, from `PROGRAM SUBCOMMAND --help`), the subcommands and printer
# commands from the help's sections that end in "commands:", the operands a
# subcommand takes from its usage line, and ctl's requests from `ctl --help`.
# Installed under each program's name, so that bash-completion finds it for
# any of them.

# The help of "$@" (a program, perhaps with a subcommand), or nothing.
_fiscal_help() {
  LC_ALL=C "$@" --help 2>/dev/null </dev/null
}

# "OPTION VALUE" lines (VALUE empty for a switch) of a help's option list.
_fiscal_options() {
  awk '/^[^ ].*:$/ { options = ($0 == "Options:"); next }
       options && /^ +-/ {
         sub(/^ +(-[A-Za-z], )?/, ""); split($0, cell, /  +/); split(cell[1], word, " ")
         print word[1], word[2] }'
}

# The first word of each line of the help's sections whose heading matches $1.
_fiscal_listed() {
  awk -v heading="$1" '/^[^ ].*:$/ { on = ($0 ~ heading); next } /^$/ { on = 0 }
       on && /^  [a-z]/ { print $1 }'
}

# The operand placeholders of the usage line of SUBCOMMAND ($1) in a help,
# in order, "..." marking one that repeats: "FILE", "SOCKET REQUEST...".
_fiscal_operands() {
  awk -v command="$1" '/^Usage:/ {
         for (i = 1; i <= NF && $i != command; i++) {}
         n = 0
         for (i++; i <= NF; i++) {
           raw = $i; word = raw; gsub(/[][]/, "", word)
           if (word ~ /^-/) {  # an option, and its value unless it closes a bracket
             if (raw !~ /]$/ && i < NF && $(i + 1) !~ /^[-[|]/) i++
             continue
           }
           if (word == "...") { if (n) operand[n] = operand[n] "..."; continue }
           if (word ~ /^[A-Z][A-Z=]*(\.\.\.)?$/) operand[++n] = word
         }
         for (i = 1; i <= n; i++) printf "%s ", operand[i]
         exit }'
}

# Completes a value of the kind its help names.
_fiscal_value() {
  case $1 in
    FILE | PATH | SOCKET) _filedir ;;
    DEVICE) COMPREPLY=($(compgen -f -- "${cur:-/dev/tty}")) ;;
  esac
}

_fiscal_complete() {
  local cur prev words cword split
  _init_completion -s || return
  local program=$1

  # The words that are commands, and the last one before the cursor.
  local help commands command="" at=0 i
  help=$(_fiscal_help "$program")
  commands=$(_fiscal_listed '[Cc]ommands:$' <<<"$help")
  for ((i = 1; i < cword; i++)); do
    # Everything after an option whose value is a COMMAND is a command line.
    if _fiscal_options <<<"$help" | grep -qx -- "${words[i]} COMMAND"; then
      _command_offset $((i + 1))
      return
    fi
    [[ $'\n'$commands$'\n' == *$'\n'${words[i]}$'\n'* ]] && command=${words[i]} at=$i
  done

  local scope=$help
  [[ -n $command ]] && scope=$(_fiscal_help "$program" "$command")

  # The value of an option (--opt VALUE or --opt=VALUE).
  local value
  value=$(_fiscal_options <<<"$scope" | awk -v o="$prev" '$1 == o { print $2 }')
  if [[ -n $value ]]; then
    _fiscal_value "$value"
    return
  fi
  $split && return

  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '$(_fiscal_options <<<"$scope" | cut -d" " -f1)' -- "$cur"))
    [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
    return
  fi
  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    return
  fi

  # The operands after the command: the placeholder at their position (one
  # that repeats takes every later position too).
  local -a operands=($(_fiscal_operands "$command" <<<"$scope"))
  local index=0
  for ((i = at + 1; i < cword; i++)); do
    [[ ${words[i]} == -* ]] && continue
    ((index++))
  done
  local offer="" placeholder
  for ((i = 0; i < ${#operands[@]}; i++)); do
    placeholder=${operands[i]}
    if ((i == index)) || [[ $placeholder == *... && i < index ]]; then
      offer+=" ${placeholder%...}"
    fi
  done
  for placeholder in $offer; do
    case $placeholder in
      COMMAND) COMPREPLY+=($(compgen -W "$commands" -- "$cur")) ;;
      REQUEST)
        local requests=$(_fiscal_help "$program" "$command" | _fiscal_listed '^Requests:$')
        if ((index == 1)); then
          COMPREPLY+=($(compgen -W "$requests" -- "$cur"))
        else
          # The second word of the requests that start with the word before.
          local second=$(_fiscal_help "$program" "$command" |
            awk -v first="$prev" '/^Requests:$/ { on = 1; next } /^$/ { on = 0 }
                                  on && $1 == first && NF > 1 { gsub(/\|/, " ", $2); print $2 }')
          COMPREPLY+=($(compgen -W "$second" -- "$cur"))
        fi
        ;;
      *) _fiscal_value "$placeholder" ;;
    esac
  done
} &&
  complete -F _fiscal_complete fiscal-console fiscal-printer-sim fiscalctl
