#!/usr/bin/env bash
# Installs the build into a scratch prefix and runs the installed programs from there: the
# player's usage text, every file in its place, and an installed demo song rendered by the
# installed tool byte for byte as the build tree's tool renders the source song.
. "$(dirname "$0")/lib.sh"
e2e_require cmake cmp python3

[ -d "${BINARY_DIR:-}" ] || e2e_fail "BINARY_DIR is not set to the build directory"
[ -x "${QUANDOR_TOOL:-}" ] || e2e_fail "QUANDOR_TOOL is not set to the built quandor-tool"
prefix="$E2E_TMP/prefix"
cmake --install "$BINARY_DIR" --prefix "$prefix" >"$E2E_TMP/install.log" 2>&1 ||
  { cat "$E2E_TMP/install.log" >&2; e2e_fail "cmake --install failed"; }

# GNUInstallDirs' places under the prefix: bin, share, share/man.
for file in bin/quandor bin/quandor-tool share/man/man1/quandor.1 share/man/man1/quandor-tool.1 \
  share/applications/quandor.desktop share/mime/packages/quandor.xml \
  share/bash-completion/completions/quandor-tool; do
  [ -f "$prefix/$file" ] || e2e_fail "$file is not installed"
done
for program in quandor quandor-tool; do
  [ -x "$prefix/bin/$program" ] || e2e_fail "bin/$program is not executable"
done
e2e_log "ok: programs, manuals, desktop entry, mime package and completion installed"

# The usage text needs neither a display nor a sound device. Run from elsewhere so that
# nothing of the build tree is found by accident.
cd "$E2E_TMP"
status=0
"$prefix/bin/quandor" '/?' >"$E2E_TMP/usage.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || e2e_fail "installed quandor /? ended with status $status"
grep -q 'Syntax: Quandor <file.sng>' "$E2E_TMP/usage.txt" ||
  { cat "$E2E_TMP/usage.txt" >&2; e2e_fail "installed quandor /? printed no syntax line"; }
"$prefix/bin/quandor-tool" --help | grep -q '^Commands:' || e2e_fail "installed quandor-tool --help"
e2e_log "ok: installed programs start"

shopt -s nullglob
installed_songs=("$prefix"/share/quandor/songs/*.sng)
source_songs=("$SOURCE_DIR"/songs/*.sng)
[ "${#installed_songs[@]}" -eq "${#source_songs[@]}" ] ||
  e2e_fail "${#installed_songs[@]} songs installed, ${#source_songs[@]} in songs/"
if [ "${#source_songs[@]}" -eq 0 ]; then
  echo "SKIP: no demo song in songs/ to render" >&2
  exit 77
fi
"$prefix/bin/quandor-tool" --help | grep -q '^  render ' || {
  echo "SKIP: quandor-tool has no render command yet" >&2
  exit 77
}
song=$(basename "${source_songs[0]}")
"$prefix/bin/quandor-tool" render "$prefix/share/quandor/songs/$song" - >"$E2E_TMP/installed.raw" ||
  e2e_fail "installed quandor-tool render of $song failed"
"$QUANDOR_TOOL" render "$SOURCE_DIR/songs/$song" - >"$E2E_TMP/built.raw" ||
  e2e_fail "build tree quandor-tool render of $song failed"
[ -s "$E2E_TMP/built.raw" ] || e2e_fail "the render of $song is empty"
cmp "$E2E_TMP/installed.raw" "$E2E_TMP/built.raw" ||
  e2e_fail "the installed tool renders $song differently"
e2e_log "ok: installed render of $song equals the build tree's ($(wc -c <"$E2E_TMP/built.raw") bytes)"

# The installed plot draws the installed song at the size asked for.
"$prefix/bin/quandor-tool" plot "$prefix/share/quandor/songs/$song" "$E2E_TMP/plot.png" \
  --width 500 --height 400 || e2e_fail "installed quandor-tool plot failed"
size=$(python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read(24)
assert d[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
print(*struct.unpack(">II", d[16:24]))' "$E2E_TMP/plot.png") || e2e_fail "plot wrote no PNG"
[ "$size" = "500 400" ] || e2e_fail "plot is $size, expected 500 400"
echo "install: all checks passed"
