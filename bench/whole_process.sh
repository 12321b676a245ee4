#!/usr/bin/env bash
# audioplay against gst-play-1.0 as whole processes, paired A B A B with
# farm-bench (the ratio is taken pair by pair): one 0.5 s WAV, and ten
# 0.12 s WAVs in a row (the cost from track to track). Both play into a
# silent sink that keeps real time. Needs a Release audioplay in
# build/release (scripts/run builds it) and the farm-bench command.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
audioplay=$root/build/release/audioplay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY=$work/library.db AUDIOPLAYER_REGISTRY=$work/registry

tone() { # tone FILE BUFFERS: 1,024 frames a buffer at 44.1 kHz
  gst-launch-1.0 -q audiotestsrc num-buffers="$2" ! audio/x-raw,rate=44100,channels=2 ! wavenc \
    ! filesink location="$1"
}
tone "$work/half.wav" 22
tracks=()
for i in 0 1 2 3 4 5 6 7 8 9; do
  tone "$work/t$i.wav" 5
  tracks+=("$work/t$i.wav")
done
"$audioplay" "$work/half.wav" "${tracks[@]}" >/dev/null # the library knows them: warm runs

echo "== one 0.5 s file"
farm-bench -n 11 --vs "gst-play-1.0 --audiosink=fakesink\\ sync=true $work/half.wav" \
  -- "$audioplay" "$work/half.wav"
echo "== ten 0.12 s files"
farm-bench -n 9 --vs "gst-play-1.0 --audiosink=fakesink\\ sync=true ${tracks[*]}" \
  -- "$audioplay" "${tracks[@]}"
