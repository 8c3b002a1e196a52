#!/usr/bin/env bash
# The preview page in a real browser. Runs the tool with --preview on a
# scratch copy of the sample icons, checks that the page names nothing
# outside itself, opens it in Debian's chromium without a display (a wide
# window and a phone-sized one), and checks on each screenshot that every
# picture of the page is drawn where it stands, pixel for pixel
# (tests/browser/screenshot_check.cpp), and in the browser's network log
# that the page made no request.
# Usage: tools/test-browser.sh [BUILD_DIR]   (default: build-test/release)
# SAVE_SCREENSHOT=1 also copies the wide screenshot to examples/preview-page.png.
set -Eeuo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/tools/lib.sh"
trap 'echo "test-browser.sh: stopped: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR
fail() {
  echo "test-browser.sh: $*" >&2
  exit 1
}

"$root/tools/install-deps.sh" cmake make g++ libgtest-dev libpng-dev pkg-config libdeflate-dev libstb-dev \
  chromium python3
build="${1:-$root/build-test/release}"
echo "-- building the tool and the screenshot check in $build"
quietly cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBD_WERROR=ON
quietly cmake --build "$build" -j"$(nproc)" --target button-disabler screenshot_check
[ -x "$build/tests/screenshot_check" ] || fail "no screenshot check was built: is libpng-dev installed?"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/bd-browser-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/icons"
cp "$root"/examples/icons/* "$scratch/icons/"
echo "-- the tool with --preview on the sample icons in $scratch/icons"
(cd "$scratch/icons" && "$build/button-disabler" --no-wait --preview >"$scratch/run.txt") ||
  fail "the tool failed: $(cat "$scratch/run.txt")"
grep -qx 'Preview: "button-disabler-preview.html"' "$scratch/run.txt" ||
  fail "the tool printed no line for the page: $(cat "$scratch/run.txt")"
page="$scratch/icons/button-disabler-preview.html"

# Pictures are inlined; nothing else may name an address (Base64 may hold
# "//", so the pictures go first).
sed -E 's#src="data:image/png;base64,[A-Za-z0-9+/=]*"#src=""#g' "$page" >"$scratch/bare.html"
if grep -noiE 'https?:|ftp:|//|url\(|@import|<script|<link|<iframe|<object|<embed|srcset|href=|src="[^"]' \
  "$scratch/bare.html"; then
  fail "the page names something outside itself (above: line and match)"
fi

# A fresh profile each time, no sandbox (root cannot have it, and many
# containers give no one the namespaces it needs: the page is our own),
# nothing that talks to servers, and every host name unresolvable, so that
# the check never leaves the machine.
unset DISPLAY WAYLAND_DISPLAY
export HOME="$scratch"
shoot() {
  local name="$1" size="$2" status=0
  timeout 180 chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$scratch/profile-$name" --host-resolver-rules='MAP * ~NOTFOUND' \
    --hide-scrollbars --force-device-scale-factor=1 --force-color-profile=srgb --window-size="$size" \
    --log-net-log="$scratch/$name.netlog.json" --screenshot="$scratch/$name.png" "file://$page" \
    >"$scratch/$name.chromium.txt" 2>&1 || status=$?
  if [ "$status" -ne 0 ] || [ ! -s "$scratch/$name.png" ]; then
    cat "$scratch/$name.chromium.txt" >&2
    fail "chromium made no screenshot of the $name window (exit status $status; its output is above)"
  fi
}

for window in wide:960,1400 narrow:420,4400; do
  name="${window%%:*}"
  echo "-- chromium, $name window (${window#*:})"
  shoot "$name" "${window#*:}"
  "$build/tests/screenshot_check" "$scratch/$name.png" "$page" >"$scratch/$name.check.txt" || {
    cat "$scratch/$name.check.txt"
    fail "pictures of the page are missing from the $name screenshot (above)"
  }
  tail -1 "$scratch/$name.check.txt"
  # Requests a document made carry its origin ("null" for a file); the
  # browser's own (updates, accounts) carry none and are only counted.
  /usr/bin/python3 - "$scratch/$name.netlog.json" <<'EOF' || fail "the page made requests, or the network log cannot be read (above)"
import json, sys
text = open(sys.argv[1]).read()
try:
    log = json.loads(text)
except ValueError:
    log = json.loads(text.rstrip().rstrip(",") + "]}")  # a log cut short at the browser's exit
names = {number: name for name, number in log["constants"]["logEventTypes"].items()}
page, own = [], 0
for event in log["events"]:
    params = event.get("params", {})
    if names.get(event["type"]) != "URL_REQUEST_START_JOB" or "url" not in params:
        continue
    if params.get("initiator") == "not an origin":
        own += 1
    else:
        page.append(params["url"])
for url in page:
    print("request made by the page: " + url)
print("network log: %d requests by the page, %d by the browser itself (not the page's)" % (len(page), own))
sys.exit(1 if page else 0)
EOF
done
note "every picture of the preview page found on chromium's screenshots (wide and narrow windows), no request by the page"
if [ "${SAVE_SCREENSHOT:-}" = 1 ]; then
  cp "$scratch/wide.png" "$root/examples/preview-page.png"
  echo "wrote $root/examples/preview-page.png"
fi
