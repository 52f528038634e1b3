#!/usr/bin/env bash
# The bash completion of quandor-tool, called the way bash calls it: COMP_WORDS and COMP_CWORD
# set, the function run, COMPREPLY read. Commands and options come from the built tool's help.
. "$(dirname "$0")/lib.sh"
export LC_ALL=C

[ -x "${QUANDOR_TOOL:-}" ] || e2e_fail "QUANDOR_TOOL is not set to the built quandor-tool"
# The function calls the tool by the name the user typed: put the built one first in PATH.
mkdir -p "$E2E_TMP/bin" "$E2E_TMP/work/sub"
ln -s "$QUANDOR_TOOL" "$E2E_TMP/bin/quandor-tool"
export PATH="$E2E_TMP/bin:$PATH"
. "$SOURCE_DIR/data/quandor-tool.bash"

cd "$E2E_TMP/work"
: >one.sng
: >TWO.SNG
: >notes.txt
: >other.wav

# Runs the completion for a command line whose last word is being completed; prints the
# candidates sorted, one a line.
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _quandor_tool
  printf '%s\n' "${COMPREPLY[@]}" | sort
}

failures=0
expect() {
  local what=$1 want=$2 got=$3
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what" >&2
    echo "  want: $(echo "$want" | tr '\n' ' ')" >&2
    echo "  got:  $(echo "$got" | tr '\n' ' ')" >&2
    failures=$((failures + 1))
  else
    e2e_log "ok: $what"
  fi
}

commands=$(quandor-tool --help | awk '/^Commands:/ {on = 1; next} on && /^  [a-z]/ {print $1}' | sort)
[ -n "$commands" ] || e2e_fail "quandor-tool --help lists no commands"
expect "every command after the program name" "$(printf '%s\n--help' "$commands" | sort)" \
  "$(complete_line quandor-tool '')"
expect "commands by prefix" "$(echo "$commands" | grep '^p' | sort)" "$(complete_line quandor-tool p)"
expect "plot's options" "--height
--help
--width" "$(complete_line quandor-tool plot --)"
expect "first argument: songs in any case and directories" "TWO.SNG
one.sng
sub" "$(complete_line quandor-tool plot '')"
expect "a song after an option and its value" "TWO.SNG
one.sng
sub" "$(complete_line quandor-tool plot --width 300 '')"
expect "the option's value is not a file" "" "$(complete_line quandor-tool plot --width '')"
expect "output: any file" "TWO.SNG
notes.txt
one.sng
other.wav
sub" "$(complete_line quandor-tool plot one.sng '')"
expect "build reads a text file" "TWO.SNG
notes.txt
one.sng
other.wav
sub" "$(complete_line quandor-tool build '')"

# render's value completion and options exist only once the render command is built.
if echo "$commands" | grep -qx render; then
  expect "render --format" "flac
raw
wav" "$(complete_line quandor-tool render --format '')"
  got=$(complete_line quandor-tool render --)
  for option in --frames --loops --format --stems; do
    echo "$got" | grep -qx -- "$option" || {
      echo "FAIL: render option $option not offered (got: $(echo "$got" | tr '\n' ' '))" >&2
      failures=$((failures + 1))
    }
  done
fi

[ "$failures" -eq 0 ] || e2e_fail "$failures completion checks failed"
echo "completion: all checks passed"
