#!/usr/bin/env bash
# Installs what is missing, builds Release for /usr and makes the Debian
# package pellar_<version>_<arch>.deb with CPack (dependencies computed
# with dpkg-shlibdeps). Prints the package's path. Install it with
#   sudo apt-get install ./pellar_<version>_<arch>.deb
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"

bash scripts/deps.sh

build="${PELLAR_PACKAGE_BUILD_DIR:-build/package}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELLAR_BUILD_TESTS=OFF \
      -DPELLAR_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$build" -j"$(nproc)"
(cd "$build" && rm -f pellar_*.deb && cpack -G DEB)
(cd "$build" && ls "$PWD"/pellar_*.deb)
