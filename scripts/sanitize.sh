#!/usr/bin/env bash
# Builds the library and every test with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan and runs the tests there, fuzz corpora included. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

BUILD_DIR=build-asan
# -O1 keeps the build and the tests quick; a Debug build keeps Qt's own range checks (Q_ASSERT).
CONFIGURE_ARGS=(-DTEXTMEND_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g")
install_packages
build

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:check_initialization_order=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
QT_QPA_PLATFORM=offscreen ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
