#!/usr/bin/env bash
# Builds Release and runs the benchmarks. Extra arguments go to
# pellar-bench (for example --benchmark_filter=BM_PortWriteData).
source "$(dirname "$0")/build-common.sh"

build="${PELLAR_BENCH_BUILD_DIR:-build/bench}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELLAR_BUILD_TESTS=OFF \
      -DPELLAR_BUILD_BENCH=ON
cmake --build "$build" -j"$(nproc)" --target pellar-bench
export QT_QPA_PLATFORM=offscreen
exec "$build/bench/pellar-bench" "$@"
