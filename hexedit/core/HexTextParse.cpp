#include "hexedit/core/HexTextParse.h"

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexRadix.h"

namespace {
bool IsBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == U'\f' || c == U'\v';
}
}  // namespace

bool ParseHexBytes(std::u32string_view text, std::vector<uint8_t>& bytes, std::string& error) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    const std::u32string_view group = text.substr(i, end - i);
    i = end;
    std::u32string_view digits = group;
    if (digits.size() >= 2 && digits[0] == U'0' && (digits[1] == U'x' || digits[1] == U'X'))
      digits.remove_prefix(2);
    bool allHex = !digits.empty();
    for (char32_t c : digits) allHex = allHex && HexDigitValue(c) >= 0;
    if (!allHex) {
      error = FillPlaceholders(HexMsg::NotHex, {Utf8Of(group)});
      return false;
    }
    if (digits.size() == 1) {
      out.push_back(static_cast<uint8_t>(HexDigitValue(digits[0])));
      continue;
    }
    if (digits.size() % 2 != 0) {
      error = FillPlaceholders(HexMsg::OddHexDigits, {Utf8Of(group)});
      return false;
    }
    for (size_t k = 0; k < digits.size(); k += 2)
      out.push_back(
          static_cast<uint8_t>(HexDigitValue(digits[k]) * 16 + HexDigitValue(digits[k + 1])));
  }
  if (out.empty()) {
    error = HexMsg::NoHexDigits;
    return false;
  }
  bytes = std::move(out);
  return true;
}

bool ParseNumberText(std::string_view text, bool allowSign, int64_t& value, int& sign) {
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  sign = 0;
  if (allowSign && !text.empty() && (text[0] == '+' || text[0] == '-')) {
    sign = text[0] == '+' ? 1 : -1;
    text.remove_prefix(1);
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front())))
      text.remove_prefix(1);
  }
  unsigned radix = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    radix = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && text[0] == '$') {
    radix = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) {
    radix = 16;
    text.remove_suffix(1);
  }
  if (text.empty()) return false;
  int64_t v = 0;
  for (char c : text) {
    const int d = HexDigitValue(static_cast<unsigned char>(c));
    if (d < 0 || d >= int(radix)) return false;
    v = v * radix + d;
    if (v > 0xFFFFFFFFll) return false;
  }
  value = v;
  return true;
}

std::string Utf8Of(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

std::string Utf8Of(std::u32string_view text) {
  std::string s;
  for (char32_t c : text) s += Utf8Of(c);
  return s;
}

std::string Utf8Of(std::u16string_view text) {
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    s += Utf8Of(c);
  }
  return s;
}
