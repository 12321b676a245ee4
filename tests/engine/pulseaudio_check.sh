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
# Three files in a row, a sheet's tracks and a disc image's: heard without
# a gap between them, in the time their lengths add up to.
#   pulseaudio_check.sh AUDIOPLAY
set -euo pipefail
audioplay=$1
here=$(dirname "$0")
# shellcheck source=pulseaudio_server.sh
source "$here/pulseaudio_server.sh"
pulseaudio_work
seconds=6
gst-launch-1.0 -q audiotestsrc num-buffers=$((seconds * 10)) samplesperbuffer=4410 \
  ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$work/tone.wav"

check=pulseaudio_check tries=300
# shellcheck source=../check_support.sh
source "$here/../check_support.sh"
control() { PULSE_SERVER=unix:$work/run/b pactl "$@"; }
module_of() { control list short modules | awk -v arg="$1" '$0 ~ arg { print $1; exit }'; }
tone_in() { python3 "$here/recorded_sound.py" tone "$1"; }
# Whether FILE holds at least SECONDS of tone.
holds() { python3 -c 'import sys; sys.exit(float(sys.argv[1]) < float(sys.argv[3]))' $(tone_in "$1") "$2"; }

# A fresh server, and both sinks' monitors recorded.
server_up() {
  pulseaudio_up "$work/run/b" "module-native-protocol-unix socket=$work/run/a" \
    "module-native-protocol-unix socket=$work/run/b" "module-null-sink sink_name=first" \
    "module-null-sink sink_name=second" "module-null-sink sink_name=spare" ||
    fail "the sound server"
  control set-default-sink second
  control set-default-source spare.monitor
  rm -f "$work/first.wav" "$work/second.wav"
  for sink in first second; do
    PULSE_SERVER=unix:$work/run/b parecord --latency-msec=20 -d "$sink.monitor" \
      --file-format=wav "$work/$sink.wav" &
  done
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
  pulseaudio_down
  local first second
  first=$(tone_in "$work/first.wav")
  second=$(tone_in "$work/second.wav")
  echo "$how: seconds and peak on the first sink $first, on the second $second, of $seconds s"
  # The second sink plays it at the volume the first did, not its own.
  python3 -c 'import sys; f, p, s, q, n = map(float, sys.argv[1:]); sys.exit(not (f >= 0.5 and s >= 0.5 and f + s >= n - 0.5 and 0.8 < p / q < 1.25))' \
    $first $second "$seconds" || fail "$how: the tone is not heard whole, at one level, on the two sinks"
}

# Three tones of 1, 1.5 and 2 s, one after the other on the named sink, as
# three files and as the tracks of a sheet over one file: no silence longer
# than a millisecond at the items' boundaries (a player that opens each
# item after the last ended leaves about 40 ms), and about 4.5 s from the
# first sound to the last (a real-time sink may drop a few milliseconds to
# keep time on a busy machine; the recording output is held to the sample
# by the engine's own tests). A dropout away from the boundaries is the
# machine's (the sink was not fed in time, and caught up by dropping as
# much as it missed): that run is played again, up to three runs.
#   gapless LABEL "BOUNDARY..." ITEM...   (boundaries in s from the start)
gapless() {
  local label=$1 boundaries=$2
  shift 2
  local run heard longest span at_boundary
  for run in 1 2 3; do
    server_up
    PULSE_SERVER=unix:$work/run/b AUDIOPLAYER_SINK=pulse:first timeout 120 "$audioplay" --quiet \
      "$@" >"$work/output" 2>&1 || fail "gapless $label: audioplay exited with $?"
    pulseaudio_down
    # shellcheck disable=SC2086 # the boundaries are separate arguments
    heard=$(python3 "$here/recorded_sound.py" silence "$work/first.wav" $boundaries)
    echo "gapless $label: longest silence (ms), span (s), where it starts (s)," \
      "longest silence at a boundary (ms): $heard"
    read -r longest span _ at_boundary <<<"$heard"
    python3 -c 'import sys; b, s = map(float, sys.argv[1:]); sys.exit(not (b <= 1 and abs(s - 4.5) < 0.1))' \
      "$at_boundary" "$span" || fail "gapless $label: the items are not heard one after the other without a gap"
    python3 -c 'import sys; sys.exit(float(sys.argv[1]) > 1)' "$longest" && return 0
    echo "gapless $label: a dropout away from the items' boundaries, run $run of 3"
  done
  fail "gapless $label: the sink dropped out in each of three runs"
}

output_goes sink
output_goes connection
three_tones_as_sheet
gapless files "1 2.5" "$work/part1.wav" "$work/part2.wav" "$work/part3.wav"
gapless sheet "2 3" "$work/album.cue"
# The tones as a disc image's tracks, the 1 s one first: a track's data is
# read a second ahead, so what follows a shorter track after the first is
# not queued in time and opens after it.
python3 - "$work" <<'PY'
import sys, wave
work = sys.argv[1]
with open(f"{work}/disc.bin", "wb") as disc:
    for n in (1, 3, 2):
        part = wave.open(f"{work}/part{n}.wav")
        disc.write(part.readframes(part.getnframes()))
PY
printf '%s\r\n' 'FILE "disc.bin" BINARY' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00' \
  '  TRACK 02 AUDIO' '    INDEX 01 00:01:00' '  TRACK 03 AUDIO' '    INDEX 01 00:03:00' \
  >"$work/disc.cue"
gapless disc "1 4" --cd "$work/disc.cue"
