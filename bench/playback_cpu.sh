#!/usr/bin/env bash
# Playing in real time: the CPU audioplay spends against gst-play-1.0 and
# mpv (when installed) on the same file, each into a silent sink that keeps
# real time, as whole processes paired A B A B by bench/paired.py. Thirty
# seconds of pink noise, 44.1 kHz stereo, in FLAC, MP3, Vorbis, AAC and
# Opus. audioplay plays at volume 100, where gst-play-1.0 and mpv start.
# Needs a Release audioplay in build/release.
#   bench/playback_cpu.sh [PAIRS]   (default 3)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
audioplay=$root/build/release/audioplay
paired=$root/bench/paired.py
pairs=${1:-3}
source "$root/bench/pink_noise_files.sh"
make_pink 30
for kind in flac mp3 ogg m4a opus; do
  file=$work/a.$kind
  encode "$kind"
  echo "== $kind: audioplay (A) against gst-play-1.0 (B)"
  "$paired" -n "$pairs" --vs "gst-play-1.0 -q --no-interactive --audiosink=fakesink\ sync=true $file" \
    -- "$audioplay" --quiet --volume 100 "$file"
  if command -v mpv >/dev/null; then
    echo "== $kind: audioplay (A) against mpv (B)"
    "$paired" -n "$pairs" --vs "mpv --no-config --really-quiet --no-video --ao=null $file" \
      -- "$audioplay" --quiet --volume 100 "$file"
  fi
done
