#!/usr/bin/env bash
# Decoding to a WAV file as fast as the decoder goes: audioplay against
# ffmpeg and against the cheapest GStreamer pipeline found for the format
# (decodebin's choice and each decoder installed for it, timed once each),
# as whole processes paired A B A B by bench/paired.py, medians of 5 pairs.
# Five minutes of pink noise, 44.1 kHz stereo, in FLAC, MP3, Vorbis, AAC
# and Opus. audioplay plays at volume 100, as the others write the decoded
# samples unscaled (at its default, 50, its volume element scales every
# sample: 1.12 times the CPU for five minutes of FLAC, paired). Needs a
# Release audioplay in build/release.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
audioplay=$root/build/release/audioplay
paired=$root/bench/paired.py
source "$root/bench/pink_noise_files.sh"
make_pink 300
declare -A decoders=([flac]="flacparse ! flacdec|flacparse ! avdec_flac"
  [mp3]="mpegaudioparse ! mpg123audiodec|mpegaudioparse ! avdec_mp3"
  [ogg]="oggdemux ! vorbisdec|oggdemux ! avdec_vorbis" [m4a]="qtdemux ! avdec_aac|qtdemux ! faad"
  [opus]="oggdemux ! opusdec|oggdemux ! avdec_opus")
cpu_of() { # the CPU seconds of one run of a shell command
  /usr/bin/python3 -c 'import resource, subprocess, sys
subprocess.run(["sh", "-c", sys.argv[1]], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
r = resource.getrusage(resource.RUSAGE_CHILDREN); print("%.3f" % (r.ru_utime + r.ru_stime))' "$1"
}
for kind in flac mp3 ogg m4a opus; do
  file=$work/a.$kind
  encode "$kind"
  best="" best_cpu=1e9
  IFS='|' read -r -a chains <<<"decodebin|${decoders[$kind]}"
  for chain in "${chains[@]}"; do
    pipeline="gst-launch-1.0 -q filesrc location=$file ! $chain ! audioconvert ! wavenc ! filesink location=$work/gst.wav"
    cpu=$(cpu_of "$pipeline")
    echo "   $chain: $cpu s"
    if [[ -s $work/gst.wav ]] && awk "BEGIN{exit !($cpu < $best_cpu)}"; then
      best=$pipeline best_cpu=$cpu
    fi
    rm -f "$work/gst.wav"
  done
  echo "== $kind: audioplay (A) against ffmpeg (B)"
  "$paired" -n 5 --vs "ffmpeg -v error -y -i $file $work/ff.wav" -- sh -c "exec $audioplay --quiet --volume 100 --output-file $work/out.wav $file"
  echo "== $kind: audioplay (A) against the cheapest pipeline (B)"
  "$paired" -n 5 --vs "sh -c '$best'" -- sh -c "exec $audioplay --quiet --volume 100 --output-file $work/out.wav $file"
done
