#!/bin/bash
# The start directory is changed back to at the end, in both modes: when it has vanished
# meanwhile, leaving the program is the fatal "Path not found." with status 3. (While it
# exists, the other scripts' status 0 after Escape shows the change back succeeding.)
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/player_helpers.bash"
e2e_require Xvfb xdotool python3
[ -x "${QUANDOR:-}" ] || { echo "SKIP: quandor not given" >&2; exit 77; }

e2e_start_xvfb

# Starts quandor with the given arguments in a fresh folder, removes the folder once the window
# shows, presses Escape and expects the fatal report with code 3.
leave_from_removed_folder() {
  local what=$1 folder=$E2E_TMP/start_$1 pid win
  shift
  mkdir -p "$folder"
  player_make_song "$folder/tune.sng"
  (cd "$folder" && exec env SDL_AUDIODRIVER=dummy "$QUANDOR" "$@") >"$E2E_TMP/$what.out" \
    2>"$E2E_TMP/$what.err" &
  pid=$!
  e2e_track "$pid"
  win=$(e2e_find_window_by_pid "$pid")
  e2e_wait_window_size "$win" 640 400
  sleep 0.5
  rm -rf "$folder"
  xdotool key --window "$win" Escape
  e2e_wait_exit "$pid" 10
  [ "$E2E_STATUS" = 3 ] || e2e_fail "$what: status $E2E_STATUS, expected 3"
  [ "$(head -n1 "$E2E_TMP/$what.out")" = "Path not found." ] ||
    e2e_fail "$what: printed '$(head -n1 "$E2E_TMP/$what.out")'"
  grep -q '^Runtime error 3 at \$' "$E2E_TMP/$what.out" || e2e_fail "$what: no runtime error line"
  e2e_log "$what: Path not found., status 3"
}

leave_from_removed_folder selector
leave_from_removed_folder player tune.sng
echo "shell_start_directory: passed"
