#!/usr/bin/env bash
# The GTK example (examples/desktop_player) under an X server of its own
# (Xvfb), driven as a user would, with keys, and read back with xwd and
# xwininfo: it plays a file to its end and exits 0 with --exit-at-end; while
# a tone plays its picture area shows a visualisation, which 'v' hides (the
# area is then one colour) and shows again; 'f' makes the player's window
# cover the screen and gives its place back; the player's window follows
# the area when the example's window grows; 'q' quits with status 0. Then,
# on a Wayland session with XWayland (a headless weston), as the common
# desktops run, it plays a file to its end through XWayland.
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

# A Wayland session: GTK would take the Wayland display; the example asks
# for X11, which XWayland (started by weston on the first X client) gives.
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime weston --backend=headless-backend.so --socket=check \
  --xwayland --idle-time=0 >"$work/weston.log" 2>&1 &
compositor=$!
xserver() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log"; }
await "weston's XWayland display" found xserver
XDG_RUNTIME_DIR=$work/runtime WAYLAND_DISPLAY=check DISPLAY=$(xserver) \
  timeout 60 "$program" --exit-at-end "$work/short.wav" >"$work/output" 2>&1 ||
  fail "on a Wayland session with XWayland, --exit-at-end ended with status $?"
echo "desktop_player_check: played, showed, hid, filled the screen, followed the window and quit; played on Wayland through XWayland"
