#include "card/TimeLeft.h"

#include <algorithm>
#include <cstdio>

void TTimeLeft::Plan(int64_t plannedBytes, int64_t nowMs) {
  if (FPlanned <= 0) {
    FDone = 0;
    FStartMs = nowMs;
  }
  FPlanned = std::max<int64_t>(plannedBytes, 1);
}

int64_t TTimeLeft::SecondsLeft(int64_t nowMs) const {
  const int64_t elapsed = nowMs - FStartMs;
  if (FPlanned <= 0 || elapsed < 500 || FDone * 50 < FPlanned) return -1;
  const int64_t left = std::max<int64_t>(FPlanned - FDone, 0);
  // elapsed / done per byte, for the bytes left; rounded up to a second.
  return (elapsed * left / FDone + 999) / 1000;
}

std::string TTimeLeft::DurationText(int64_t seconds) {
  if (seconds < 0) return {};
  char text[48];
  if (seconds < 60)
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(seconds));
  else if (seconds < 3600)
    std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  else
    std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60));
  return text;
}

std::string TTimeLeft::Text(int64_t seconds) {
  if (seconds < 0) return {};
  return DurationText(seconds) + " left";
}
