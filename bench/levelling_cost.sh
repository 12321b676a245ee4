#!/usr/bin/env bash
# What loudness levelling costs, as whole processes paired A B A B
# (bench/paired.py): audioplay rendering five minutes of FLAC (pink noise) to a
# WAV file as fast as it decodes, (1) measuring it (a library that has no
# measure of the file, made afresh each run) against the same render with
# the measure known, and (2) levelled with the measure known against
# levelling off. Needs a Release audioplay in build/release.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
audioplay=$root/build/release/audioplay
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_REGISTRY=$work/registry
ffmpeg -v error -f lavfi -i "anoisesrc=d=300:c=pink:a=0.3" -ac 2 -ar 44100 "$work/long.flac"
render() { # render LIBRARY LEVEL: the shell words of one render
  echo "sh -c 'AUDIOPLAYER_LIBRARY=$1 exec $audioplay --quiet --level $2 --output-file $work/out.wav $work/long.flac'"
}
AUDIOPLAYER_LIBRARY=$work/known.db "$audioplay" --quiet --level track \
  --output-file "$work/out.wav" "$work/long.flac" >/dev/null

echo "== measuring (A) against the measure known (B)"
"$root/bench/paired.py" -n 9 --vs "$(render "$work/known.db" track)" \
  -- sh -c "rm -f $work/fresh.db*; AUDIOPLAYER_LIBRARY=$work/fresh.db exec $audioplay --quiet --level track --output-file $work/out.wav $work/long.flac"
echo "== levelled by the known measure (A) against levelling off (B)"
"$root/bench/paired.py" -n 9 --vs "$(render "$work/known.db" off)" \
  -- sh -c "AUDIOPLAYER_LIBRARY=$work/known.db exec $audioplay --quiet --level track --output-file $work/out.wav $work/long.flac"
