#pragma once
// The text of one transfer's progress bar on the terminal, with the time
// left of the whole command (TTimeLeft's text, "" while it cannot tell):
//   "  flash            [##########--------------]  42%  12 s left"

#include <string>

std::string ProgressLineText(const std::string& label, int position, int max,
                             const std::string& timeLeft);
