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
work=$(mktemp -d)
server=
cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  pkill -f "parecord.*$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work XDG_RUNTIME_DIR=$work/run AUDIOPLAYER_LIBRARY=$work/library.db \
  AUDIOPLAYER_REGISTRY=$work/registry PULSE_SERVER=unix:$work/run/native
mkdir -m 700 "$XDG_RUNTIME_DIR"
files=()
for n in 1 2 3; do
  gst-launch-1.0 -q audiotestsrc num-buffers=$((n * 5 + 5)) samplesperbuffer=4410 \
    freq=$((300 + n * 100)) ! audio/x-raw,rate=44100,channels=2 ! wavenc \
    ! filesink location="$work/part$n.wav"
  files+=("$work/part$n.wav")
done

# measure NAME COMMAND...: one run, its figures appended to $work/NAME.
measure() {
  local name=$1
  shift
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    -L "module-native-protocol-unix socket=$work/run/native" \
    -L "module-null-sink sink_name=out" >/dev/null 2>&1 &
  server=$!
  for _ in $(seq 100); do pactl set-default-sink out 2>/dev/null && break; sleep 0.1; done
  parecord --latency-msec=20 -d out.monitor --file-format=wav "$work/rec.wav" &
  sleep 0.3
  "$@" "${files[@]}" >/dev/null 2>&1
  sleep 0.3
  pkill -INT -f "parecord.*$work" || true
  sleep 0.3
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=
  python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"data", 12, 512)
raw = data[at + 8 :] if at > 0 else b""
left = struct.unpack(f"<{len(raw) // 2}h", raw[: len(raw) // 2 * 2])[::2]
loud = [i for i, x in enumerate(left) if abs(x) > 2000]
longest = run = 0
for x in left[loud[0] : loud[-1]]:
    run = run + 1 if abs(x) < 100 else 0
    longest = max(longest, run)
print(f"{longest / 44.1:.1f} {(loud[-1] - loud[0]) / 44100:.3f}")
' "$work/rec.wav" >>"$work/$name"
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
