#!/usr/bin/env bash
# Runs three batch jobs over a folder of photographs with vornalt and with the tools a user would
# otherwise pick, and prints each job's wall time, CPU time and peak memory side by side:
#
#   A  fit to 1024 pixels wide (height follows the ratio), save JPEG quality 85
#   B  rotate 90 degrees clockwise, sharpen, brighten by a tenth, save JPEG quality 85
#   C  20-pixel white border, save PNG
#
# vornalt runs each job as one stack over all the files (bench/batch/*.stack). ImageMagick and
# GraphicsMagick run one mogrify per job; vips runs one vipsthumbnail for A and a loop of `vips`
# calls for B and C (the command line cannot chain operations, so B passes .v files between
# steps). Every tool uses all cores, its default; metadata is stripped everywhere. Outputs go to
# a temporary folder, and their pixel sizes are checked against vornalt's.
#
#   bench/run_batch.sh [folder]     (default: ../shared/bench-corpus, read-only)
#
# Then the same jobs run over a bigger case: four 40-60 megapixel photographs made at run time
# from the four largest of the folder (enlarged by vips, JPEG quality 92), where peak memory
# tells most. BIG=0 skips it.
#
# Environment: VORNALT_BUILD_DIR (default build/), RUNS (default 1; the fastest run counts),
# KEEP=1 keeps the outputs, TOOLS picks the tools (default "vornalt ImageMagick GraphicsMagick vips"),
# QUALITY=0 skips the PSNR of job A.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
default_corpus=$root/../shared/bench-corpus
[[ -d "$default_corpus" ]] || default_corpus=/work/shared/bench-corpus
corpus=$(cd "${1:-$default_corpus}" && pwd)
build="${VORNALT_BUILD_DIR:-$root/build}"
runs=${RUNS:-1}

read -r -a tools <<<"${TOOLS:-vornalt ImageMagick GraphicsMagick vips}"

"$root/bench/setup"
vornalt=""
if [[ " ${tools[*]} " == *" vornalt "* ]]; then
  if ! VORNALT_BUILD_DIR="$build" "$root/scripts/build" vornalt >"${TMPDIR:-/tmp}/bench-batch-build.log" 2>&1; then
    tail -n 30 "${TMPDIR:-/tmp}/bench-batch-build.log" >&2
    echo "run_batch: building vornalt failed" >&2
    exit 1
  fi
  vornalt=$(find "$build" -type f -name vornalt -perm -u+x | head -n 1)
  [[ -n "$vornalt" ]] || { echo "run_batch: no vornalt program under $build" >&2; exit 1; }
fi

mapfile -t images < <(cd "$corpus" && find . -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' \) \
                          -printf '%f\n' | LC_ALL=C sort)
[[ ${#images[@]} -gt 0 ]] || { echo "run_batch: no JPEG or PNG files in $corpus" >&2; exit 1; }

work=$(mktemp -d /tmp/bench-batch-XXXXXX)
if [[ "${KEEP:-0}" == 1 ]]; then
  echo "outputs kept in $work"
else
  trap 'rm -rf "$work"' EXIT
fi

# Pixel sizes, read once outside the timed runs (the vips border needs them).
declare -A width height
while read -r name w h; do
  width[$name]=$w
  height[$name]=$h
done < <(cd "$corpus" && for f in "${images[@]}"; do echo "$f $(vipsheader -f width "$f" 2>/dev/null) $(vipsheader -f height "$f" 2>/dev/null)"; done)
megapixels=$(for f in "${images[@]}"; do echo "${width[$f]} ${height[$f]}"; done | awk '{ s += $1 * $2 } END { printf "%.1f", s / 1e6 }')

cat "${images[@]/#/$corpus/}" >/dev/null  # warm the page cache for everyone alike

# Each job × tool: a command run in the corpus folder with OUT set to an empty output folder.
# "$@" of a command is the list of images.
vornalt_job() {  # stack, images
  sed "s|@OUTPUT@|$OUT|" "$root/bench/batch/$1" >"$work/job.stack"
  shift
  local args=() f
  for f in "$@"; do args+=("$corpus/$f"); done
  "$vornalt" -s "$work/job.stack" -f "${args[@]}"
}

run_A_vornalt() { vornalt_job fit1024.stack "$@"; }
run_A_ImageMagick() { /usr/bin/mogrify -path "$OUT" -format jpg -strip -resize 1024x -quality 85 "$@"; }
run_A_GraphicsMagick() { gm mogrify -output-directory "$OUT" -format jpg +profile '*' -resize 1024x -quality 85 "$@"; }
run_A_vips() { vipsthumbnail --size 1024x -o "$OUT/%s.jpg[Q=85,strip]" "$@"; }

run_B_vornalt() { vornalt_job rotate-sharpen-brighten.stack "$@"; }
run_B_ImageMagick() {
  /usr/bin/mogrify -path "$OUT" -format jpg -strip -rotate 90 -unsharp 0x1+0.8+0 -evaluate add 10% -quality 85 "$@"
}
run_B_GraphicsMagick() {
  gm mogrify -output-directory "$OUT" -format jpg +profile '*' -rotate 90 -unsharp 0x1+0.8+0 -operator all add 10% \
    -quality 85 "$@"
}
run_B_vips() {
  local f
  for f in "$@"; do
    vips rot "$f" "$OUT/turned.v" d90 &&
      vips sharpen "$OUT/turned.v" "$OUT/sharp.v" --sigma 1 &&
      vips linear "$OUT/sharp.v" "$OUT/${f%.*}.jpg[Q=85,strip]" 1 25.5 --uchar || return 1
  done
  rm -f "$OUT/turned.v" "$OUT/sharp.v"
}

run_C_vornalt() { vornalt_job border-png.stack "$@"; }
run_C_ImageMagick() { /usr/bin/mogrify -path "$OUT" -format png -strip -bordercolor white -border 20 "$@"; }
run_C_GraphicsMagick() { gm mogrify -output-directory "$OUT" -format png +profile '*' -bordercolor white -border 20 "$@"; }
run_C_vips() {
  local f
  for f in "$@"; do
    vips embed "$f" "$OUT/${f%.*}.png[strip]" 20 20 $((width[$f] + 40)) $((height[$f] + 40)) \
      --extend background --background "255 255 255" || return 1
  done
}

export -f vornalt_job run_A_vornalt run_B_vornalt run_C_vornalt run_A_ImageMagick run_B_ImageMagick run_C_ImageMagick \
  run_A_GraphicsMagick run_B_GraphicsMagick run_C_GraphicsMagick run_A_vips run_B_vips run_C_vips
export root work corpus vornalt

declare -A wall cpu peak bytes status

# Times one job of one tool RUNS times; the fastest run's figures are kept. The width and height
# tables do not cross `export`, so they travel as a declaration.
measure() {  # job tool
  local job=$1 tool=$2 run best=""
  for ((run = 1; run <= runs; ++run)); do
    OUT="$work/$job/$tool"
    rm -rf "$OUT" && mkdir -p "$OUT"
    if ! (cd "$corpus" && OUT="$OUT" /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
            bash -c "$(declare -p width height); run_${job}_${tool} \"\$@\"" run "${images[@]}" \
            >"$work/$job-$tool.log" 2>&1); then
      status[$job,$tool]="failed (see below)"
      echo "== $tool, job $job failed; its output:" >&2
      tail -n 20 "$work/$job-$tool.log" >&2
      return
    fi
    read -r w u s m < <(tail -n 1 "$work/time")
    if [[ -z "$best" ]] || awk -v a="$w" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$w
      wall[$job,$tool]=$w
      cpu[$job,$tool]=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
      peak[$job,$tool]=$(awk -v m="$m" 'BEGIN { printf "%.0f", m / 1024 }')
    fi
  done
  bytes[$job,$tool]=$(du -sb "$work/$job/$tool" | awk '{ printf "%.1f", $1 / 1e6 }')
  status[$job,$tool]=ok
}

# Compares every output's pixel size with the first tool's (vornalt's): all equal, or how many
# differ by one pixel in one side (vornalt truncates the side that follows the ratio, the peers
# round it) and how many differ more.
check_sizes() {  # job tool
  local job=$1 tool=$2 first=${tools[0]}
  [[ "$tool" == "$first" || "${status[$job,$first]:-}" != ok || "${status[$job,$tool]}" != ok ]] && return
  local counts
  counts=$(LC_ALL=C join <(cd "$work/$job/$first" && list_sizes) <(cd "$work/$job/$tool" && list_sizes) -a 1 -e missing -o 0,1.2,1.3,2.2,2.3 |
    awk '$4 == "missing" { other++; next }
         { d = ($2 > $4 ? $2 - $4 : $4 - $2) + ($3 > $5 ? $3 - $5 : $5 - $3) }
         d == 0 { same++ } d == 1 { one++ } d > 1 { other++; print $0 > "/dev/stderr" }
         END { printf "%d %d %d", same, one, other }' 2>>"$work/size-notes")
  read -r same one other <<<"$counts"
  if [[ "$one" == 0 && "$other" == 0 ]]; then
    sizes[$job,$tool]="all $same agree"
  else
    sizes[$job,$tool]="$same agree, $one off by 1 px"
    [[ "$other" == 0 ]] || sizes[$job,$tool]+=", $other differ"
  fi
}
list_sizes() {
  local f
  for f in *; do echo "$f $(vipsheader -f width "$f" 2>/dev/null) $(vipsheader -f height "$f" 2>/dev/null)"; done | LC_ALL=C sort
}

# Job A's quality: the PSNR of each tool's outputs against a reference made by ImageMagick from
# the whole decoded picture with a Lanczos filter, at the first tool's sizes, over the images
# whose size every tool agrees on. The reference shares ImageMagick's (and GraphicsMagick's)
# filter, which favours them by about a dB.
measure_quality() {
  local first=${tools[0]} f name size tool common=()
  [[ "${QUALITY:-1}" == 1 && "${status[A,$first]:-}" == ok ]] || return 0
  mkdir -p "$work/reference"
  for f in "${images[@]}"; do
    name=${f%.*}.jpg
    [[ -f "$work/A/$first/$name" ]] || continue
    size=$(vipsheader -f width "$work/A/$first/$name" 2>/dev/null)x$(vipsheader -f height "$work/A/$first/$name" 2>/dev/null)
    for tool in "${tools[@]}"; do
      [[ "${status[A,$tool]}" != ok ||
         "$(vipsheader -f width "$work/A/$tool/$name" 2>/dev/null)x$(vipsheader -f height "$work/A/$tool/$name" 2>/dev/null)" == "$size" ]] ||
        continue 2
    done
    /usr/bin/convert "$corpus/$f" -filter Lanczos -resize "$size!" "$work/reference/${f%.*}.png" 2>/dev/null
    common+=("${f%.*}")
  done
  for tool in "${tools[@]}"; do
    [[ "${status[A,$tool]}" == ok ]] || continue
    quality[$tool]=$(for name in "${common[@]}"; do
      /usr/bin/compare -metric PSNR "$work/A/$tool/$name.jpg" "$work/reference/$name.png" null: 2>&1 | awk '{ print $1 }' || true
    done | awk '$1 + 0 > 0 { s += $1; n++ } END { if (n) printf "%.2f dB over %d images", s / n, n }')
  done
}
declare -A quality
declare -A sizes

describe() {
  case $1 in
  A) echo "A: fit to 1024 wide, JPEG quality 85" ;;
  B) echo "B: rotate 90, sharpen, brighten, JPEG quality 85" ;;
  C) echo "C: 20-pixel white border, PNG" ;;
  esac
}

echo "vornalt batch benchmark: ${#images[@]} images, $megapixels megapixels, from $corpus"
echo "$(nproc) cores; $(/usr/bin/convert -version | head -n 1 | cut -d' ' -f2-3), $(gm version | head -n 1 | cut -d' ' -f1-2), $(vips --version)"
: >"$work/size-notes"
for job in A B C; do
  for tool in "${tools[@]}"; do
    measure "$job" "$tool"
    check_sizes "$job" "$tool"
  done
  fastest=""
  for tool in "${tools[@]}"; do
    [[ "$tool" != vornalt && "${status[$job,$tool]}" == ok ]] || continue
    if [[ -z "$fastest" ]] || awk -v a="${wall[$job,$tool]}" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then
      fastest=${wall[$job,$tool]}
    fi
  done
  if [[ "$job" == A ]]; then measure_quality; fi
  echo
  describe "$job"
  printf '  %-15s %8s %8s %9s %13s %10s  %s\n' tool "wall s" "CPU s" "peak MB" "wall/fastest" "output MB" "pixel sizes"
  for tool in "${tools[@]}"; do
    if [[ "${status[$job,$tool]}" != ok ]]; then
      printf '  %-15s %s\n' "$tool" "${status[$job,$tool]}"
      continue
    fi
    ratio=$(awk -v a="${wall[$job,$tool]}" -v b="${fastest:-0}" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "-" }')
    printf '  %-15s %8s %8s %9s %13s %10s  %s\n' "$tool" "${wall[$job,$tool]}" "${cpu[$job,$tool]}" \
      "${peak[$job,$tool]}" "$ratio" "${bytes[$job,$tool]}" "${sizes[$job,$tool]:-reference}"
    if [[ "$job" == A && -n "${quality[$tool]:-}" ]]; then
      printf '  %-15s %s\n' "" "PSNR against the reference: ${quality[$tool]}"
    fi
  done
done
if [[ -s "$work/size-notes" ]]; then
  echo
  echo "Outputs whose size differs by more than a pixel (name, first tool's size, other's size):"
  head -n 20 "$work/size-notes"
fi

# The bigger case: the four largest pictures enlarged to about 50 megapixels each.
if [[ "${BIG:-1}" == 1 ]]; then
  big=$(mktemp -d /tmp/bench-batch-big-XXXXXX)
  trap 'rm -rf "$work" "$big"' EXIT
  [[ "${KEEP:-0}" == 1 ]] && trap 'rm -rf "$big"' EXIT
  for f in $(for f in "${images[@]}"; do echo "$((width[$f] * height[$f])) $f"; done | sort -rn | head -n 4 | cut -d' ' -f2); do
    scale=$(awk -v p="$((width[$f] * height[$f]))" 'BEGIN { printf "%.4f", sqrt(50e6 / p) }')
    vips resize "$corpus/$f" "$big/big-${f%.*}.jpg[Q=92,strip]" "$scale"
  done
  echo
  echo "=== bigger case"
  BIG=0 "$0" "$big"
fi