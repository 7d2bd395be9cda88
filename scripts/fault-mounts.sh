#!/usr/bin/env bash
# Makes (setup) or removes (teardown) the small filesystems the fault tests
# write to: build/fault/full, a 96 KiB tmpfs (a full disk for any real
# picture), and build/fault/readonly, a read-only tmpfs holding one file.
# Needs root (mount); without it the tests that use them skip.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
fault="$root/build/fault"

case "${1:-}" in
  setup)
    mkdir -p "$fault/full" "$fault/readonly"
    if ! mountpoint -q "$fault/full"; then
      mount -t tmpfs -o size=96k tmpfs "$fault/full" 2>/dev/null || { echo "fault mounts: cannot mount (not root?); those tests will skip"; exit 0; }
    fi
    if ! mountpoint -q "$fault/readonly"; then
      mount -t tmpfs -o size=256k tmpfs "$fault/readonly" || exit 0
      printf 'a file that must survive\n' >"$fault/readonly/existing.bmp"
      mount -o remount,ro "$fault/readonly"
    fi
    ;;
  teardown)
    for m in "$fault/full" "$fault/readonly"; do
      mountpoint -q "$m" && umount "$m"
    done
    ;;
  *) echo "usage: $0 setup|teardown" >&2; exit 2 ;;
esac
exit 0
