#!/usr/bin/env bash
# Answers at run time whether this machine executes 32-bit x86 Linux programs, which 32-bit Wine
# (and so the tests of the shipped 32-bit programs) needs: some kernels do, others refuse them
# with "Exec format error". It writes a tiny static 32-bit ELF program of its own (no compiler
# needed) that exits with 42, and runs it.
#   probe-32bit.sh     exit 0 when it runs; else exit 1 and print the reason on one line
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir="$here/build"
mkdir -p "$dir"
probe=$(mktemp "$dir/.probe-32bit.XXXXXX")
trap 'rm -f "$probe"' EXIT

# ELF header (32-bit, little-endian, executable, i386, entry 0x08048054), one loadable segment
# at 0x08048000 covering the file, then: mov eax,1; mov ebx,42; int 0x80 (exit(42)).
printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
chmod +x "$probe"

error=$("$probe" 2>&1)
rc=$?
[ "$rc" = 42 ] && exit 0
reason=${error##*: }
echo "this machine does not execute 32-bit x86 programs (${reason:-exit code $rc})"
exit 1
