#!/usr/bin/env bash
# Builds the Debian package in a clean copy of the source under build-deb/, leaving the work tree untouched.
#
# Usage: scripts/build-deb.sh [OUTPUT_DIR]   (build-deb/ by default)
# The copy holds the files git knows of (committed or not, less what .gitignore
# leaves out), or, outside a git checkout, everything but the build folders.
# dpkg-buildpackage builds there with nice, DEB_BUILD_OPTIONS parallel=<cores>
# unless set already, and the package ends in OUTPUT_DIR with the build's log; its
# path is printed last.
set -euo pipefail
SOURCE=$(cd "$(dirname "$0")/.." && pwd)
OUT=$(mkdir -p "${1:-$SOURCE/build-deb}" && cd "${1:-$SOURCE/build-deb}" && pwd)
VERSION=$(dpkg-parsechangelog -l "$SOURCE/debian/changelog" -S Version)
ARCH=$(dpkg-architecture -q DEB_HOST_ARCH)
STAGE=$OUT/tarvo-rink-$VERSION

rm -rf "$STAGE"
mkdir -p "$STAGE"
if git -C "$SOURCE" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # Tracked files deleted from the work tree are left out, as they would be from a commit.
  (cd "$SOURCE" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar --null -T - -cf -) | tar -xf - -C "$STAGE"
else
  (cd "$SOURCE" && tar --exclude='./build' --exclude='./build-*' -cf - .) | tar -xf - -C "$STAGE"
fi

export DEB_BUILD_OPTIONS=${DEB_BUILD_OPTIONS:-parallel=$(nproc)}
(cd "$STAGE" && nice dpkg-buildpackage -b -us -uc) >"$OUT/build.log" 2>&1 || {
  tail -n 40 "$OUT/build.log" >&2
  echo "the package build failed; the whole log is $OUT/build.log" >&2
  exit 1
}
DEB=$OUT/tarvo-rink_${VERSION}_${ARCH}.deb
[ -f "$DEB" ] || { echo "dpkg-buildpackage made no $DEB" >&2; exit 1; }
rm -rf "$STAGE"  # kept only when the build fails, to look into
echo "$DEB"
