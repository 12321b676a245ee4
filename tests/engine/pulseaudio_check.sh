#!/usr/bin/env bash
# audioplay through a PulseAudio server of its own, with null sinks
# ("first", named; "second", the default; "spare", whose monitor is the
# default source, so that the recording of a sink that goes moves there)
# and two sockets, each sink's monitor recorded.
# A named sink that goes away mid-track, in two ways:
#   the sink is unloaded: the server moves the stream to the default sink;
#   the player's connection is dropped (its socket unloaded, as when the
#   server restarts): the player moves to the default output itself.
# Either way the tone is heard on "first" before and on "second" after,
# nothing of it is lost, and audioplay exits 0 at the end.
# Three files in a row: heard without a gap between them, in the time
# their lengths add up to.
#   pulseaudio_check.sh AUDIOPLAY
set -euo pipefail
audioplay=$1
work=$(mktemp -d)
server=
cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  pkill -f "parecord.*$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work XDG_RUNTIME_DIR=$work/run AUDIOPLAYER_LIBRARY=$work/library.db \
  AUDIOPLAYER_REGISTRY=$work/registry
mkdir -m 700 "$XDG_RUNTIME_DIR"
seconds=6
gst-launch-1.0 -q audiotestsrc num-buffers=$((seconds * 10)) samplesperbuffer=4410 \
  ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$work/tone.wav"

fail() {
  echo "pulseaudio_check: $*" >&2
  cat "$work/output" "$work/server.log" >&2 2>/dev/null || true
  exit 1
}
# await WHAT COMMAND...: until the command succeeds (300 tries of 0.1 s).
await() {
  local what=$1
  shift
  for _ in $(seq 300); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  fail "$what"
}
control() { PULSE_SERVER=unix:$work/run/b pactl "$@"; }
module_of() { control list short modules | awk -v arg="$1" '$0 ~ arg { print $1; exit }'; }
# Seconds of tone recorded in FILE so far (tenths of a second with a peak
# past 500) and the highest peak, read as the recorder writes it: the
# samples after "data".
tone_in() {
  python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"data", 12, 512)
raw = data[at + 8:] if at > 0 else b""
samples = struct.unpack(f"<{len(raw) // 2}h", raw[: len(raw) // 2 * 2])
step = 4410 * 2  # a tenth of a second of both channels at 44.1 kHz
peaks = [max(map(abs, samples[i : i + step])) for i in range(0, len(samples), step)]
print(sum(1 for peak in peaks if peak > 500) / 10, max(peaks, default=0))
' "$1"
}
# Whether FILE holds at least SECONDS of tone.
holds() { python3 -c 'import sys; sys.exit(float(sys.argv[1]) < float(sys.argv[3]))' $(tone_in "$1") "$2"; }

# A fresh server, and both sinks' monitors recorded.
server_up() {
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
    -L "module-native-protocol-unix socket=$work/run/a" \
    -L "module-native-protocol-unix socket=$work/run/b" \
    -L "module-null-sink sink_name=first" -L "module-null-sink sink_name=second" \
    -L "module-null-sink sink_name=spare" >"$work/server.log" 2>&1 &
  server=$!
  await "the sound server" control set-default-sink second
  control set-default-source spare.monitor
  rm -f "$work/first.wav" "$work/second.wav"
  for sink in first second; do
    PULSE_SERVER=unix:$work/run/b parecord --latency-msec=20 -d "$sink.monitor" \
      --file-format=wav "$work/$sink.wav" &
  done
}
server_down() {
  pkill -INT -f "parecord.*$work" || true
  sleep 0.5 # the recorders write their last samples
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=
}

# output_goes HOW: one play of the tone, its output taken away HOW once
# some of it is recorded on the first sink.
output_goes() {
  local how=$1
  server_up
  PULSE_SERVER="unix:$work/run/a unix:$work/run/b" AUDIOPLAYER_SINK=pulse:first \
    timeout 120 "$audioplay" --quiet "$work/tone.wav" >"$work/output" 2>&1 &
  local player=$!
  await "the tone on the first sink" holds "$work/first.wav" 0.5
  case $how in
  sink) control unload-module "$(module_of 'sink_name=first')" ;;
  connection) control unload-module "$(module_of "socket=$work/run/a")" ;;
  esac
  wait "$player" || fail "$how: audioplay exited with $?"
  server_down
  local first second
  first=$(tone_in "$work/first.wav")
  second=$(tone_in "$work/second.wav")
  echo "$how: seconds and peak on the first sink $first, on the second $second, of $seconds s"
  # The second sink plays it at the volume the first did, not its own.
  python3 -c 'import sys; f, p, s, q, n = map(float, sys.argv[1:]); sys.exit(not (f >= 0.5 and s >= 0.5 and f + s >= n - 0.5 and 0.8 < p / q < 1.25))' \
    $first $second "$seconds" || fail "$how: the tone is not heard whole, at one level, on the two sinks"
}

# Three tones of 1, 1.5 and 2 s, one after the other on the named sink: no
# silence longer than a millisecond between them (a player that opens each
# file after the last ended leaves about 40 ms), and about 4.5 s from the
# first sound to the last (a real-time sink may drop a few milliseconds to
# keep time on a busy machine; the recording output is held to the sample
# by the engine's own tests).
gapless() {
  local files=()
  for n in 1 2 3; do
    gst-launch-1.0 -q audiotestsrc num-buffers=$((n * 5 + 5)) samplesperbuffer=4410 \
      freq=$((300 + n * 100)) ! audio/x-raw,rate=44100,channels=2 ! wavenc \
      ! filesink location="$work/part$n.wav"
    files+=("$work/part$n.wav")
  done
  server_up
  PULSE_SERVER=unix:$work/run/b AUDIOPLAYER_SINK=pulse:first \
    timeout 120 "$audioplay" --quiet "${files[@]}" >"$work/output" 2>&1 || fail "gapless: audioplay exited with $?"
  server_down
  python3 -c '
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"data", 12, 512)
raw = data[at + 8 :] if at > 0 else b""
left = struct.unpack(f"<{len(raw) // 2}h", raw[: len(raw) // 2 * 2])[::2]
loud = [i for i, x in enumerate(left) if abs(x) > 2000]
if not loud:
    sys.exit("nothing heard")
gaps, run = [], 0
for x in left[loud[0] : loud[-1]]:
    if abs(x) < 100:
        run += 1
    else:
        if run > 44:  # a millisecond
            gaps.append(round(run / 44.1, 1))
        run = 0
span = (loud[-1] - loud[0]) / 44100
print(f"gapless: {span:.3f} s from the first sound to the last, silences (ms) {gaps}")
sys.exit(0 if not gaps and abs(span - 4.5) < 0.1 else 1)
' "$work/first.wav" || fail "gapless: the files are not heard one after the other without a gap"
}

output_goes sink
output_goes connection
gapless
