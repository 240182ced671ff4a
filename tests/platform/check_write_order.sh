#!/bin/sh
# Replaces an existing output under strace and checks the order that keeps a
# crash or a power cut from leaving half a file under the output's name:
# every byte of the new file is written before it is flushed to disk (fsync),
# and only then does it take the output's name. Exits 77, skipped, where
# strace is missing or may not trace.
#
#   check_write_order.sh PROGRAM
set -eu
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
command -v strace >/dev/null || { echo "no strace (package strace)"; exit 77; }
strace -o /dev/null true 2>/dev/null || { echo "strace may not trace here"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
# A document small enough to wait in a write buffer.
printf 'first\r\n\r\nsecond\r\n' >source.txt
printf 'old\r\n' >'source(字幕).utf'
# LeakSanitizer cannot work under ptrace; the sanitizer build's other checks can.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    strace -f -qq -o trace -e trace=open,openat,creat,write,pwrite64,writev,fsync,fdatasync,rename,renameat,renameat2,link,linkat \
    "$program" --convert --overwrite source.txt
awk '
    function fail(why) { print "check_write_order: " why ": " $0; bad = 1; exit 1 }
    # The new file: unnamed in the output folder, or a new file named after the output.
    / (open|openat|creat)\(/ && (/O_TMPFILE/ || (/O_CREAT/ && /\/source\(/)) && $NF ~ /^[0-9]+$/ {
        fd = $NF; written = synced = named = 0; next
    }
    fd == "" { next }
    $0 ~ "^[0-9]+ +(write|pwrite64|writev)\\(" fd "," { if (synced) fail("written after fsync"); written = 1 }
    $0 ~ "^[0-9]+ +(fsync|fdatasync)\\(" fd "\\)" { synced = 1 }
    / (link|linkat|rename|renameat|renameat2)\(/ { if (!synced) fail("named before fsync"); named = 1 }
    END {
        if (bad) exit 1
        if (!written || !synced || !named) { print "check_write_order: written " written ", flushed " synced ", named " named; exit 1 }
        print "check_write_order: written, flushed to disk, then named"
    }' trace
