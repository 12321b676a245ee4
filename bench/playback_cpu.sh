#!/usr/bin/env bash
# Playing in real time: the CPU audioplay spends against gst-play-1.0 and
# mpv (when installed) on the same file, each into a silent sink that keeps
# real time, as whole processes paired A B A B by bench/paired.py. Thirty
# seconds of pink noise, 44.1 kHz stereo, in FLAC, MP3, Vorbis, AAC and
# Opus. Needs a Release audioplay in build/release.
#   bench/playback_cpu.sh [PAIRS]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
audioplay=$root/build/release/audioplay
paired=$root/bench/paired.py
pairs=${1:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY=$work/library.db AUDIOPLAYER_REGISTRY=$work/registry
ffmpeg -v error -f lavfi -i "anoisesrc=d=30:c=pink:a=0.3" -ac 2 -ar 44100 "$work/source.wav"
declare -A encoders=([flac]="-c:a flac" [mp3]="-c:a libmp3lame -q:a 2" [ogg]="-c:a libvorbis"
  [m4a]="-c:a aac -b:a 192k" [opus]="-c:a libopus -b:a 128k")
for kind in flac mp3 ogg m4a opus; do
  file=$work/a.$kind
  # shellcheck disable=SC2086
  ffmpeg -v error -i "$work/source.wav" ${encoders[$kind]} "$file"
  "$audioplay" --quiet --output-file "$work/out.wav" "$file" >/dev/null # into the library
  echo "== $kind: audioplay (A) against gst-play-1.0 (B)"
  "$paired" -n "$pairs" --vs "gst-play-1.0 -q --no-interactive --audiosink=fakesink\ sync=true $file" \
    -- "$audioplay" --quiet "$file"
  if command -v mpv >/dev/null; then
    echo "== $kind: audioplay (A) against mpv (B)"
    "$paired" -n "$pairs" --vs "mpv --no-config --really-quiet --no-video --ao=null $file" \
      -- "$audioplay" --quiet "$file"
  fi
done
