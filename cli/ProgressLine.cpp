#include "cli/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int BarWidth = 24;

std::string MinutesSeconds(double seconds) {
  const long total = std::max(0L, static_cast<long>(seconds + 0.5));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

}  // namespace

std::string ProgressLineText(const std::string& label, int position, int max,
                             double elapsedSeconds) {
  max = std::max(max, 1);
  position = std::clamp(position, 0, max);
  const int percent = static_cast<int>(100LL * position / max);
  const int filled = static_cast<int>(static_cast<long long>(BarWidth) * position / max);
  char head[64];
  std::snprintf(head, sizeof head, "  %-16s [", label.c_str());
  std::string line = head;
  line.append(static_cast<size_t>(filled), '#');
  line.append(static_cast<size_t>(BarWidth - filled), '-');
  char tail[32];
  std::snprintf(tail, sizeof tail, "] %3d%%  ", percent);
  line += tail;
  if (position >= max)
    line += MinutesSeconds(elapsedSeconds);
  else if (position > 0 && elapsedSeconds > 0.2)
    line += MinutesSeconds(elapsedSeconds * (max - position) / position) + " left";
  else
    line += "-:-- left";
  return line;
}
