#!/usr/bin/env bash
# The silence between items, heard through a real PulseAudio server: three
# tones of 1, 1.5 and 2 s played as one list to a null sink whose monitor is
# recorded, for audioplay and for gst-play-1.0 (without and with its
# --gapless); then the same tones as the tracks of a CUE sheet over one
# WAV, for audioplay and for mpv (when installed: Debian's `mpv` plays a
# sheet's tracks), REPS times each, in turn (A B C A B C ...). For each
# run: the longest silence between the first sound and the last, and that
# span (4.5 s is the tones' length); then the medians per player.
#   bench/gap_pulseaudio.sh AUDIOPLAY [REPS]
set -euo pipefail
audioplay=$1
reps=${2:-5}
tests=$(dirname "$0")/../tests/engine
# shellcheck source=../tests/engine/pulseaudio_server.sh
source "$tests/pulseaudio_server.sh"
pulseaudio_work
export PULSE_SERVER=unix:$work/run/native

# measure NAME COMMAND...: one run, its figures appended to $work/NAME.
measure() {
  local name=$1
  shift
  pulseaudio_up "$work/run/native" "module-native-protocol-unix socket=$work/run/native" \
    "module-null-sink sink_name=out"
  pactl set-default-sink out
  parecord --latency-msec=20 -d out.monitor --file-format=wav "$work/rec.wav" &
  sleep 0.3
  "$@" >/dev/null 2>&1
  sleep 0.3
  pulseaudio_down
  python3 "$tests/recorded_sound.py" silence "$work/rec.wav" >>"$work/$name"
}

three_tones_as_sheet
files=("$work/part1.wav" "$work/part2.wav" "$work/part3.wav")
names=(audioplay gst-play gst-play-gapless audioplay-sheet)
command -v mpv >/dev/null && names+=(mpv-sheet)
for _ in $(seq "$reps"); do
  AUDIOPLAYER_SINK=pulse:out measure audioplay "$audioplay" --quiet "${files[@]}"
  measure gst-play gst-play-1.0 -q "${files[@]}"
  measure gst-play-gapless gst-play-1.0 -q --gapless "${files[@]}"
  AUDIOPLAYER_SINK=pulse:out measure audioplay-sheet "$audioplay" --quiet "$work/album.cue"
  if command -v mpv >/dev/null; then
    measure mpv-sheet mpv --no-config --really-quiet --no-video --ao=pulse "$work/album.cue"
  fi
done
echo "player: median longest silence (ms), median span (s; the tones: 4.5), runs"
for name in "${names[@]}"; do
  python3 -c '
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
print(f"{sys.argv[2]}: {statistics.median(float(r[0]) for r in rows):.1f} ms, "
      f"{statistics.median(float(r[1]) for r in rows):.3f} s, {len(rows)} runs")
' "$work/$name" "$name"
done
