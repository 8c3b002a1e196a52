#!/usr/bin/env bash
# Renders examples/preview.png: a sample icon before the tool, after it, and
# its three variants, side by side (ImageMagick from Debian's "imagemagick").
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
icon="${1:-Fire}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$root/tools/demo.sh" "$scratch/icons" >/dev/null
cd "$scratch/icons"
# -auto-orient puts bottom-up TGA rows the right way up.
convert -background '#202020' "$root/examples/icons/$icon.tga" "$icon.tga" "DIS$icon.tga" \
  "PAS$icon.tga" "${icon}_Autocast.tga" -auto-orient -bordercolor '#202020' -border 6 \
  +append -scale 200% "$root/examples/preview.png"
echo "wrote $root/examples/preview.png"
