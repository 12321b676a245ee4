#!/usr/bin/env bash
# audioplay on the desktop's media-player interface (MPRIS), under a session
# bus of its own: the Metadata title names what plays, PlayPause pauses and
# resumes, Next moves to the second file, Quit ends it; all read back over
# the bus with gdbus, as a desktop widget would.
#   audioplay_mpris_check.sh AUDIOPLAY
set -euo pipefail
audioplay=$1
if [[ ${MPRIS_CHECK_BUS:-} != 1 ]]; then
  exec env MPRIS_CHECK_BUS=1 dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d)
player=
trap '[[ -n $player ]] && kill "$player" 2>/dev/null; rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY=$work/library.db \
  AUDIOPLAYER_REGISTRY=$work/registry

tone() { # file, title: 10 s, long enough to steer
  gst-launch-1.0 -q audiotestsrc num-buffers=100 samplesperbuffer=4410 \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert \
    ! taginject "tags=\"title=\\\"$2\\\"\"" ! wavenc ! filesink location="$1"
}
tone "$work/first.wav" "First Tone"
tone "$work/second.wav" "Second Tone"

"$audioplay" --quiet "$work/first.wav" "$work/second.wav" >"$work/output" 2>&1 &
player=$!
name=org.mpris.MediaPlayer2.audioplay.instance$player
bus() { gdbus call --session --dest "$name" --object-path /org/mpris/MediaPlayer2 "$@"; }
property() { bus --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1"; }
fail() {
  echo "audioplay_mpris_check: $*" >&2
  cat "$work/output" >&2
  exit 1
}
# await WHAT COMMAND...: until the command succeeds, 10 s at most.
await() {
  local what=$1
  shift
  for _ in $(seq 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "$what"
}
reads() { property "$1" | grep -q -- "$2"; }

await "the player's name on the bus" bus --method org.freedesktop.DBus.Peer.Ping
await "Playing" reads PlaybackStatus "'Playing'"
await "the first title" reads Metadata "'First Tone'"
bus --method org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
await "Paused after PlayPause" reads PlaybackStatus "'Paused'"
bus --method org.mpris.MediaPlayer2.Player.PlayPause >/dev/null
await "Playing after a second PlayPause" reads PlaybackStatus "'Playing'"
bus --method org.mpris.MediaPlayer2.Player.Next >/dev/null
await "the second title after Next" reads Metadata "'Second Tone'"
bus --method org.mpris.MediaPlayer2.Quit >/dev/null
status=0
wait "$player" || status=$?
player=
[[ $status == 0 ]] || fail "audioplay ended with status $status after Quit"
echo "audioplay_mpris_check: Metadata, PlayPause, Next and Quit over the bus"
