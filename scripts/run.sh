#!/usr/bin/env bash
# Installs what is missing, builds Release and starts the program with the
# virtual card as an extra port. Extra arguments go to the program, for
# example: scripts/run.sh --virtual-card=AT90S8515,24256
source "$(dirname "$0")/build-common.sh"

build="${PELLAR_RUN_BUILD_DIR:-build/release}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPELLAR_BUILD_TESTS=OFF \
      -DPELLAR_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target pellar

case " $* " in
  *" --virtual-card"*) exec "$build/app/pellar" "$@" ;;
  *) exec "$build/app/pellar" --virtual-card "$@" ;;
esac
