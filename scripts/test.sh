#!/usr/bin/env bash
# Installs what is missing, builds the Debug configuration under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every test.
source "$(dirname "$0")/build-common.sh"

build="${PELLAR_TEST_BUILD_DIR:-build/test}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DPELLAR_SANITIZE=ON \
      -DPELLAR_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure -j"$(nproc)"
