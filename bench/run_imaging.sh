#!/usr/bin/env bash
# Builds bench_imaging and times it against the peers installed from Debian: the same road
# (load, fit within 1024 x 1024, JPEG quality 85) over the same folder, outputs in a temporary
# folder. Peers run one process per image, single-threaded, as a batch script would call them.
#
#   bench/run_imaging.sh [folder]     (default: ../shared/bench-corpus, read-only)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-$root/../shared/bench-corpus}
build="${VORNALT_BUILD_DIR:-$root/build}"

VORNALT_BUILD_DIR="$build" "$root/scripts/build" bench_imaging >/dev/null
"$build/bench/bench_imaging" "$corpus"

export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1
out=$(mktemp -d /tmp/bench-imaging-peers-XXXXXX)
trap 'rm -rf "$out"' EXIT
mapfile -t images < <(find "$corpus" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' -o -iname '*.gif' -o -iname '*.bmp' \) | sort)

run_peer() {  # name, command template with IN and OUT
  local name=$1 template=$2 start end
  start=$(date +%s.%N)
  for input in "${images[@]}"; do
    local target="$out/$(basename "${input%.*}").jpg"
    eval "${template//IN/\"\$input\"}" >/dev/null 2>&1 <<<"" || echo "$name: failed on $input" >&2
  done
  end=$(date +%s.%N)
  awk -v n="${#images[@]}" -v s="$start" -v e="$end" -v name="$name" \
    'BEGIN { t = e - s; printf "%s: total %.3f s, %.2f images/s\n", name, t, n / t }'
}

peer() {  # name, probe command that must succeed and print the peer's name, command template
  if bash -c "$2" 2>/dev/null | grep -qi "$1"; then
    run_peer "$1" "$3"
  else
    echo "$1: missing (install its Debian package to compare)"
  fi
}

# Probes check the real program: a stand-in of the same name does not count.
peer "GraphicsMagick" 'gm version' 'gm convert IN -resize 1024x1024 -quality 85 "$target"'
peer "ImageMagick" 'convert -version' 'convert IN -resize 1024x1024 -quality 85 "$target"'
peer "vips" 'vipsthumbnail --version' 'vipsthumbnail IN --size 1024x1024 -o "$target[Q=85]"'
