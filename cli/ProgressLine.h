#pragma once
// The text of one transfer's progress bar on the terminal:
//   "  flash            [##########--------------]  42%  0:03 left"
// Time left is estimated from the time taken so far; at 100 % the line
// shows the time the transfer took.

#include <string>

std::string ProgressLineText(const std::string& label, int position, int max,
                             double elapsedSeconds);
