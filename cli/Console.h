#pragma once
// Where pellar-cli writes: results on stdout, one line each; status
// lines, messages and the questions' texts on stderr; and the progress
// bar of the running transfer on stderr, redrawn in place. Anything else
// written ends the bar's line first, so the bar never runs into other
// text. With Quiet only errors (and what was asked for, such as --timing)
// are written besides the results.

#include <cstdio>
#include <string>

class TConsole {
public:
  struct TSettings {
    bool Quiet = false;
    bool Bars = false;  // draw progress bars (stderr is a terminal, or --progress)
  };
  explicit TConsole(TSettings settings) : Settings(settings) {}

  // A result line on stdout (also under Quiet).
  void Result(const std::string& line);
  // Text on stderr that is always written (errors, questions).
  void Error(const std::string& text);
  // A line on stderr that Quiet leaves out (status texts, notes).
  void Note(const std::string& text);

  // The bar of a transfer: `position` of `max` done, and the command's
  // time left. A position that goes back (to 0) or a new label starts a
  // new bar on a line of its own. Redrawn when the percentage or the time
  // left changes.
  void Bar(const std::string& label, int position, int max, const std::string& timeLeft);

  bool Quiet() const { return Settings.Quiet; }

private:
  void EndBarLine();
  void Write(FILE* stream, const std::string& text);

  TSettings Settings;
  std::string BarLabel;
  int BarPosition = 0;
  int BarPercent = -1;
  std::string BarTimeLeft;
  bool BarDrawn = false;
  size_t DrawnLength = 0;
};
