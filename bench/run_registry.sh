#!/usr/bin/env bash
# Builds bench_registry and prints the time of one registry call (set, enumerate, query by name,
# open) under a key of 100, 1,000 and 10,000 values, each count in a fresh store under /tmp.
# A write replaces the whole file and makes it durable, so its time includes an fsync.
#
#   bench/run_registry.sh [count...]     (default: 100 1000 10000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VORNALT_BUILD_DIR:-$root/build}"

if ! VORNALT_BUILD_DIR="$build" "$root/scripts/build" bench_registry >"${TMPDIR:-/tmp}/bench-registry-build.log" 2>&1; then
  tail -n 30 "${TMPDIR:-/tmp}/bench-registry-build.log" >&2
  echo "run_registry: building bench_registry failed" >&2
  exit 1
fi
"$build/bench/bench_registry" "$@"
