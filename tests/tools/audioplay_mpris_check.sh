#!/usr/bin/env bash
# audioplay on the desktop's media-player interface (MPRIS), under a session
# bus of its own, driven by playerctl (what desktops bind media keys to) and
# read back with gdbus as a desktop widget would: metadata, play/pause,
# next and previous at the ends of the list, stop then play, loop and
# shuffle, seeking and the Seeked signal, the rate, a moving position,
# the cover (embedded, and the image beside a file), opening a URI (and ones
# that cannot be played) and a playlist, a station whose title
# changes, and Quit.
#   audioplay_mpris_check.sh AUDIOPLAY
set -euo pipefail
audioplay=$1
if [[ ${MPRIS_CHECK_BUS:-} != 1 ]]; then
  exec env MPRIS_CHECK_BUS=1 dbus-run-session -- "$0" "$@"
fi
work=$(mktemp -d)
player= monitor= station=
trap '[[ -n $player ]] && kill "$player" 2>/dev/null; [[ -n $monitor ]] && kill "$monitor" 2>/dev/null; [[ -n $station ]] && kill "$station" 2>/dev/null; rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY=$work/library.db \
  AUDIOPLAYER_REGISTRY=$work/registry XDG_CACHE_HOME=$work/cache no_proxy=127.0.0.1

tone() { # file, title: 30 s, long enough to steer
  gst-launch-1.0 -q audiotestsrc num-buffers=300 samplesperbuffer=4410 \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert \
    ! taginject "tags=\"title=\\\"$2\\\"\"" ! wavenc ! filesink location="$1"
}
tone "$work/first.wav" "First Tone"
tone "$work/second tone.wav" "Second Tone"
tone "$work/third.wav" "Third Tone"
# The first carries a cover in an ID3v2 tag, as mutagen writes one; the
# second has none of its own, but the image beside it.
ffmpeg -v error -f lavfi -i color=red:s=8x8 -frames:v 1 "$work/cover.png"
/usr/bin/python3 -c '
import sys
from mutagen.id3 import APIC
from mutagen.wave import WAVE
song = WAVE(sys.argv[1])
song.add_tags()
song.tags.add(APIC(mime="image/png", type=3, data=open(sys.argv[2], "rb").read()))
song.save()' "$work/first.wav" "$work/cover.png"

"$audioplay" --quiet "$work/first.wav" "$work/second tone.wav" >"$work/output" 2>&1 &
player=$!
name=org.mpris.MediaPlayer2.audioplay.instance$player
ctl() { playerctl --player="audioplay.instance$player" "$@"; }
bus() { gdbus call --session --dest "$name" --object-path /org/mpris/MediaPlayer2 "$@"; }
property() { bus --method org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1"; }
check=audioplay_mpris_check
# shellcheck source=../check_support.sh
source "$(dirname "$0")/../check_support.sh"
says() { [[ $(ctl "${@:1:$#-1}" 2>/dev/null) == "${!#}" ]]; }
# reads PROPERTY VALUE: read anew at each try of await.
reads() { [[ $(property "$1" 2>/dev/null) == "$2" ]]; }
now() { date +%s.%N; }
seconds() { ctl position 2>/dev/null; }

await "the player's name on the bus" bus --method org.freedesktop.DBus.Peer.Ping
gdbus monitor --session --dest "$name" >"$work/signals" 2>&1 &
monitor=$!
await "Playing" says status Playing
await "the first title" says metadata xesam:title "First Tone"

# Track ids stay out of /org/mpris; the URL is a URI.
trackid=$(ctl metadata mpris:trackid)
[[ $trackid != /org/mpris/* ]] || fail "track id $trackid is under /org/mpris"
[[ $(ctl metadata xesam:url) == "file://$work/first.wav" ]] ||
  fail "xesam:url is $(ctl metadata xesam:url)"
[[ $(property CanGoNext) == "(<true>,)" ]] || fail "no CanGoNext on the first item"
# The cover, as the desktop's widget reads it: a file:// URI of its bytes,
# the embedded one before the image beside the file.
art=$(ctl metadata mpris:artUrl 2>/dev/null || true)
[[ $art == "file://$work/cache/audioplayer/pictures/"* ]] &&
  cmp -s "${art#file://}" "$work/cover.png" ||
  fail "mpris:artUrl is '$art', not the embedded cover"

# The position moves between the player's own ticks.
first=$(seconds)
sleep 0.2
[[ $(seconds) != "$first" ]] || fail "the position stood at $first"

# Seeking is announced with Seeked.
ctl position 10+
await "Seeked after a seek" grep -q "Player.Seeked" "$work/signals"

# Loop and shuffle are the desktop's to set.
ctl loop Playlist
await "LoopStatus Playlist" says loop Playlist
ctl shuffle On
await "Shuffle on" says shuffle On
ctl shuffle Off
ctl loop None
await "LoopStatus None" says loop None

# The rate: read back, and the position moves twice as fast as the clock
# read beside it (over 3 s, past the player's ticks).
bus --method org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Rate "<2.0>" \
  >/dev/null
await "Rate 2" reads Rate "(<2.0>,)"
start=$(now) from=$(seconds)
sleep 3
to=$(seconds) end=$(now)
python3 -c "import sys; r = ($to - $from) / ($end - $start); sys.exit(0 if 1.6 < r < 2.4 else 1)" ||
  fail "at rate 2 the position went from $from to $to in $(python3 -c "print($end - $start)") s"
bus --method org.freedesktop.DBus.Properties.Set org.mpris.MediaPlayer2.Player Rate "<1.0>" \
  >/dev/null

# Stop keeps the player; Play plays again.
ctl stop
await "Stopped" says status Stopped
kill -0 "$player" || fail "Stop ended the process"
ctl play
await "Playing after Stop and Play" says status Playing

# Next to the last item, where Next cannot change the track (playerctl
# makes no call there; one made all the same stops) and Previous can.
ctl next
await "the second title after Next" says metadata xesam:title "Second Tone"
[[ $(ctl metadata mpris:artUrl 2>/dev/null) == "file://$work/cover.png" ]] ||
  fail "the second track's cover is not the image beside it"
[[ $(ctl metadata xesam:url) == "file://$work/second%20tone.wav" ]] ||
  fail "xesam:url is not percent-encoded: $(ctl metadata xesam:url)"
await "no CanGoNext on the last item" reads CanGoNext "(<false>,)"
[[ $(property CanGoPrevious) == "(<true>,)" ]] || fail "no CanGoPrevious on the last item"
# An invalid position is ignored, and no Seeked is said for it.
cp "$work/signals" "$work/signals.before"
bus --method org.mpris.MediaPlayer2.Player.SetPosition -- "$(ctl metadata mpris:trackid)" -5 >/dev/null
bus --method org.freedesktop.DBus.Peer.Ping >/dev/null
sleep 0.3
[[ $(grep -c "Player.Seeked" "$work/signals") == $(grep -c "Player.Seeked" "$work/signals.before") ]] ||
  fail "Seeked said for a position before the start"
bus --method org.mpris.MediaPlayer2.Player.Next >/dev/null
await "Stopped after Next on the last item" says status Stopped
kill -0 "$player" || fail "Next on the last item ended the process"
await "no CanGoNext when stopped on the last item" reads CanGoNext "(<false>,)"
ctl previous 2>/dev/null || fail "no Previous from the last item"
await "the first title after Previous" says metadata xesam:title "First Tone"

# A URI opened by the desktop is added and played.
ctl open "file://$work/third.wav"
await "the opened file plays" says metadata xesam:title "Third Tone"
await "Playing the opened file" says status Playing

# A URI that cannot be played costs its error, and the player plays on
# where it was.
head -c 3000 /dev/urandom >"$work/broken.mp3"
opened=0
errors() { [[ $(grep -c "CN_MediaError" "$work/output") == "$opened" ]]; }
for uri in "ftp://127.0.0.1:1/none.mp3" "file://$work/missing.wav" \
  "http://127.0.0.1:1/refused.mp3" "file://$work/broken.mp3"; do
  ctl open "$uri"
  opened=$((opened + 1))
  await "the error of $uri" errors
  await "the opened file again after $uri" says metadata xesam:title "Third Tone"
  await "Playing after $uri" says status Playing
  kill -0 "$player" || fail "$uri ended the process"
done

# A playlist the desktop opens plays its entries, nested lists expanded; one
# that cannot be read is told, and the player plays on where it was.
printf 'inner.m3u\nthird.wav\n' >"$work/opened.m3u"
printf 'second tone.wav\n' >"$work/inner.m3u"
ctl open "file://$work/opened.m3u"
await "the opened playlist's first entry" says metadata xesam:title "Second Tone"
ctl next
await "the opened playlist's second entry" says metadata xesam:title "Third Tone"
ctl open "file://$work/none.m3u"
await "the playlist that cannot be read told" grep -q "none.m3u" "$work/output"
await "the opened playlist's entry again after none.m3u" says metadata xesam:title "Third Tone"
await "Playing after none.m3u" says status Playing
kill -0 "$player" || fail "none.m3u ended the process"

# A station the desktop opens: the widget's title follows the stream's.
gst-launch-1.0 -q audiotestsrc num-buffers=100 ! audio/x-raw,rate=44100,channels=2 \
  ! lamemp3enc target=bitrate bitrate=128 cbr=true ! filesink location="$work/tone.mp3"
python3 "$(dirname "$0")/../engine/http_server.py" icy "$work/tone.mp3" >"$work/station" &
station=$!
await "the station's port" test -s "$work/station"
ctl open "http://127.0.0.1:$(cut -d' ' -f1 "$work/station")/live"
title() { ctl metadata xesam:title 2>/dev/null; }
on_air() { [[ $(title) == "Artist "* ]]; }
await "the station's title" on_air
first=$(title)
changed() { on_air && [[ $(title) != "$first" ]]; }
await "the station's title after \"$first\"" changed

bus --method org.mpris.MediaPlayer2.Quit >/dev/null
status=0
wait "$player" || status=$?
player=
[[ $status == 0 ]] || fail "audioplay ended with status $status after Quit"
echo "audioplay_mpris_check: playerctl steered audioplay through every check"
