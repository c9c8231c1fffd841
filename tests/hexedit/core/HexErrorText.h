#pragma once
// The message of the editor error an action raises, for comparing with
// the exact texts.

#include <functional>
#include <string>

#include "hexedit/core/EHexEditor.h"

// what() of the EHexEditor that f raises, or "no error".
inline std::string Error(const std::function<void()>& f) {
  try {
    f();
  } catch (const EHexEditor& e) {
    return e.what();
  }
  return "no error";
}
