#!/usr/bin/env bash
# Builds Quillmark in ./build and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
# QUILLMARK_CMAKE_FLAGS, or the arguments, add configure options (CI: -DQUILLMARK_WERROR=ON).
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QUILLMARK_CMAKE_FLAGS:-} "$@"
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
