#include "cli/Console.h"

#include <algorithm>
#include <cstdio>

#include "cli/ProgressLine.h"

void TConsole::Write(FILE* stream, const std::string& text) {
  EndBarLine();
  std::fputs(text.c_str(), stream);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stream);
  std::fflush(stream);
}

void TConsole::Result(const std::string& line) { Write(stdout, line); }

void TConsole::Error(const std::string& text) { Write(stderr, text); }

void TConsole::Note(const std::string& text) {
  if (!Settings.Quiet) Write(stderr, text);
}

void TConsole::EndBarLine() {
  if (!BarDrawn) return;
  // The finished (or stopped) bar stays on the screen as it last was.
  std::fputc('\n', stderr);
  std::fflush(stderr);
  BarDrawn = false;
  DrawnLength = 0;
}

void TConsole::Bar(const std::string& label, int position, int max, const std::string& timeLeft) {
  if (!Settings.Bars || Settings.Quiet || max <= 0) return;
  if (label != BarLabel || position < BarPosition || position <= 0) {
    EndBarLine();
    BarLabel = label;
    BarPercent = -1;
  }
  BarPosition = position;
  if (position <= 0) return;
  const int percent = static_cast<int>(100LL * std::min(position, max) / max);
  if (percent == BarPercent && timeLeft == BarTimeLeft) return;
  BarPercent = percent;
  BarTimeLeft = timeLeft;
  std::string line = ProgressLineText(label, position, max, timeLeft);
  // Redrawn in place: back to the start of the line, and blanks over
  // whatever the last drawing had beyond this one.
  const size_t length = line.size();
  if (length < DrawnLength) line.append(DrawnLength - length, ' ');
  std::fputc('\r', stderr);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  BarDrawn = true;
  DrawnLength = length;
}
