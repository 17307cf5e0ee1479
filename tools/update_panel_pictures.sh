#!/bin/sh
# Draws every panel and screen again into docs/panels/ after a look has changed, from the
# build tree given (default: build). Look at the new pictures before committing them.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cmake --build "$build" --target TAVRO_3D_tests
TAVRO_UPDATE_PANEL_PICTURES=1 QT_QPA_PLATFORM=offscreen \
  "$build/tests/TAVRO_3D/TAVRO_3D_tests" --gtest_filter='PanelPicturesTest.*'
echo "Pictures written to $here/docs/panels"
