#!/bin/bash
# The selector sleeps while it waits for a key: over 10 seconds the whole process uses at most
# 1% of one core (user and system time from /proc/PID/stat). Prints the figure.
here=$(dirname "$0")
. "$here/lib.sh"
e2e_require Xvfb xdotool python3
[ -x "${QUANDOR:-}" ] || { echo "SKIP: quandor not given" >&2; exit 77; }
[ -r /proc/self/stat ] || { echo "SKIP: no /proc" >&2; exit 77; }

mkdir -p "$E2E_TMP/music/folder"
cd "$E2E_TMP/music" || exit 1
: >empty.sng

e2e_start_xvfb
SDL_AUDIODRIVER=dummy "$QUANDOR" >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
pid=$!
e2e_track "$pid"
win=$(e2e_find_window_by_pid "$pid")
e2e_wait_window_size "$win" 640 400
sleep 1  # past the start-up work

# Fields 14 and 15 of /proc/PID/stat (after the parenthesised name): user and system ticks.
cpu_ticks() {
  python3 -c '
import sys
fields = open("/proc/%s/stat" % sys.argv[1]).read().rsplit(")", 1)[1].split()
print(int(fields[11]) + int(fields[12]))' "$pid"
}
hz=$(getconf CLK_TCK)
before=$(cpu_ticks)
start=$(date +%s.%N)
sleep 10
after=$(cpu_ticks)
end=$(date +%s.%N)
kill -0 "$pid" 2>/dev/null || e2e_fail "the selector ended while waiting"

percent=$(python3 -c "print('%.2f' % (100.0 * ($after - $before) / $hz / ($end - $start)))")
echo "selector idle CPU: $percent% of one core ($((after - before)) ticks of 1/$hz s in 10 s)"
python3 -c "import sys; sys.exit(0 if $percent <= 1.0 else 1)" ||
  e2e_fail "the waiting selector used $percent% of a core (at most 1%)"

xdotool key --window "$win" Escape
e2e_wait_exit "$pid" 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS after Escape"
echo "selector_idle_cpu: passed"
