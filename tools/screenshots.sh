#!/usr/bin/env bash
# Takes the pictures of the main window (after a research against the stand-in service), of the
# Investigate and filter dialogs, of the tip of the day, of the top searches window beside the
# main window and of the About window under Xvfb, into docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build -j"$(nproc)" --target ui_tests >&2
mkdir -p docs
settings=$(mktemp -d)
trap 'rm -rf "$settings"' EXIT
QT_QPA_PLATFORM=xcb QUILLMARK_SHOTS_DIR="$PWD/docs" QUILLMARK_CONFIG_DIR="$settings" \
  xvfb-run -a -s "-screen 0 1024x768x24" \
  build/tests/ui_tests --gtest_filter='WindowShots.*' --gtest_also_run_disabled_tests >&2
ls docs/main-window.png docs/investigate-dialog.png docs/top-searches-window.png docs/filter-dialog.png \
  docs/failed-lookups.png docs/tip-of-the-day.png docs/about-window.png
