#!/usr/bin/env bash
# The silence between files, heard through a real PulseAudio server: three
# tones of 1, 1.5 and 2 s played as one list to a null sink whose monitor is
# recorded, for audioplay and for gst-play-1.0 (without and with its
# --gapless), REPS times each, in turn (A B C A B C ...). For each run: the
# longest silence between the first sound and the last, and that span
# (4.5 s is the files' length); then the medians per player.
#   bench/gap_pulseaudio.sh AUDIOPLAY [REPS]
set -euo pipefail
audioplay=$1
reps=${2:-5}
tests=$(dirname "$0")/../tests/engine
# shellcheck source=../tests/engine/pulseaudio_server.sh
source "$tests/pulseaudio_server.sh"
pulseaudio_work
export PULSE_SERVER=unix:$work/run/native
three_tones

# measure NAME COMMAND...: one run, its figures appended to $work/NAME.
measure() {
  local name=$1
  shift
  pulseaudio_up "$work/run/native" "module-native-protocol-unix socket=$work/run/native" \
    "module-null-sink sink_name=out"
  pactl set-default-sink out
  parecord --latency-msec=20 -d out.monitor --file-format=wav "$work/rec.wav" &
  sleep 0.3
  "$@" "$work/part1.wav" "$work/part2.wav" "$work/part3.wav" >/dev/null 2>&1
  sleep 0.3
  pulseaudio_down
  python3 "$tests/recorded_sound.py" silence "$work/rec.wav" >>"$work/$name"
}

for _ in $(seq "$reps"); do
  AUDIOPLAYER_SINK=pulse:out measure audioplay "$audioplay" --quiet
  measure gst-play gst-play-1.0 -q
  measure gst-play-gapless gst-play-1.0 -q --gapless
done
echo "player: median longest silence (ms), median span (s; the files: 4.5), runs"
for name in audioplay gst-play gst-play-gapless; do
  python3 -c '
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
print(f"{sys.argv[2]}: {statistics.median(float(r[0]) for r in rows):.1f} ms, "
      f"{statistics.median(float(r[1]) for r in rows):.3f} s, {len(rows)} runs")
' "$work/$name" "$name"
done
