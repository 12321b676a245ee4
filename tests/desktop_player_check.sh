#!/usr/bin/env bash
# The GTK example (examples/desktop_player) under an X server of its own
# (Xvfb), driven as a user would, with keys, and read back with xwd and
# xwininfo: it plays a file to its end and exits 0 with --exit-at-end; while
# a tone plays its picture area shows a visualisation, which 'v' hides (the
# area is then one colour) and shows again; 'f' makes the player's window
# cover the screen and gives its place back; the player's window follows
# the area when the example's window grows; 'q' quits with status 0. Then
# on a Wayland session (a headless weston), as the common desktops run, read
# back with the compositor's screenshots: the same, and a film's picture.
#   desktop_player_check.sh DESKTOP_PLAYER
set -euo pipefail
program=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server= player= compositor=
trap '[[ -n $player ]] && kill "$player" 2>/dev/null; [[ -n $server ]] && kill "$server" 2>/dev/null; [[ -n $compositor ]] && kill "$compositor" 2>/dev/null; rm -rf "$work"' EXIT

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
server=$!
exec 3>&-
check=desktop_player_check
# shellcheck source=check_support.sh
source "$here/check_support.sh"
await "the X server" test -s "$work/display"
unset WAYLAND_DISPLAY # GTK would take a Wayland session of the caller's
export DISPLAY=:$(head -n1 "$work/display") AUDIOPLAYER_SINK=fake \
  AUDIOPLAYER_LIBRARY=$work/library.db AUDIOPLAYER_REGISTRY=$work/registry

tone() { # file, seconds
  gst-launch-1.0 -q audiotestsrc num-buffers=$(($2 * 10)) samplesperbuffer=4410 \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert \
    ! taginject 'tags="title=\"Check Tone\""' ! wavenc ! filesink location="$1"
}
tone "$work/short.wav" 1
tone "$work/long.wav" 30
# The cover beside them, pure red.
ffmpeg -v error -f lavfi -i color=red:s=8x8 -frames:v 1 "$work/folder.png"

timeout 60 "$program" --exit-at-end "$work/short.wav" >"$work/output" 2>&1 ||
  fail "--exit-at-end on a 1 s file ended with status $?"

"$program" "$work/long.wav" >"$work/output" 2>&1 &
player=$!
# The example's window, its picture area (the child that holds a window)
# and the player's window inside that.
tree() { xwininfo -root -tree; }
# xwininfo with the window ID and options; never without an ID (it would
# wait for a click).
xinfo() {
  local id=$1
  shift
  [[ -n $id ]] && xwininfo -id "$id" "$@"
}
top() { tree | awk '/"desktop_player".*[0-9]+x[0-9]+\+[0-9]+\+[0-9]+/ && $0 !~ /10x10/ {print $1; exit}'; }
children() { xinfo "$1" -children | awk '/^ +0x/ {print $1}'; }
area() {
  local child
  for child in $(children "$(top)"); do
    [[ -n $(children "$child") ]] && echo "$child" && return
  done
}
inner() { children "$(area)" | head -n1; }
size_of() { xinfo "$1" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w "x" h}'; }
colours() { [[ -n $1 ]] && xwd -silent -id "$1" >"$work/shot.xwd" && python3 "$here/xwd_colours.py" "$work/shot.xwd"; }
shows() { (($(colours "$1") > 50)); }
plain() { (($(colours "$1") == 1)); }
red() { [[ -n $1 ]] && xwd -silent -id "$1" >"$work/shot.xwd" && (($(python3 "$here/xwd_colours.py" "$work/shot.xwd" ff0000) > 0)); }
state() { xinfo "$1" | grep -q "Map State: $2"; }
sized() { [[ $(size_of "$1") == "$2" ]]; }
fits() { [[ $(size_of "$window") == "$(size_of "$area")" ]]; }
wider() { (($(size_of "$window" | cut -dx -f1) > 600)); }
# A key pressed in the example's window (without a window manager the
# keys go where the pointer is).
key() {
  xdotool mousemove --window "$(top)" 5 5
  xdotool windowfocus --sync "$(top)" 2>/dev/null
  xdotool key "$1"
}

found() { [[ -n $("$1") ]]; }
await "the example's window with its picture area" found area
await "the player's window in the picture area" found inner
window=$(inner) area=$(area)
await "the player's window filling the picture area" fits
await "a visualisation in the picture area" shows "$window"
key v
await "the player's window hidden after 'v'" state "$window" IsUnMapped
await "the picture area plain after 'v'" plain "$area"
await "the track's cover beside the controls after 'v'" red "$(top)"
key v
await "the visualisation back after 'v' again" shows "$window"
key f
await "the player's window covering the 800x600 screen after 'f'" sized "$window" 800x600
key f
await "the player's window back in the picture area after 'f' again" fits
xdotool windowsize "$(top)" 760 560
await "the player's window following the picture area when the example grows" wider
await "the player's window filling the grown picture area" fits
key q
status=0
wait "$player" || status=$?
player=
[[ $status == 0 ]] || fail "desktop_player ended with status $status after 'q'"

# A Wayland session (a headless weston drawing with pixman, whose
# screenshots its --debug lets a client take): GTK takes its Wayland
# backend, and the player draws in a subsurface of the window's surface.
# No keyboard there: the keys come on standard input.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime weston --backend=headless-backend.so --socket=check --use-pixman \
  --idle-time=0 --debug >"$work/weston.log" 2>&1 &
compositor=$!
await "weston's socket" test -S "$work/runtime/check"
on_wayland() { env -u DISPLAY XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY=check "$@"; }
on_wayland timeout 60 "$program" --exit-at-end "$work/short.wav" >"$work/output" 2>&1 </dev/null ||
  fail "on Wayland, --exit-at-end ended with status $?"

gst-launch-1.0 -q webmmux name=mux ! filesink location="$work/green.webm" videotestsrc \
  num-buffers=250 pattern=solid-color foreground-color=0xff00ff00 ! video/x-raw,width=320,height=180 \
  ! vp8enc ! mux. audiotestsrc num-buffers=430 ! vorbisenc ! mux.
mkfifo "$work/keys"
# Every request the client makes is logged: what the library made must be
# destroyed by the time the example has quit.
on_wayland WAYLAND_DEBUG=client "$program" "$work/long.wav" "$work/green.webm" <"$work/keys" \
  >"$work/output" 2>"$work/requests" &
player=$!
exec 4>"$work/keys"
press() { printf %s "$1" >&4; }
shoot() {
  rm -f "$work"/wayland-screenshot-*.png
  (cd "$work" && on_wayland weston-screenshooter) && mv "$work"/wayland-screenshot-*.png "$work/shot.png"
}
measure() { shoot && python3 "$here/screenshot_colours.py" "$work/shot.png" "$1"; }
shown() { (($(measure colours) > 50)); }
hidden() { (($(measure colours) < 30)); }
filled() { (($(measure filled) == 1)); }
windowed() { (($(measure filled) == 0)) && shown; }
green() { (($(measure green) > 5000)); }
await "a visualisation drawn in the window on Wayland" shown
press v
await "the picture hidden after 'v' on Wayland" hidden
press v
await "the visualisation back after 'v' again on Wayland" shown
press f
await "the picture covering the screen after 'f' on Wayland" filled
press f
await "the picture back in the window after 'f' again on Wayland" windowed
press n
await "the green film's picture in the window on Wayland" green
press q
status=0
wait "$player" || status=$?
player=
exec 4>&-
[[ $status == 0 ]] || fail "on Wayland, desktop_player ended with status $status after 'q'"
# Subsurfaces made (the player's and the sink's) and not destroyed.
left=$(awk '
  /-> wl_subcompositor@[0-9]+\.get_subsurface\(new id wl_subsurface@/ {
    match($0, /wl_subsurface@[0-9]+/); live[substr($0, RSTART, RLENGTH)] = 1 }
  /-> wl_subsurface@[0-9]+\.destroy\(\)/ {
    match($0, /wl_subsurface@[0-9]+/); delete live[substr($0, RSTART, RLENGTH)] }
  END { n = 0; for (s in live) n++; print n }' "$work/requests")
made=$(grep -c -- '-> wl_subcompositor@[0-9]*\.get_subsurface' "$work/requests" || true)
((made > 0)) || fail "on Wayland, no subsurface was made"
((left == 0)) || fail "on Wayland, $left of $made subsurfaces were left behind"
echo "desktop_player_check: played, showed, hid, filled the screen, followed the window and quit; on Wayland the same, a film too, and left no subsurface"
