#pragma once
// Sets a flag for the span of a scope (a size change in progress, an
// acceptance check under way), also when the scope is left by an error.

struct THexScopedFlag {
  bool& Flag;
  explicit THexScopedFlag(bool& flag) : Flag(flag) { Flag = true; }
  ~THexScopedFlag() { Flag = false; }
  THexScopedFlag(const THexScopedFlag&) = delete;
  THexScopedFlag& operator=(const THexScopedFlag&) = delete;
};
