#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int BarWidth = 24;

}  // namespace

std::string ProgressLineText(const std::string& label, int position, int max,
                             const std::string& timeLeft) {
  max = std::max(max, 1);
  position = std::clamp(position, 0, max);
  const int percent = static_cast<int>(100LL * position / max);
  const int filled = static_cast<int>(static_cast<long long>(BarWidth) * position / max);
  char head[64];
  std::snprintf(head, sizeof head, "  %-16s [", label.c_str());
  std::string line = head;
  line.append(static_cast<size_t>(filled), '#');
  line.append(static_cast<size_t>(BarWidth - filled), '-');
  char tail[16];
  std::snprintf(tail, sizeof tail, "] %3d%%", percent);
  line += tail;
  if (!timeLeft.empty()) line += "  " + timeLeft;
  return line;
}
