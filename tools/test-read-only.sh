#!/usr/bin/env bash
# Root may write any file, so the tests of read-only icons and folders skip
# themselves when run as root. Run them once more as an unprivileged user,
# where this machine allows it.
set -euo pipefail
build="${1:?usage: tools/test-read-only.sh BUILD_DIR}"
[ "$(id -u)" -eq 0 ] || exit 0  # the normal run already covered them
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
if ! command -v setpriv >/dev/null || ! "${as_nobody[@]}" test -x "$build/tests/unit_tests"; then
  echo "read-only tests as an unprivileged user: skipped (the build folder is out of its reach)"
  exit 0
fi
echo "== Read-only tests as user nobody"
for suite in unit_tests e2e_tests; do
  TMPDIR=/tmp "${as_nobody[@]}" "$build/tests/$suite" --gtest_filter='*ReadOnly*' --gtest_brief=1
done
