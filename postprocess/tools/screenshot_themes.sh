#!/usr/bin/env bash
# Looks at the shipped gallery themes the way a person would: builds a 21-picture gallery with
# each theme (from made-up landscapes, through the real program) and saves headless browser
# screenshots of its two pages. Not part of the test suite; installs Debian's chromium when missing.
#
#   postprocess/tools/screenshot_themes.sh [output folder]      # default: build/theme-shots
#   SAMPLES=1 postprocess/tools/screenshot_themes.sh            # also renews each theme's sample.jpg
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="${VORNALT_BUILD_DIR:-$root/build}"
shots="${1:-$build/theme-shots}"
work="$build/theme-shots-work"

if ! command -v chromium >/dev/null; then
  echo "screenshot_themes: installing chromium"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends chromium >/dev/null
fi
"$root/scripts/build" vornalt >/dev/null
program="$build/app/vornalt"

rm -rf "$work"
mkdir -p "$work/views" "$shots"
python3 "$root/postprocess/tools/draw_theme_art.py" --samples "$work/views" 21

screenshot() { # page, png
  local profile
  profile=$(mktemp -d)
  chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" --hide-scrollbars \
    --window-size=1280,1000 --screenshot="$2" "file://$1" >/dev/null 2>&1
  rm -rf "$profile"
}

for theme_folder in "$root"/data/gallery_themes/*/; do
  theme=$(basename "$theme_folder")
  gallery="$work/gallery-$theme"
  outputs="$work/out-$theme"
  mkdir -p "$gallery" "$outputs"
  cat >"$work/$theme.stack" <<STACK
<?xml version="1.0" encoding="utf-8" ?>
<stack>
    <action type="builtin__resizeimage"><aspectedge>width</aspectedge><width>360</width><height>270</height></action>
    <action type="builtin__savefile">
        <destfiletype>2</destfiletype><destfolder>$outputs</destfolder><filenametemplate>%o</filenametemplate>
    </action>
    <action type="builtin_imagegallery">
        <theme>$theme</theme><destinationdir>$gallery</destinationdir><thumbsperpage>20</thumbsperpage>
        <title>Hills &amp; Valleys</title>
        <description>A summer of walks, drawn by a small script &#8212; 21 views.</description>
    </action>
</stack>
STACK
  "$program" -s "$work/$theme.stack" -d "$work/views" || { echo "screenshot_themes: the run for $theme failed"; exit 1; }
  screenshot "$gallery/index.html" "$shots/$theme-index.png"
  screenshot "$gallery/index2.html" "$shots/$theme-index2.png"
  echo "$theme: $shots/$theme-index.png $shots/$theme-index2.png"

  if [[ "${SAMPLES:-0}" == 1 ]]; then
    mkdir -p "$work/sample-$theme"
    cp "$shots/$theme-index.png" "$work/sample-$theme/sample.png"
    cat >"$work/sample-$theme.stack" <<STACK
<?xml version="1.0" encoding="utf-8" ?>
<stack>
    <action type="builtin__resizeimage"><aspectedge>width</aspectedge><width>400</width><height>312</height></action>
    <action type="builtin__savefile">
        <destfiletype>2</destfiletype><destfolder>$theme_folder</destfolder><filenametemplate>sample</filenametemplate>
        <compressionquality>85</compressionquality>
    </action>
</stack>
STACK
    "$program" -s "$work/sample-$theme.stack" -f "$work/sample-$theme/sample.png"
    echo "$theme: ${theme_folder}sample.jpg"
  fi
done
