#!/usr/bin/env bash
# Installs what is needed, builds Quillmark and shows it on the bundled stand-in service
# (generated data). With a display ($DISPLAY or $WAYLAND_DISPLAY) it opens the window; press
# Start, type a keyword (the demo site example.com as target shows real ranks) and Investigate.
# Without one it runs a sample research in the terminal with qmk, with example.com as the
# target. Extra arguments go to the program that runs, e.g. tools/demo.sh --format csv.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh >&2
# Build output goes to stderr so that the rows alone reach stdout (tools/demo.sh --format csv >x.csv).
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  cmake --build build -j"$(nproc)" --target quillmark >&2
  exec build/quillmark --demo "$@"
fi
cmake --build build -j"$(nproc)" --target qmk >&2
exec build/qmk research --target example.com --pages 5 --results 15 "$@" "blue widgets"
