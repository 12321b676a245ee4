# Sourced by the whole-process benchmarks: a scratch folder ($work, removed
# on exit) with its own library and registry, pink noise of the length
# given (44.1 kHz stereo) as $work/source.wav, and `encode KIND` writing it
# as $work/a.KIND (flac, mp3, ogg, m4a or opus) and adding it to the library.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export AUDIOPLAYER_SINK=fake AUDIOPLAYER_LIBRARY=$work/library.db AUDIOPLAYER_REGISTRY=$work/registry
make_pink() { # make_pink SECONDS
  ffmpeg -v error -f lavfi -i "anoisesrc=d=$1:c=pink:a=0.3" -ac 2 -ar 44100 "$work/source.wav"
}
declare -A encoders=([flac]="-c:a flac" [mp3]="-c:a libmp3lame -q:a 2" [ogg]="-c:a libvorbis"
  [m4a]="-c:a aac -b:a 192k" [opus]="-c:a libopus -b:a 128k")
encode() { # encode KIND
  # shellcheck disable=SC2086
  ffmpeg -v error -i "$work/source.wav" ${encoders[$1]} "$work/a.$1"
  "$audioplay" --quiet --output-file "$work/out.wav" "$work/a.$1" >/dev/null # into the library
}
