#!/usr/bin/env bash
# Grayscale JPEGs in place of two colour pictures, one of the start-up set (the "single player" item) and one
# loaded at match start (the tennis floor): the real game shows them, grey, in the menu and in the match, says
# nothing on its standard error stream, and exits through the menu with status 0.
set -u
source "$(dirname "$0")/lib/game.sh"
own_display "$0" "$@"
GAME=$1
BUILD_DIR=$2
source "$(dirname "$0")/lib/play.sh"

make_workdir
rm "$WORKDIR/data"
cp -rL "$BUILD_DIR/data" "$WORKDIR/data"
for picture in menu/single ground/11; do
  convert "$BUILD_DIR/data/pictures/$picture.jpg" -colorspace Gray -type Grayscale "$WORKDIR/data/pictures/$picture.jpg"
  [ "$(identify -format '%[colorspace] %[channels]' "$WORKDIR/data/pictures/$picture.jpg")" = "Gray gray" ] ||
    fail "$picture.jpg was not written as a one-channel grey picture"
done
printf 'music= 0\neffects= 0\nresolution= 0\nmode= 0\n' >"$WORKDIR/tarvo.ini"

# A region is grey when its red, green and blue means agree.
grey() {
  local r g b
  read -r r g b < <(shot_mean "$1" $2)
  (( r - g < 3 && g - r < 3 && g - b < 3 && b - g < 3 ))
}

start_game
wait_window || fail "window did not open"
skip_intro
pointer_to_menu 590 240
menu=$(shot menu)
grey "$menu" "$ITEM_SINGLE" || fail "the single player item is not grey: $(shot_mean "$menu" $ITEM_SINGLE)"
grey "$menu" "$ITEM_TWO" && fail "the two players item is grey too: the test cannot tell grey from colour"

# The tennis floor, with the lighting off (F3) so that the coloured lights do not tint it.
menu_click $AT_SINGLE
menu_click $AT_TENNIS
tap_awaited F3
floor=$SHOT
FLOOR="140 150 200 190"
grey "$floor" "$FLOOR" || fail "the tennis floor is not grey: $(shot_mean "$floor" $FLOOR)"
tap_key F3
tap_key Escape
await_same menu_again "$menu" "" "Escape from the match shows the main menu"
quit_through_menu
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS"
[ ! -s "$WORKDIR/stderr" ] || fail "unexpected lines on standard error: $(cat "$WORKDIR/stderr")"
echo "grey pictures shown grey in the menu and on the floor; exit status 0"
