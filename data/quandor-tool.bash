# bash completion for quandor-tool. Commands and options are read from the program's own
# --help texts, so new commands and options complete without a change here.

# Prints the commands that 'quandor-tool --help' lists.
_quandor_tool_commands() {
  "$1" --help 2>/dev/null | awk '/^Commands:/ { on = 1; next } on && /^  [a-z]/ { print $1 } on && /^$/ { on = 0 }'
}

# Prints the options of one command: every --word or -x at the start of a help line, and those
# inside its usage lines (alternatives split at '|').
_quandor_tool_options() {
  "$1" "$2" --help 2>/dev/null |
    grep -oE '(^|[[:space:][|])--?[a-zA-Z][a-zA-Z0-9-]*' |
    sed -E 's/^[[:space:][|]+//' | sort -u
}

# True when the option takes a value: its help shows it followed by an upper-case word.
_quandor_tool_option_takes_value() {
  "$1" "$2" --help 2>/dev/null | grep -qE "(^|[[:space:][])$3 [A-Z]"
}

# Song files (any case of .sng) and directories to descend into (bash adds their slash).
_quandor_tool_songs() {
  local cur=$1 f
  local IFS=$'\n'
  for f in $(compgen -d -- "$cur"); do COMPREPLY+=("$f"); done
  for f in $(compgen -f -- "$cur"); do
    [ -d "$f" ] && continue
    case "${f,,}" in *.sng) COMPREPLY+=("$f") ;; esac
  done
}

_quandor_tool() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=""
  [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD - 1]}
  local tool=${COMP_WORDS[0]}
  COMPREPLY=()
  compopt -o filenames 2>/dev/null

  if [ "$COMP_CWORD" -eq 1 ]; then
    local IFS=$'\n'
    local words
    words=$(_quandor_tool_commands "$tool")$'\n--help'
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
    return 0
  fi
  local command=${COMP_WORDS[1]}

  # Option values: the few with a fixed set; free values (numbers, lists) get no suggestion.
  case "$prev" in
    --format) COMPREPLY=($(compgen -W "raw wav flac" -- "$cur")); return 0 ;;
    --preset) COMPREPLY=($(compgen -W "1 2 3" -- "$cur")); return 0 ;;
  esac
  if [[ "$prev" == -* ]] && _quandor_tool_option_takes_value "$tool" "$command" "$prev"; then
    return 0
  fi

  if [[ "$cur" == -* ]]; then
    local IFS=$'\n'
    local words
    words=$(_quandor_tool_options "$tool" "$command")$'\n--help'
    COMPREPLY=($(compgen -W "$words" -- "$cur"))
    return 0
  fi

  # Which positional argument is this? Options and their values do not count.
  local i word position=0
  for ((i = 2; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ "$word" == -* ]]; then
      _quandor_tool_option_takes_value "$tool" "$command" "$word" && i=$((i + 1))
      continue
    fi
    position=$((position + 1))
  done

  # The first argument is a song, except for 'build', which reads a text file; 'info' takes
  # only songs. Everything else (outputs, a text, a directory, more songs) is any path.
  if [ "$command" != build ] && { [ "$position" -eq 0 ] || [ "$command" = info ]; }; then
    _quandor_tool_songs "$cur"
  else
    local IFS=$'\n'
    COMPREPLY=($(compgen -f -- "$cur"))
  fi
  return 0
}

complete -F _quandor_tool quandor-tool
