#!/usr/bin/env bash
# Builds the release packages into dist/: a .deb for Debian and Ubuntu and a
# .zip for 64-bit Windows (cross-built with MinGW-w64).
#   bash tools/package.sh
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p dist

cmake -S . -B build-package-linux -DCMAKE_BUILD_TYPE=Release \
  -DTARVENIK2TRK_BUILD_TESTS=OFF -DTARVENIK2TRK_BUILD_BENCH=OFF
cmake --build build-package-linux -j2
(cd build-package-linux && cpack -B "$PWD/../dist" -G DEB)

cmake -S . -B build-package-windows -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DTARVENIK2TRK_BUILD_TESTS=OFF -DTARVENIK2TRK_BUILD_BENCH=OFF
cmake --build build-package-windows -j2
(cd build-package-windows && cpack -B "$PWD/../dist" -G ZIP)

rm -rf dist/_CPack_Packages
ls -l dist
