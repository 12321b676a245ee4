#!/usr/bin/env bash
# audioplay against gst-play-1.0 as whole processes, paired A B A B by
# bench/paired.py (the ratio is taken pair by pair): one 0.5 s file each of WAV,
# MP3 and FLAC, and a playlist of twenty 0.5 s files (the cost from track to
# track). Both play into a silent sink that keeps real time. Needs a Release
# audioplay in build/release (scripts/run builds it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
audioplay=$root/build/release/audioplay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY=$work/library.db AUDIOPLAYER_REGISTRY=$work/registry

half() { # half FILE ENCODER...: 0.5 s of a tone
  local file=$1
  shift
  gst-launch-1.0 -q audiotestsrc num-buffers=5 samplesperbuffer=4410 \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! "$@" ! filesink location="$file"
}
half "$work/half.wav" wavenc
half "$work/half.mp3" lamemp3enc
half "$work/half.flac" flacenc
tracks=()
for i in $(seq -w 1 20); do
  cp "$work/half.wav" "$work/t$i.wav"
  tracks+=("$work/t$i.wav")
done
# The library knows every file: the runs are warm, as a user's second play.
"$audioplay" --quiet "$work"/half.* "${tracks[@]}" >/dev/null

for kind in wav mp3 flac; do
  echo "== one 0.5 s $kind"
  "$root/bench/paired.py" -n 9 --vs "gst-play-1.0 --audiosink=fakesink\\ sync=true $work/half.$kind" \
    -- "$audioplay" "$work/half.$kind"
done
echo "== twenty 0.5 s files"
"$root/bench/paired.py" -n 7 --vs "gst-play-1.0 --audiosink=fakesink\\ sync=true ${tracks[*]}" \
  -- "$audioplay" "${tracks[@]}"
