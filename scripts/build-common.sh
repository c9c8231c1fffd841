# Sourced by the build scripts (run, test, bench, package): stops at the
# first failing command, goes to the top of the source tree and installs
# the Debian packages that are missing (scripts/deps.sh, as root).
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"
bash scripts/deps.sh
