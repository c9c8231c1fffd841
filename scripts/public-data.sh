#!/usr/bin/env bash
# Lists the data members of app/'s classes that are not private: a window
# or dialog offers functions, and tests find its widgets by their object
# names. Plain records, declared `struct` (options such as
# TMainFormOptions, TImagePage), are not counted. Exits 1 when it finds
# any. Needs clang-query and a configured build's compile_commands.json
# (PELLAR_TEST_BUILD_DIR, else build/test).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PELLAR_TEST_BUILD_DIR:-build/test}"
cd "$top"
query='match fieldDecl(unless(isPrivate()),
                        hasParent(cxxRecordDecl(isClass(), unless(isLambda()))),
                        isExpansionInFileMatching("/app/"))'
found="$(clang-query -p "$build" -c 'set output diag' -c "$query" app/*.cpp 2>/dev/null |
         grep -E ': note: "root" binds here' | sed -E 's/: note: .*//; s|^'"$top"'/||' |
         sort -u || true)"
if [ -n "$found" ]; then
  echo "$found"
  echo "$(echo "$found" | wc -l) data members of app/ classes are not private."
  exit 1
fi
echo "No class of app/ has data members that are not private."
