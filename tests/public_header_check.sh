#!/usr/bin/env bash
# What the public header says of the library holds:
# - its version macros are the shared library's version, and the SONAME
#   carries their major version;
# - its environment section names every environment variable the library's
#   sources read, and each is read by a literal name (so that no wrapper
#   hides one).
#   public_header_check.sh SOURCE_DIR LIBRARY
set -euo pipefail
root=$1
library=$2
header=$root/include/audioplayer.h
failures=0
fail() {
  echo "public_header_check: $*" >&2
  failures=$((failures + 1))
}

version() { sed -n "s/^#define AUDIOPLAYER_VERSION_$1 \([0-9]*\)$/\1/p" "$header"; }
major=$(version MAJOR) minor=$(version MINOR) patch=$(version PATCH)
[[ -n $major && -n $minor && -n $patch ]] || fail "the header lacks a version macro"
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == "libaudioplayer.so.$major" ]] ||
  fail "SONAME $soname, but the header's major version is $major"
real=$(basename "$(readlink -f "$library")")
[[ $real == "libaudioplayer.so.$major.$minor.$patch" ]] ||
  fail "the library is $real, but the header says $major.$minor.$patch"

# The environment section: from its title to the next section's.
section=$(sed -n '/^\/\/ Environment: /,/^\/\/ Compatibility$/p' "$header")
[[ -n $section ]] || fail "the header has no environment section"
while IFS=: read -r file line call; do
  name=$(sed -n 's/.*getenv("\([A-Za-z_][A-Za-z0-9_]*\)").*/\1/p' <<<"$call")
  if [[ -z $name ]]; then
    fail "$file:$line reads the environment by a name that is no literal: $call"
  elif ! grep -qw -- "$name" <<<"$section"; then
    fail "$file:$line reads $name, which the header's environment section does not name"
  fi
done < <(grep -rnoE 'getenv\([^)]*\)' "$root/src" --include='*.cpp' --include='*.h')

if ((failures)); then
  exit 1
fi
echo "public_header_check: version $major.$minor.$patch is the library's; every variable read is named"
