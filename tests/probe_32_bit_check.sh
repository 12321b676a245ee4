#!/usr/bin/env bash
# The Windows check skips its 32-bit runs only when the kernel refuses a
# 32-bit program; every other failure of the probe must fail the check.
#   probe_32_bit_check.sh PROBE
set -euo pipefail
probe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# elf CLASS MACHINE FILE: an executable ELF header, 32-bit (class 1) or
# 64-bit (2), for a machine number no kernel runs, so that the kernel
# answers as one without 32-bit support answers for i386.
byte() { printf "\\x$(printf %02x "$1")"; }
elf() {
  local class=$1 machine=$2 file=$3
  {
    printf '\x7fELF'
    byte "$class"
    printf '\x01\x01\x00'
    printf '\x00%.0s' {1..8}
    printf '\x02\x00'
    byte $((machine & 255))
    byte $((machine >> 8))
    printf '\x01\x00\x00\x00'
    printf '\x00%.0s' {1..64}
  } >"$file"
  chmod +x "$file"
}
elf 1 0xbeef "$work/refused32"
elf 2 0xbeef "$work/refused64"
printf '#!/bin/sh\nexit 0\n' >"$work/script"
chmod +x "$work/script"

failures=0
# expect STATUS WHAT PROGRAM...
expect() {
  local wanted=$1 what=$2 status=0
  shift 2
  "$probe" "$@" >"$work/said" 2>&1 || status=$?
  if ((status != wanted)); then
    echo "probe_32_bit_check: $what: status $status, wanted $wanted" >&2
    cat "$work/said" >&2
    failures=$((failures + 1))
  fi
}
expect 3 "a 32-bit program the kernel refuses" "$work/refused32"
grep -q 'runs no 32-bit programs' "$work/said" ||
  { echo "probe_32_bit_check: the skip is not said" >&2; failures=$((failures + 1)); }
expect 1 "a 64-bit program the kernel refuses" "$work/refused64"
expect 1 "a missing program" "$work/absent"
expect 1 "a script, not an ELF program" "$work/script"
expect 2 "no program named"

# A 32-bit program that runs: only where the kernel runs 32-bit programs,
# and only where an assembler for i386 is at hand.
if command -v as >/dev/null && command -v ld >/dev/null; then
  printf '.globl _start\n_start: movl $1, %%eax\n movl $%s, %%ebx\n int $0x80\n' 0 >"$work/ok.s"
  printf '.globl _start\n_start: movl $1, %%eax\n movl $%s, %%ebx\n int $0x80\n' 7 >"$work/fails.s"
  for program in ok fails; do
    as --32 "$work/$program.s" -o "$work/$program.o" && ld -m elf_i386 "$work/$program.o" -o "$work/$program"
  done
  if "$work/ok" 2>/dev/null; then
    expect 0 "a 32-bit program that runs" "$work/ok"
    expect 1 "a 32-bit program that runs and fails" "$work/fails"
  else
    expect 3 "a real 32-bit program on a kernel without 32-bit support" "$work/ok"
  fi
fi

if ((failures)); then
  exit 1
fi
echo "probe_32_bit_check: every case as expected"
