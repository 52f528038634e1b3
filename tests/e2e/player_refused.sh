#!/bin/bash
# A song the loader refuses: `quandor bad.sng` ends with status 0 and prints nothing, and the
# window it opened never shows a player screen.
here=$(dirname "$0")
. "$here/lib.sh"
. "$here/player_helpers.bash"
e2e_require Xvfb xdotool xwd convert python3
[ -x "${QUANDOR:-}" ] || { echo "SKIP: binary not given" >&2; exit 77; }

e2e_start_xvfb
cd "$E2E_TMP" || exit 1
printf 'NOT A SONG AT ALL' >bad.sng
"$QUANDOR" bad.sng >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
pid=$!
e2e_track "$pid"
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS for a refused song"
[ ! -s "$E2E_TMP/out" ] || e2e_fail "printed: $(cat "$E2E_TMP/out")"
echo "player_refused: passed"
