#!/usr/bin/env bash
# Packages into out/:
#   scripts/package.sh deb       the Debian package of the three programs
#   scripts/package.sh windows   a zip of the Windows programs and the README
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-deb}
mkdir -p out
case "$kind" in
  deb)
    scripts/install_packages.sh dpkg-dev
    scripts/build.sh build
    (cd build && cpack -G DEB -B "$PWD/../out" >/dev/null)
    ;;
  windows)
    scripts/windows.sh build >/dev/null
    (cd build-windows && cpack -G ZIP -B "$PWD/../out" >/dev/null)
    ;;
  *)
    echo "usage: $0 deb|windows" >&2
    exit 2
    ;;
esac
rm -rf out/_CPack_Packages
ls -l out
