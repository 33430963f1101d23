#!/usr/bin/env bash
# The real game on settings files that are garbage, overlong, cut off in the middle of a line or read-only:
# it takes what it can read, keeps the defaults for the rest, plays on and exits through the menu with
# status 0, writing a whole settings file (in place where no file can be made beside it), or, where it
# may not write at all, saying so, keeping the old one and ending with status 1.
set -u
source "$(dirname "$0")/lib/game.sh"
# The sanitizer build skips it: the settings reader and writer run under the sanitizers in the logic
# tests and the settings fuzzer, and nothing here reaches other code.
BUILD_DIR=$2 sanitizer_build && exit 77
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"
export SDL_AUDIODRIVER=dummy

# The file the game writes for the given first five values and names; the rest at their defaults.
written() {
  printf 'music= %s\neffects= %s\nresolution= %s\nmode= %s\ndifficulty= %s\n' "$1" "$2" "$3" "$4" "$5"
  printf 'camAngleX= 0.000000\ncamAngleY= 0.000000\ncamAngleZ= 0.000000\ncamZoom= 0.000000\n'
  printf 'p1name: \n%s\np2name: \n%s\n' "$6" "$7"
  printf 'p1Up= %s\np1Down= %s\np1Pass= %s\np2Up= %s\np2Down= %s\np2Pass= %s\n' "${@:8:6}"
}
DEFAULT_KEYS="97 122 32 101 103 100"

# Runs the game on the settings file in $WORKDIR: the window must be $1 x $2 and
# the settings page must show the check mark on row $3; then exit through the menu.
run_on_settings() {
  start_game
  wait_window || fail "window did not open"
  [ "$WINDOW_W x $WINDOW_H" = "$1 x $2" ] || fail "window is $WINDOW_W x $WINDOW_H, expected $1 x $2"
  skip_intro
  menu_click $AT_SETTINGS
  await_checked settings "$3"
  tap_awaited Escape
  quit_through_menu
  [ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
}

expect_file() {
  diff <(printf '%s\n' "$1") "$WORKDIR/tarvo.ini" >"$WORKDIR/settings.diff" ||
    fail "$2: tarvo.ini is not as expected: $(cat "$WORKDIR/settings.diff")"
}

expect_no_stderr() {
  [ ! -s "$WORKDIR/stderr" ] || fail "$1: unexpected lines on standard error: $(cat "$WORKDIR/stderr")"
}

fresh() { rm -rf "$WORKDIR"; make_workdir; }

# Garbage: bytes of every kind but those that could start a number. Nothing is
# taken; full screen is impossible here, so an 800 x 600 window; defaults written.
make_workdir
python3 -S -c "
import random, sys
rng = random.Random(8)
usable = [b for b in range(256) if chr(b) not in '0123456789+-.']
sys.stdout.buffer.write(bytes(rng.choice(usable) for _ in range(6000)))" >"$WORKDIR/tarvo.ini"
run_on_settings 800 600 normal
expect_no_stderr garbage
# A name is whatever the line after its key word holds, garbage too: at most 8 bytes.
python3 -S - "$WORKDIR/tarvo.ini" "$(written 1 1 1 1 11.000000 'player 1' 'player 2' $DEFAULT_KEYS)" <<'PY' ||
import sys
lines = open(sys.argv[1], 'rb').read().split(b'\n')
expected = sys.argv[2].encode().split(b'\n')
if len(lines) != 20 or lines[19] != b'':
    sys.exit('not 19 whole lines')
for number, (line, want) in enumerate(zip(lines, expected), 1):
    if number in (11, 13):
        if not 1 <= len(line) <= 8:
            sys.exit('name line %d is %d bytes long' % (number, len(line)))
    elif line != want:
        sys.exit('line %d is %r, expected %r' % (number, line, want))
PY
  fail "garbage: tarvo.ini is not the defaults with two names of at most 8 bytes"
echo "garbage: defaults taken (names as read), whole file written"

# Overlong: every key word 5000 characters, and four megabytes of long lines after
# the last setting. Every value is still found after its key word.
fresh
python3 -S -c "
word = 'k' * 5000
lines = [word + ' 0'] * 4 + [word + ' 9'] + [word + ' 0'] * 4
lines += [word, 'longname', word, 'second']
lines += [word + ' ' + str(code) for code in (119, 115, 120, 111, 103, 100)]
lines += ['y' * 200] * 20000
print('\n'.join(lines))" >"$WORKDIR/tarvo.ini"
run_on_settings 640 480 hard
expect_no_stderr overlong
expect_file "$(written 0 0 0 0 9.000000 longname second 119 115 120 111 103 100)" overlong
echo "overlong: every value read after 5000-character key words, file written whole"

# Cut off in the middle of a key word: what comes before is taken. Full screen
# (mode, not reached) is impossible here, so a window of the resolution read.
fresh
printf 'music= 0\neffects= 0\nresolution= 0\nmode= 1\ndifficulty= 13.000000\ncamAng' >"$WORKDIR/tarvo.ini"
run_on_settings 640 480 easy
expect_no_stderr "cut in a key word"
expect_file "$(written 0 0 0 1 13.000000 'player 1' 'player 2' $DEFAULT_KEYS)" "cut in a key word"
echo "cut in a key word: the first five values taken, defaults for the rest"

# Cut off in the middle of player 1's name: the name is what there is of it.
fresh
printf 'music= 0\neffects= 0\nresolution= 2\nmode= 0\ndifficulty= 9\ncamAngleX= 0\ncamAngleY= 0\ncamAngleZ= 0\ncamZoom= 0\np1name: \nkaj' >"$WORKDIR/tarvo.ini"
run_on_settings 1024 768 hard
expect_no_stderr "cut in a name"
expect_file "$(written 0 0 2 0 9.000000 kaj 'player 2' $DEFAULT_KEYS)" "cut in a name"
echo "cut in a name: the name kept as far as it goes"

# Read-only, the game run by the superuser (who may write any file, as the game
# is run here): read as usual; saving puts the new settings in its place and the
# file stays read-only, as the player left it.
fresh
printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= 9\n' >"$WORKDIR/tarvo.ini"
chmod 444 "$WORKDIR/tarvo.ini"
run_on_settings 640 480 hard
expect_no_stderr "read-only"
expect_file "$(written 0 0 0 0 9.000000 'player 1' 'player 2' $DEFAULT_KEYS)" "read-only"
[ "$(stat -c %a "$WORKDIR/tarvo.ini")" = 444 ] || fail "the saved file is no longer read-only"
echo "read-only: read, saved in place, still read-only"

# A folder the player may not write (the game run as an unprivileged user).
# The game and its data are copied beside the file, so that the unprivileged
# player can reach them wherever the build lives. First a settings file the
# player may write: no new file can be made beside it, so it is written in
# place, status 0. Then the same file read-only: the save fails with one line,
# the old file stays as it was, and the status is 1.
fresh
chmod 755 "$WORKDIR"
rm "$WORKDIR/data"
cp -rL "$BUILD_DIR/data" "$WORKDIR/data"
cp "$GAME" "$WORKDIR/tarvo-rink"
chmod -R a+rX "$WORKDIR"
run_unprivileged() {
  (cd "$WORKDIR" && paced_display && exec setpriv --reuid=65534 --regid=65534 --clear-groups ./tarvo-rink 2>"$WORKDIR/stderr" >/dev/null) &
  GAME_PID=$!
  wait_window || fail "window did not open for the unprivileged player"
  skip_intro
  menu_click $AT_SETTINGS
  await_checked "settings_unprivileged_$1" "$1"
  menu_click $AT_HARD
  tap_awaited Escape
  quit_through_menu
}
printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\ndifficulty= 13\n' >"$WORKDIR/tarvo.ini"
chmod 666 "$WORKDIR/tarvo.ini"
run_unprivileged easy
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS after saving in place"
expect_no_stderr "writable file, folder not writable"
expect_file "$(written 0 0 0 0 9.000000 'player 1' 'player 2' $DEFAULT_KEYS)" "writable file, folder not writable"
echo "writable file, folder not writable: saved in place, status 0"

chmod 444 "$WORKDIR/tarvo.ini"
before=$(cat "$WORKDIR/tarvo.ini")
run_unprivileged hard
[ "$EXIT_STATUS" = 1 ] || fail "exit status $EXIT_STATUS, expected 1 when the settings are lost"
[ "$(cat "$WORKDIR/stderr")" = "Settings saving failed: Permission denied" ] ||
  fail "expected the one line about saving, got: $(cat "$WORKDIR/stderr")"
[ "$(cat "$WORKDIR/tarvo.ini")" = "$before" ] || fail "the read-only file was changed"
echo "read-only, folder not writable: one line about saving, old file kept, status 1"
