# Bash completion for porv-cli: its commands, its options, the devices and
# hosts they take, and the files each command takes by their extension.
#
# Everything is read from what the program prints for --help, each time, so the
# completion follows the program it completes and has nothing of its own to
# keep up to date: the command lines of "Commands:" ("directory put FILE.csv",
# the part of the entry before the two blanks that part it from its summary),
# and every option named anywhere, with the value it is shown with
# ("--udp HOST", "-o FILE"). After "help" it offers the commands' words. It
# works with the bash-completion package and with a plain `complete -F`.

# The help, parsed: lines of "command|WORDS", "option|NAME|VALUE" and
# "file|WORDS|OPTION|EXTENSIONS" (no OPTION: the command's argument).
_porv_cli_parse() {
  "$1" --help 2> /dev/null | awk '
    /^[A-Z][^:]*:$/ { section = $0; next }
    {
      n = split($0, t, " ")
      for (i = 1; i <= n; i++) {
        word = t[i]
        gsub(/^[[(]+|[],)]+$/, "", word)
        if (word !~ /^(-[a-zA-Z]|--[a-z][a-z0-9-]*)$/) continue
        value = t[i + 1]
        gsub(/^[[]+|[],]+$/, "", value)
        if (value !~ /^[A-Z][A-Z0-9_]*([.][A-Za-z0-9]+)?([|][A-Z][A-Z0-9_]*([.][A-Za-z0-9]+)?)*$/) value = ""
        if (!(word in taken) || value != "") taken[word] = value
      }
    }
    section == "Commands:" && /^  [a-z]/ {
      entry = substr($0, 3)
      sub(/  .*/, "", entry)
      n = split(entry, t, " ")
      words = t[1]
      first = 2
      if (t[2] ~ /^[a-z][a-z-]*$/) { words = words " " t[2]; first = 3 }
      if (!(words in seen)) print "command|" words
      seen[words] = 1
      for (i = first; i <= n; i++) {
        word = t[i]
        gsub(/^[[]+|[]]+$/, "", word)
        if (word !~ /^FILE[.]/) continue
        option = t[i - 1]
        gsub(/^[[]+/, "", option)
        if (i == first || option !~ /^-/) option = ""
        m = split(word, alternatives, "|")
        extensions = ""
        for (a = 1; a <= m; a++) {
          sub(/^FILE[.]/, "", alternatives[a])
          extensions = extensions (a > 1 ? " " : "") alternatives[a]
        }
        print "file|" words "|" option "|" extensions
      }
    }
    END { for (word in taken) print "option|" word "|" taken[word] }'
}

# Sets COMPREPLY to the folders and files beginning with $cur that end in one
# of the extensions (any case), or to every file when none is given.
_porv_cli_files() {
  local IFS=$'\n' f ext
  compopt -o filenames 2> /dev/null
  COMPREPLY=()
  for f in $(compgen -f -- "$cur"); do
    if [[ -d $f || $# -eq 0 ]]; then
      COMPREPLY+=("$f")
      continue
    fi
    for ext in "$@"; do
      if [[ ${f,,} == *."${ext,,}" ]]; then
        COMPREPLY+=("$f")
        break
      fi
    done
  done
}

# Sets extensions to those of the files that $command takes with the option
# $1 ("" for its argument), from the caller's files.
_porv_cli_extensions() {
  local entry a b c
  extensions=()
  for entry in "${files[@]}"; do
    IFS='|' read -r a b c <<< "$entry"
    # shellcheck disable=SC2206
    [ "$a" = "$command" ] && [ "$b" = "$1" ] && extensions+=($c)
  done
}

_porv_cli() {
  local cur prev words cword
  if declare -F _init_completion > /dev/null; then
    _init_completion || return
  else
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
    cur=${words[cword]}
  fi
  COMPREPLY=()
  local program=${words[0]}
  [[ $program == "~/"* ]] && program=$HOME/${program#"~/"}
  command -v "$program" > /dev/null || return

  local kind a b c line
  local -a commands=() files=()
  local -A values=()
  while IFS='|' read -r kind a b c; do
    case $kind in
    command) commands+=("$a") ;;
    option) values[$a]=$b ;;
    file) files+=("$a|$b|$c") ;;
    esac
  done < <(_porv_cli_parse "$program")
  [ ${#commands[@]} -gt 0 ] || return

  # The words before the cursor: the options' values set aside, the rest is
  # the command and its argument.
  local -a given=()
  local i word pending="" ended=""
  for ((i = 1; i < cword; i++)); do
    word=${words[i]}
    if [ "$word" = = ] && [[ ${words[i - 1]} == -?* ]] && [ -n "${values[${words[i - 1]}]:-}" ]; then
      pending=${words[i - 1]} # --option=VALUE, split at "=" by the shell
    elif [ -n "$pending" ]; then
      pending=""
    elif [ -z "$ended" ] && [ "$word" = -- ]; then
      ended=1
    elif [ -z "$ended" ] && [[ $word == -?* ]]; then
      [[ $word != *=* && -n ${values[$word]:-} ]] && pending=$word
    else
      given+=("$word")
    fi
  done

  # "help COMMAND": the command's words, and nothing after them.
  local helping=""
  if [ "${given[0]:-}" = help ]; then
    helping=1
    given=("${given[@]:1}")
  fi

  local command="" used=0
  for line in "${commands[@]}"; do
    if [ ${#given[@]} -ge 2 ] && [ "$line" = "${given[0]} ${given[1]}" ]; then
      command=$line used=2
    elif [ ${#given[@]} -ge 1 ] && [ "$line" = "${given[0]}" ]; then
      command=$line used=1
    fi
  done

  local -a extensions=()
  if [ -n "$pending" ]; then
    case ${values[$pending]} in
    FILE*)
      _porv_cli_extensions "$pending"
      _porv_cli_files "${extensions[@]}"
      ;;
    DEVICE*)
      if [ -n "$cur" ]; then
        _porv_cli_files
      else # the serial ports there are
        mapfile -t COMPREPLY < <(compgen -G '/dev/tty[SU]*'; compgen -G '/dev/ttyACM*'; compgen -G '/dev/serial/by-id/*')
      fi
      ;;
    HOST*) mapfile -t COMPREPLY < <(compgen -A hostname -- "$cur") ;;
    esac
    return 0
  fi
  if [[ $cur == -* && -z $ended ]]; then
    mapfile -t COMPREPLY < <(compgen -W "${!values[*]}" -- "$cur")
    return 0
  fi
  if [ -z "$command" ]; then
    local -A next=()
    for line in "${commands[@]}"; do
      if [ ${#given[@]} -eq 0 ]; then
        next[${line%% *}]=1
      elif [ ${#given[@]} -eq 1 ] && [[ $line == "${given[0]} "* ]]; then
        next[${line#* }]=1
      fi
    done
    mapfile -t COMPREPLY < <(compgen -W "${!next[*]}" -- "$cur")
    return 0
  fi
  if [ -z "$helping" ] && [ ${#given[@]} -eq "$used" ]; then
    _porv_cli_extensions ""
    [ ${#extensions[@]} -eq 0 ] || _porv_cli_files "${extensions[@]}"
  fi
  return 0
}

complete -F _porv_cli porv-cli
