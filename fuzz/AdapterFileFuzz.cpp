// The user's adapter file: any text parses without a throw; every adapter
// it keeps passes the definition checks, compiles to a line map whose off
// state drives no card line, and comes from a section of the text; every
// message and warning names the file and a line of it, and there are at
// most the limit's messages (and one line counting the rest).
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "link/AdapterFile.h"

namespace {

constexpr const char* FileName = "adapters.ini";

bool NamesAFileLine(const std::string& text) {
  const std::string prefix = std::string(FileName) + ", line";
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TAdapterFileResult result;
  try {
    result = ParseAdapterText(text, FileName);
  } catch (const std::exception& e) {
    FuzzFinding(std::string("the adapter file reader threw: ") + e.what());
  }
  FuzzCheck(result.Messages.size() <= static_cast<size_t>(AdapterFileMessageLimit) + 1,
            "more messages than the limit");
  FuzzCheck(result.Warnings.size() <= static_cast<size_t>(AdapterFileMessageLimit) + 1,
            "more warnings than the limit");
  for (const std::string& message : result.Messages)
    FuzzCheck(NamesAFileLine(message), "a message that names no file and line");
  for (const std::string& warning : result.Warnings)
    FuzzCheck(NamesAFileLine(warning), "a warning that names no file and line");
  for (const TAdapterDefinition& adapter : result.Adapters) {
    FuzzCheck(CheckAdapterDefinition(adapter).empty(), "a kept adapter that fails its checks");
    FuzzCheck(adapter.File == FileName && adapter.Line >= 1, "a kept adapter without its line");
    FuzzCheck(!adapter.Name.empty() && adapter.Name.size() <= AdapterNameLimit,
              "a kept adapter with an empty or long name");
    FuzzCheck(text.find("[" + adapter.Name) != std::string_view::npos,
              "a kept adapter whose name is not in the text");
    if (adapter.Kind == TAdapterKind::Parallel || adapter.Kind == TAdapterKind::Ftdi) {
      const TByteLineMap map = CompileByteLineMap(adapter);
      // The off state: every card line low, VCC off, whatever the polarities.
      uint8_t high = 0;
      for (int line = 0; line < CardLineCount - 1; ++line)
        if (adapter.Lines[static_cast<size_t>(line)].Inverted)
          for (const std::string& pin : adapter.Lines[static_cast<size_t>(line)].Pins)
            high |= static_cast<uint8_t>(1u << FindBytePin(adapter.Kind, pin).Bit);
      FuzzCheck(map.OffState() == high, "an off state that drives a card line");
      FuzzCheck((map.OutputMask & map.MisoMask) == 0 || adapter.Kind == TAdapterKind::Parallel,
                "MISO on a pin that is driven");
    }
  }
  return 0;
}
