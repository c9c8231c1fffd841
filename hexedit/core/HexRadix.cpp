#include "hexedit/core/HexRadix.h"

#include <stdexcept>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexTranslation.h"

namespace {

// Digits of every radix up to 16: the hex digit table's first ones.
constexpr std::string_view RadixDigits = UpperHexDigits;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Length of the UTF-8 sequence starting with lead byte c (1 for a stray
// continuation byte, so a bad text still advances).
size_t Utf8SequenceLength(unsigned char c) {
  if (c >= 0xF0 && c < 0xF8) return 4;
  if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
  if (c >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::string IntToRadix(uint32_t value, unsigned radix, uint8_t minDigits) {
  if (radix < 2 || radix > 16) throw std::invalid_argument("radix out of range");
  std::string text;
  do {
    text.insert(text.begin(), RadixDigits[value % radix]);
    value /= radix;
  } while (value != 0);
  if (text.size() < minDigits) text.insert(0, minDigits - text.size(), '0');
  return text;
}

uint32_t RadixToInt(std::string_view text, unsigned radix) {
  uint32_t result = 0;
  for (size_t i = 0; i < text.size();) {
    const char c = AsciiUpper(text[i]);
    const size_t digit = RadixDigits.find(c);
    if (digit == std::string_view::npos || digit >= radix) {
      const size_t n = Utf8SequenceLength(static_cast<unsigned char>(text[i]));
      std::string shown(1, c);
      if (n > 1) shown = std::string(text.substr(i, n));
      throw EHexEditor(FillPlaceholders(HexMsg::InvalidRadixChar, {shown, HexNumberText(radix)}));
    }
    result = result * radix + static_cast<uint32_t>(digit);
    ++i;
  }
  return result;
}

std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values) {
  std::string out;
  auto next = values.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    const bool placeholder =
        pattern[i] == '%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == 'd' || pattern[i + 1] == 's' || pattern[i + 1] == 'x');
    if (placeholder && next != values.end()) {
      out += *next++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string HexNumberText(uint32_t value) { return IntToRadix(value, 16, 0); }

int HexDigitValue(char32_t ch) {
  if (ch >= U'0' && ch <= U'9') return int(ch - U'0');
  if (ch >= U'a' && ch <= U'f') return int(ch - U'a') + 10;
  if (ch >= U'A' && ch <= U'F') return int(ch - U'A') + 10;
  return -1;
}
