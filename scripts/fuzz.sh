#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer in a build folder
# of their own (PELLAR_FUZZ_BUILD_DIR, build/fuzz by default) and runs each
# for SECONDS (default 60) with a memory limit of 2 GB and a limit of 5 s
# an input. Prints, for each target, the inputs run, the coverage reached
# and what it found; exits 1 when any target found something (the inputs
# are kept beside its log, to be mended and added to fuzz/reproducers/).
#
#   scripts/fuzz.sh [SECONDS]
#
# Installs clang and libclang-rt-14-dev (libFuzzer's runtime) when they are
# missing (scripts/deps.sh, as root).
source "$(dirname "$0")/build-common.sh"

seconds="${1:-60}"
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "usage: $0 [SECONDS]" >&2
  exit 2
fi

# clang, and libFuzzer's runtime, which is only a recommendation of the
# clang package.
bash scripts/deps.sh clang libclang-rt-14-dev

build="${PELLAR_FUZZ_BUILD_DIR:-build/fuzz}"
launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
      -DPELLAR_FUZZ=ON -DPELLAR_BUILD_TESTS=OFF -DPELLAR_BUILD_BENCH=OFF "${launcher[@]}"
cmake --build "$build" -j"$(nproc)" --target pellar_fuzz

export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$top/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

found=0
report=()
for program in "$build"/fuzz/*Fuzz; do
  name="$(basename "$program" Fuzz)"
  out="$build/fuzz/runs/$name"
  mkdir -p "$out/corpus"
  rm -f "$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-* "$out"/log
  inputs=("$out/corpus" "$build/fuzz/corpus/$name")
  [ -d "fuzz/reproducers/$name" ] && inputs+=("fuzz/reproducers/$name")
  echo "fuzz.sh: $name for $seconds s"
  status=0
  "$program" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=5 -print_final_stats=1 \
             -artifact_prefix="$out/" "${inputs[@]}" > "$out/log" 2>&1 || status=$?
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -1)"
  coverage="$(grep -o 'cov: [0-9]* ft: [0-9]*' "$out/log" | tail -1 || true)"
  findings=("$out"/crash-* "$out"/leak-* "$out"/timeout-* "$out"/oom-*)
  kept=()
  for f in "${findings[@]}"; do [ -e "$f" ] && kept+=("$f"); done
  if [ "$status" -ne 0 ] || [ ${#kept[@]} -gt 0 ]; then
    found=1
    what="FINDING (exit $status): ${kept[*]:-see $out/log}"
    grep -m1 -E 'fuzz finding|ERROR: |runtime error|==ERROR' "$out/log" | sed 's/^/    /' || true
  else
    what="no finding"
  fi
  report+=("$(printf '%-14s runs %-10s %-22s %s' "$name" "${runs:-?}" "${coverage:-cov: ?}" "$what")")
done

echo
echo "fuzz.sh: $seconds s a target (logs and working corpora in $build/fuzz/runs/)"
printf '%s\n' "${report[@]}"
exit "$found"
