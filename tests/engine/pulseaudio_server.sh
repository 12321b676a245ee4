# Sourced: a PulseAudio server of a test's own, in $work (HOME and
# XDG_RUNTIME_DIR point there), and the tones the gap checks play.

# pulseaudio_work: $work, a scratch folder that is HOME and XDG_RUNTIME_DIR
# and holds the player's library and registry; it goes at exit, with the
# server and the recorders.
pulseaudio_work() {
  work=$(mktemp -d)
  server=
  trap pulseaudio_cleanup EXIT
  export HOME=$work XDG_RUNTIME_DIR=$work/run AUDIOPLAYER_LIBRARY=$work/library.db \
    AUDIOPLAYER_REGISTRY=$work/registry
  mkdir -m 700 "$XDG_RUNTIME_DIR"
}
pulseaudio_cleanup() {
  [[ -z $server ]] || kill "$server" 2>/dev/null || true
  pkill -f "parecord.*$work" 2>/dev/null || true
  rm -rf "$work"
}

# pulseaudio_up CONTROL_SOCKET MODULE...: starts the server with these
# modules (-L arguments), $server its process, once CONTROL_SOCKET answers.
pulseaudio_up() {
  local socket=$1
  shift
  local modules=()
  for module in "$@"; do modules+=(-L "$module"); done
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-target=stderr \
    "${modules[@]}" >"$work/server.log" 2>&1 &
  server=$!
  for _ in $(seq 300); do
    PULSE_SERVER=unix:$socket pactl info >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no sound server" >&2
  return 1
}

# pulseaudio_down: stops the recorders (they write their last samples
# first) and the server.
pulseaudio_down() {
  pkill -INT -f "parecord.*$work" || true
  sleep 0.5
  kill "$server"
  wait "$server" 2>/dev/null || true
  server=
}

# three_tones: $work/part1.wav .. part3.wav, 1, 1.5 and 2 s of 400, 500
# and 600 Hz: 4.5 s in all.
three_tones() {
  for n in 1 2 3; do
    gst-launch-1.0 -q audiotestsrc num-buffers=$((n * 5 + 5)) samplesperbuffer=4410 \
      freq=$((300 + n * 100)) ! audio/x-raw,rate=44100,channels=2 ! wavenc \
      ! filesink location="$work/part$n.wav"
  done
}

# three_tones_as_sheet: the three tones, and album.wav with a sheet naming
# them as its tracks: the 2 s tone, then the 1 s and the 1.5 s one (each
# track starts on a CD frame).
three_tones_as_sheet() {
  three_tones
  python3 - "$work" <<'PY'
import sys, wave
work = sys.argv[1]
parts = [wave.open(f"{work}/part{n}.wav") for n in (3, 1, 2)]
with wave.open(f"{work}/album.wav", "wb") as out:
    out.setparams(parts[0].getparams())
    for part in parts:
        out.writeframes(part.readframes(part.getnframes()))
PY
  printf '%s\r\n' 'FILE "album.wav" WAVE' '  TRACK 01 AUDIO' '    INDEX 01 00:00:00' \
    '  TRACK 02 AUDIO' '    INDEX 01 00:02:00' '  TRACK 03 AUDIO' '    INDEX 01 00:03:00' \
    >"$work/album.cue"
}
