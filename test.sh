#!/usr/bin/env bash
# Installs what is missing, builds Textmend and runs every test (offscreen, no display needed).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

install_packages
build
QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
