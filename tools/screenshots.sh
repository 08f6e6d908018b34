#!/usr/bin/env bash
# Takes the pictures of the main window (after a research against the stand-in service), of the
# Investigate and filter dialogs, of the tip of the day, of the top searches window beside the
# main window, of cells whose lookups failed, of the About window and of the way to real data (the
# status bar's source, the Data Source dialog, a research's cost) and of the history (a second
# research's rank changes, the Keyword History pane) under Xvfb, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build -j"$(nproc)" --target screenshots >&2
mkdir -p docs
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
QT_QPA_PLATFORM=xcb QUILLMARK_CONFIG_DIR="$settings" \
  xvfb-run -a -s "-screen 0 1024x768x24" build/tools/screenshots/screenshots "$PWD/docs" >&2
ls docs/main-window.png docs/investigate-dialog.png docs/top-searches-window.png docs/filter-dialog.png \
  docs/failed-lookups.png docs/tip-of-the-day.png docs/about-window.png docs/generated-data.png \
  docs/data-source-dialog.png docs/real-data.png docs/change-markers.png docs/keyword-history.png
