#!/usr/bin/env bash
# Measures the window's speed under Xvfb: start to first paint beside a bare window, a sort of
# 100,000 rows through the view, and the longest gap between repaints during a held fetch.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build -j"$(nproc)" --target window_bench >&2
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" build/bench/window_bench "$@"
