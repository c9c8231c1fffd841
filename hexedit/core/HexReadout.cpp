#include "hexedit/core/HexReadout.h"

#include "hexedit/core/HexRadix.h"
#include "hexedit/core/HexTextParse.h"

namespace {
std::string Hex(uint32_t v, uint8_t digits = 4) { return "0x" + IntToRadix(v, 16, digits); }
}  // namespace

THexReadoutTexts ReadoutTexts(const THexReadout& r) {
  THexReadoutTexts t;
  if (!r.HasData) return t;
  const int unit = r.Unit < 1 ? 1 : r.Unit;
  t.Offset = "Offset " + Hex(uint32_t(r.Caret / unit));
  if (unit > 1) t.Offset += " (byte " + Hex(uint32_t(r.Caret)) + ")";
  if (r.HasSelection) {
    const int count = r.SelEnd - r.SelStart + 1;
    t.Selection = "Sel " + Hex(uint32_t(r.SelStart)) + "-" + Hex(uint32_t(r.SelEnd)) + " (" +
                  std::to_string(count) + (count == 1 ? " byte)" : " bytes)");
  }
  if (r.HasByte)
    t.Value =
        Hex(r.Byte, 2) + " = " + std::to_string(r.Byte) + " '" + Utf8Of(char32_t(r.ByteChar)) + "'";
  if (r.HasWord) t.Word = "Word " + Hex(r.Word) + " = " + std::to_string(r.Word);
  t.Mode = r.Insert ? "INS" : "OVR";
  if (r.Modified) t.Modified = "Modified";
  return t;
}
