#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "link/AdapterFile.h"

namespace fs = std::filesystem;

namespace {

const std::string FileName = "/home/u/.config/pellar-remake/adapters.ini";

// A section per kind, each valid; the table's cases start from these.
const std::string ParallelSection =
    "[Par]\n"  // 1
    "kind = parallel\n"
    "VCC = D0 D1 D2\n"
    "CLK = D3\n"
    "RESET = D4\n"  // 5
    "MOSI = D5\n"
    "SCK = D6\n"
    "MISO = S6\n";  // 8

const std::string AllMissing = "VCC, CLK, RESET, MOSI, SCK and MISO are missing";

std::vector<std::string> Names(const TAdapterFileResult& r) {
  std::vector<std::string> names;
  for (const TAdapterDefinition& a : r.Adapters) names.push_back(a.Name);
  return names;
}

// Messages with the file's name taken off ("12: [My board] ..."), so that
// the table stays readable; a message not naming the file stays whole.
std::vector<std::string> Short(const std::vector<std::string>& messages) {
  std::vector<std::string> out;
  const std::string prefix = FileName + ", line ";
  for (const std::string& m : messages)
    out.push_back(m.rfind(prefix, 0) == 0 ? m.substr(prefix.size()) : m);
  return out;
}

struct TCase {
  const char* What;
  std::string Text;
  std::vector<std::string> Loaded;
  std::vector<std::string> Messages;
};

TEST(AdapterFile, ParsesTheTableOfGoodAndBadFiles) {
  const std::vector<TCase> cases = {
      {"empty file", "", {}, {}},
      {"only comments, blank lines, CRLF and a byte order mark",
       "\xEF\xBB\xBF# mine\r\n\r\n   ; more\r\n\t\n",
       {},
       {}},
      {"a valid section, CRLF, odd spacing and key case",
       [] {
         std::string t = "[ Par ]\r\nKIND=Parallel\r\n\tvcc = D0,D1 , d2\r\n";
         t += "clk=D3\r\nReset = D4\r\nMOSI = D5\r\nSCK = D6\r\nMISO = ACK\r\n";
         return t;
       }(),
       {"Par"},
       {}},
      {"a line missing, reported on the section's line",
       "# top\n[Par]\nkind = parallel\nVCC = D0\nCLK = D3\nRESET = D4\nMOSI = D5\nSCK = D6\n",
       {},
       {"2: [Par]: MISO is missing"}},
      {"several lines missing, one message",
       "[Par]\nkind = parallel\nVCC = D0\nSCK = D6\n",
       {},
       {"1: [Par]: CLK, RESET, MOSI and MISO are missing"}},
      {"a pin used twice, reported on the second use",
       "[Par]\nkind = parallel\nSCK = D3\nVCC = D0 D1 D2\nCLK = D3\nRESET = D4\nMOSI = D5\n"
       "MISO = S6\n",
       {},
       {"5: [Par] CLK: pin \"D3\" is used by SCK too (on line 3)"}},
      {"the same FTDI pin under two names",
       "[F]\nkind = ftdi\nVCC = !D4\nCLK = D0\nRESET = DTR\nMOSI = D2\nSCK = D3\nMISO = D5\n",
       {},
       {"5: [F] RESET: pin \"DTR\" is used by VCC too (as D4 on line 3)"}},
      {"a pin named twice for one line",
       ParallelSection.substr(0, ParallelSection.find("VCC")) + "VCC = D0 D1 D0\n" +
           ParallelSection.substr(ParallelSection.find("CLK")),
       {},
       {"3: [Par] VCC: pin \"D0\" is named twice"}},
      {"an unknown pin, a pin the wrong way round, an empty line entry",
       "[My board]\nkind = parallel\nVCC = D0\nCLK = S3\nRESET = D4\nMOSI = \nSCK = D9\n"
       "MISO = D7\n",
       {},
       {"4: [My board] CLK: pin \"S3\" cannot be driven", "6: [My board] MOSI: no pin given",
        "7: [My board] SCK: unknown pin \"D9\"", "8: [My board] MISO: pin \"D7\" cannot be read"}},
      {"MISO is one pin; polarity marked on every pin or none",
       "[Par]\nkind = parallel\nVCC = !D0 D1\nCLK = D3\nRESET = D4\nMOSI = D5\nSCK = ! D6\n"
       "MISO = S6 S5\n",
       {},
       {"3: [Par] VCC: mark every pin of a line with \"!\" or none",
        "7: [Par] SCK: \"!\" without a pin name", "8: [Par] MISO: must be one pin"}},
      {"unknown key, key given twice, kind-specific keys",
       ParallelSection + "colour = red\nCLK = D7\nusb = 0403:6001\nchip = gpiochip0\n",
       {},
       {"9: [Par]: unknown key \"colour\"", "10: [Par] CLK: given twice (first on line 4)",
        "11: [Par] usb: only an ftdi adapter has this entry",
        "12: [Par] chip: only a gpio adapter has this entry"}},
      {"unknown, empty, virtual and missing kind",
       "[A]\nkind = usb\n[B]\nkind =\n[C]\nkind = Virtual\n[D]\n",
       {},
       {"1: [A]: " + AllMissing, "2: [A] kind: unknown kind \"usb\" (parallel, ftdi or gpio)",
        "3: [B]: " + AllMissing, "4: [B] kind: no kind given (parallel, ftdi or gpio)",
        "5: [C]: " + AllMissing,
        "6: [C] kind: the virtual card is built in; a file adds parallel, ftdi or gpio adapters",
        "7: [D]: kind is missing (parallel, ftdi or gpio)", "7: [D]: " + AllMissing}},
      {"FTDI values that do not parse",
       "[F]\nkind = ftdi\nusb = 0403-6001\ninterface = E\nrate = fast\nVCC = !D4\nCLK = D0\n"
       "RESET = D1\nMOSI = D2\nSCK = D3\nMISO = D5\n"
       "[G]\nkind = ftdi\nusb = 0:6001\nrate = 0\nVCC = !D4\nCLK = D0\nRESET = D1\nMOSI = D2\n"
       "SCK = D3\nMISO = D5\n"
       "[H]\nkind = ftdi\nusb = 12345:1\nrate = 99999999999999999999999\nVCC = !D4\nCLK = D0\n"
       "RESET = D1\nMOSI = D2\nSCK = D3\nMISO = D5\n",
       {},
       {"3: [F] usb: \"0403-6001\" is not a USB id (vendor:product in hex, as 0403:6001)",
        "4: [F] interface: \"E\" is not A, B, C or D", "5: [F] rate: \"fast\" is not a number",
        "14: [G] usb: \"0:6001\" is not a USB id (vendor:product in hex, as 0403:6001)",
        "15: [G] rate: \"0\" is not a rate from 1 to 4294967295 states per second",
        "24: [H] usb: \"12345:1\" is not a USB id (vendor:product in hex, as 0403:6001)",
        "25: [H] rate: \"99999999999999999999999\" is not a rate from 1 to 4294967295 states "
        "per second"}},
      {"entries outside any section, malformed lines",
       "VCC = D0\nfoo = bar\n" + ParallelSection + "just words\n= D0\n",
       {},
       {"1: VCC: the entry is outside any [adapter] section",
        "2: \"foo\": the entry is outside any [adapter] section",
        "11: [Par]: \"just words\" is not a \"key = value\" entry",
        "12: [Par]: \"= D0\" has no key before \"=\""}},
      {"names used twice (any case) or by a built-in adapter",
       ParallelSection + "[par]\n" + ParallelSection.substr(6) +
           "[passive PARALLEL-port adapter]\n" + ParallelSection.substr(6),
       {"Par"},
       {"9: [par]: the name is used by the adapter on line 1",
        "17: [passive PARALLEL-port adapter]: the name of a built-in adapter"}},
      {"a header that cannot be read: its entries are passed over, the next section loads",
       "[Broken\nkind = parallel\nnonsense\n[]\nVCC = D0\n" + ParallelSection,
       {"Par"},
       {"1: \"[Broken\" is not an [adapter name]: the line must end with \"]\"",
        "4: \"[]\": an adapter needs a name"}},
      {"binary junk: NUL bytes, control characters, bytes that are not UTF-8",
       std::string("\x7f"
                   "ELF\x02\x01\n",
                   7) +
           ParallelSection + std::string("CLK = D3\0\n", 10) +
           "[Q\xff]\nkind = gpio\n[R\xC0\xAF]\n" + "[S]\nchip = \xE2\x82\n" +
           "[\xF0\x9F\x98\x80]\nkind=gpio\n",
       {},
       {"1: the line holds a control character and cannot be read",
        "10: [Par]: the line holds a control character and cannot be read",
        "11: the line is not UTF-8 text and cannot be read",
        "13: the line is not UTF-8 text and cannot be read",
        "14: [S]: kind is missing (parallel, ftdi or gpio)", "14: [S]: " + AllMissing,
        "15: [S]: the line is not UTF-8 text and cannot be read",
        "16: [\xF0\x9F\x98\x80]: " + AllMissing}},
      {"a long name is cut in messages and refused",
       "[" + std::string(101, 'n') + "]\n" + ParallelSection.substr(6),
       {},
       {"1: [" + std::string(60, 'n') + "…]: the name is longer than 100 characters"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    const TAdapterFileResult r = ParseAdapterText(c.Text, FileName);
    EXPECT_EQ(Names(r), c.Loaded);
    EXPECT_EQ(Short(r.Messages), c.Messages);
    for (const TAdapterDefinition& a : r.Adapters) {
      EXPECT_EQ(a.File, FileName);
      EXPECT_EQ(CheckAdapterDefinition(a), "");
    }
  }
}

// One valid adapter of each kind, every entry read into the definition.
const std::string ThreeKinds =
    "# My adapters\n"
    "[Pi header]\n"  // 2
    "kind = gpio\n"
    "chip = /dev/gpiochip0\n"
    "VCC = !GPIO4\n"  // 5
    "CLK = GPIO17\n"
    "RESET = GPIO27\n"
    "MOSI = GPIO22\n"
    "SCK = 11\n"
    "MISO = !GPIO9\n"  // 10
    "\n"
    "[FT232R board]\n"  // 12
    "kind = ftdi\n"
    "usb = 0403:6001\n"
    "interface = b\n"  // 15
    "rate = 250000\n"
    "VCC = TXD\n"
    "CLK = RXD, DCD\n"
    "RESET = RTS\n"
    "MOSI = CTS\n"  // 20
    "SCK = DTR\n"
    "MISO = RI\n"
    "\n"
    "; the passive adapter with its supply switched by a transistor\n"
    "[Parallel, PNP supply]\n"  // 25
    "kind = parallel\n"
    "VCC = !D0 !D1 !D2\n"
    "CLK = D3\n"
    "RESET = D4\n"
    "MOSI = D5\n"
    "SCK = D6\n"
    "MISO = BUSY\n";

TEST(AdapterFile, ReadsEveryEntryOfEachKindAndWarnsWithTheEntrysLine) {
  const TAdapterFileResult r = ParseAdapterText(ThreeKinds, FileName);
  EXPECT_EQ(r.Messages, std::vector<std::string>{});
  ASSERT_EQ(r.Adapters.size(), 3u);

  const TAdapterDefinition& gpio = r.Adapters[0];
  EXPECT_EQ(gpio.Name, "Pi header");
  EXPECT_EQ(gpio.Kind, TAdapterKind::Gpio);
  EXPECT_EQ(gpio.Chip, "/dev/gpiochip0");
  EXPECT_EQ(gpio.Line, 2);
  EXPECT_TRUE(gpio.Lines[clVcc].Inverted);
  EXPECT_TRUE(gpio.Lines[clMiso].Inverted);
  EXPECT_FALSE(gpio.Lines[clClk].Inverted);
  EXPECT_EQ(gpio.Lines[clSck].Pins, std::vector<std::string>{"11"});

  const TAdapterDefinition& ftdi = r.Adapters[1];
  EXPECT_EQ(ftdi.Kind, TAdapterKind::Ftdi);
  EXPECT_EQ(ftdi.UsbVendor, 0x0403);
  EXPECT_EQ(ftdi.UsbProduct, 0x6001);
  EXPECT_EQ(ftdi.Interface, 1);
  EXPECT_EQ(ftdi.BitRate, 250000u);
  EXPECT_EQ(ftdi.Lines[clClk].Pins, (std::vector<std::string>{"RXD", "DCD"}));
  EXPECT_EQ(ftdi.Line, 12);

  const TAdapterDefinition& parallel = r.Adapters[2];
  EXPECT_EQ(parallel.Kind, TAdapterKind::Parallel);
  EXPECT_EQ(parallel.Lines[clVcc].Pins, (std::vector<std::string>{"D0", "D1", "D2"}));
  EXPECT_TRUE(parallel.Lines[clVcc].Inverted);
  EXPECT_EQ(parallel.Line, 25);
  const TByteLineMap map = CompileByteLineMap(parallel);
  EXPECT_EQ(map.OffState(), 0x07);  // the supply's pins high: off

  // The FTDI board switches VCC with a high pin: warned on its VCC entry.
  ASSERT_EQ(r.Warnings.size(), 1u);
  EXPECT_EQ(r.Warnings[0].rfind(FileName + ", line 17: [FT232R board]: VCC is switched on", 0), 0u)
      << r.Warnings[0];
}

// The user guide's examples are files that load as they stand.
TEST(AdapterFile, TheUserGuidesExamplesLoad) {
  std::ifstream in(fs::path(PELLAR_SOURCE_DIR) / "docs/USER_GUIDE.md");
  const std::string guide{std::istreambuf_iterator<char>(in), {}};
  const size_t section = guide.find("### Your own adapters");
  ASSERT_NE(section, std::string::npos);
  std::vector<TAdapterKind> kinds;
  for (size_t at = guide.find("```ini\n", section); at != std::string::npos;
       at = guide.find("```ini\n", at + 1)) {
    const size_t begin = at + 7, end = guide.find("```", begin);
    const TAdapterFileResult r = ParseAdapterText(guide.substr(begin, end - begin), FileName);
    EXPECT_EQ(r.Messages, std::vector<std::string>{});
    EXPECT_EQ(r.Warnings, std::vector<std::string>{});
    ASSERT_EQ(r.Adapters.size(), 1u);
    kinds.push_back(r.Adapters[0].Kind);
  }
  EXPECT_EQ(kinds, (std::vector<TAdapterKind>{TAdapterKind::Parallel, TAdapterKind::Ftdi,
                                              TAdapterKind::Gpio}));
}

TEST(AdapterFile, CapsItsMessagesWithALineThatCountsTheRest) {
  std::string text;
  for (int i = 0; i < 35; ++i) text += "junk\n";
  const TAdapterFileResult r = ParseAdapterText(text, FileName);
  ASSERT_EQ(r.Messages.size(), static_cast<size_t>(AdapterFileMessageLimit) + 1);
  EXPECT_EQ(r.Messages[19], FileName + ", line 20: \"junk\" is not a \"key = value\" entry");
  EXPECT_EQ(r.Messages[20], FileName + ", lines 21-35: … and 15 more");
}

// Inputs that a parser slow in the square of the size would not finish.
TEST(AdapterFile, LargeAndDegenerateTextsFinish) {
  {
    std::string line = "[Par]\nkind = parallel\nVCC = ";
    for (int i = 0; i < 200000; ++i) line += "D0 ";
    const TAdapterFileResult r = ParseAdapterText(line + "\n", FileName);
    EXPECT_EQ(Short(r.Messages),
              (std::vector<std::string>{"1: [Par]: CLK, RESET, MOSI, SCK and MISO are missing",
                                        "3: [Par] VCC: pin \"D0\" is named twice"}));
  }
  {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "[a]\n";
    const TAdapterFileResult r = ParseAdapterText(text, FileName);
    EXPECT_EQ(r.Messages.size(), static_cast<size_t>(AdapterFileMessageLimit) + 1);
  }
  {
    const std::string huge(1 << 20, 'x');
    const TAdapterFileResult r =
        ParseAdapterText("[" + huge + "]\nkind = " + huge + "\n", FileName);
    EXPECT_TRUE(r.Adapters.empty());
    for (const std::string& m : r.Messages) EXPECT_LT(m.size(), 300u);
  }
  {
    std::mt19937 rng(7);
    std::string junk(1 << 20, '\0');
    for (char& c : junk) c = static_cast<char>(rng());
    const TAdapterFileResult r = ParseAdapterText(junk, FileName);
    EXPECT_TRUE(r.Adapters.empty());
    EXPECT_LE(r.Messages.size(), static_cast<size_t>(AdapterFileMessageLimit) + 1);
  }
}

// Where each section's text lies: from the newline before its header to
// the newline before the next one.
struct TSectionSpan {
  std::string Name;
  size_t Begin = 0, End = 0;
};

std::vector<TSectionSpan> SectionSpans(const std::string& text) {
  std::vector<TSectionSpan> spans;
  for (size_t at = text.find("\n["); at != std::string::npos; at = text.find("\n[", at + 1)) {
    const size_t close = text.find(']', at);
    if (!spans.empty()) spans.back().End = at;
    spans.push_back({text.substr(at + 2, close - at - 2), at, text.size()});
  }
  return spans;
}

bool SameDefinition(const TAdapterDefinition& a, const TAdapterDefinition& b) {
  for (int line = 0; line < CardLineCount; ++line)
    if (a.Lines[line].Pins != b.Lines[line].Pins ||
        a.Lines[line].Inverted != b.Lines[line].Inverted)
      return false;
  return a.Name == b.Name && a.Kind == b.Kind && a.UsbVendor == b.UsbVendor &&
         a.UsbProduct == b.UsbProduct && a.Interface == b.Interface && a.BitRate == b.BitRate &&
         a.Chip == b.Chip;
}

// "<file>, line 12: ..." or "<file>, lines 12-40: ...", with some text.
bool NamesFileAndLine(const std::string& m) {
  const std::string head = FileName + ", line";
  if (m.rfind(head, 0) != 0) return false;
  std::string_view rest = std::string_view(m).substr(head.size());
  if (rest.substr(0, 1) == "s") rest.remove_prefix(1);
  auto number = [&] {
    const size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
    rest.remove_prefix(digits);
    return digits > 0;
  };
  if (rest.substr(0, 1) != " ") return false;
  rest.remove_prefix(1);
  if (!number()) return false;
  if (rest.substr(0, 1) == "-") {
    rest.remove_prefix(1);
    if (!number()) return false;
  }
  return rest.substr(0, 2) == ": " && rest.size() > 2;
}

bool ContainsNoCase(std::string_view hay, const std::string& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         }) != hay.end();
}

// Mutates the valid file at random (insert, delete, copy a range, flip
// bytes), and checks: no crash, every message names the file and a line,
// the count stays capped, and every section the mutation did not touch
// still loads as it did.
TEST(AdapterFile, MutatedFilesKeepTheUntouchedAdapters) {
  const std::string valid = ThreeKinds + "\n[Second parallel]\n" + ParallelSection.substr(6);
  const TAdapterFileResult base = ParseAdapterText(valid, FileName);
  ASSERT_EQ(base.Adapters.size(), 4u);
  ASSERT_TRUE(base.Messages.empty());
  const std::vector<TSectionSpan> spans = SectionSpans(valid);
  ASSERT_EQ(spans.size(), 4u);
  const char letters[] =
      "[]=!,;# \t\r\n\0\xff\xc3\x80"
      "DSV0123456789abkindVCCMISO";
  const std::string alphabet(letters, sizeof letters - 1);

  std::mt19937 rng(12345);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  int untouchedChecked = 0;
  for (int round = 0; round < 1200; ++round) {
    std::string text = valid;
    size_t lo = text.size(), hi = 0;  // the bytes the mutations touched
    const int edits = 1 + static_cast<int>(pick(3));
    for (int e = 0; e < edits; ++e) {
      const size_t at = pick(text.size() + 1);
      size_t len = 1 + pick(12);
      std::string insert;
      switch (pick(4)) {
        case 0:  // insert random bytes
          for (size_t i = 0; i < len; ++i) insert += alphabet[pick(alphabet.size())];
          text.insert(at, insert);
          break;
        case 1:  // delete
          len = std::min(len, text.size() - at);
          text.erase(at, len);
          break;
        case 2: {  // copy a range of the file here
          const size_t from = pick(text.size());
          insert = text.substr(from, 1 + pick(60));
          text.insert(at, insert);
          break;
        }
        default:  // flip bits
          len = std::min(len, text.size() - at);
          for (size_t i = 0; i < len; ++i)
            text[at + i] = static_cast<char>(text[at + i] ^ (1 << pick(8)));
          break;
      }
      // Only the first edit's place is traced back to the valid file's
      // sections; later edits mark the whole rest as touched.
      if (e == 0) {
        lo = at;
        hi = at + std::max(len, insert.size());
      } else {
        lo = std::min(lo, at);
        hi = text.size() + valid.size();
      }
    }
    const TAdapterFileResult r = ParseAdapterText(text, FileName);
    SCOPED_TRACE(text);
    ASSERT_LE(r.Messages.size(), static_cast<size_t>(AdapterFileMessageLimit) + 1);
    for (const std::string& m : r.Messages) ASSERT_TRUE(NamesFileAndLine(m)) << m;
    for (const std::string& w : r.Warnings) ASSERT_TRUE(NamesFileAndLine(w)) << w;
    for (const TAdapterDefinition& a : r.Adapters) ASSERT_EQ(CheckAdapterDefinition(a), "");

    // A section wholly before the first touched byte, or (with one edit)
    // wholly after the last, is untouched, as long as no section before
    // it now carries its name.
    for (size_t s = 0; s < spans.size(); ++s) {
      const TSectionSpan& span = spans[s];
      const bool before = span.End + 1 < lo;
      const bool after = edits == 1 && span.Begin > hi + 1;
      if (!before && !after) continue;
      const long shift = static_cast<long>(text.size()) - static_cast<long>(valid.size());
      const size_t header = after ? span.Begin + static_cast<size_t>(shift) : span.Begin;
      if (ContainsNoCase(std::string_view(text).substr(0, header), "[" + span.Name + "]")) continue;
      const auto found = std::find_if(r.Adapters.begin(), r.Adapters.end(),
                                      [&](const auto& a) { return a.Name == span.Name; });
      ASSERT_NE(found, r.Adapters.end()) << span.Name;
      EXPECT_TRUE(SameDefinition(*found, base.Adapters[s])) << span.Name;
      ++untouchedChecked;
    }
  }
  EXPECT_GT(untouchedChecked, 1200);
}

struct TFileFixture : ::testing::Test {
  TFileFixture() {
    Root = fs::temp_directory_path() / ("pellar-adapters-" + std::to_string(::getpid()));
    fs::create_directories(Root);
  }
  ~TFileFixture() override {
    std::error_code ec;
    fs::permissions(Root / "locked.ini", fs::perms::owner_all, ec);
    fs::remove_all(Root, ec);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path p = Root / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  fs::path Root;
};

TEST_F(TFileFixture, ReadsTheFileAndRefusesWhatItCannotRead) {
  // Missing: nothing, silently.
  const TAdapterFileResult missing = ReadAdapterFile((Root / "none.ini").string());
  EXPECT_TRUE(missing.Adapters.empty());
  EXPECT_TRUE(missing.Messages.empty());
  EXPECT_TRUE(ReadAdapterFile("").Messages.empty());

  // Read and parsed, messages naming the path as given.
  const std::string good = Write("adapters.ini", ThreeKinds + "[X]\nkind = serial\n");
  const TAdapterFileResult r = ReadAdapterFile(good);
  EXPECT_EQ(r.Adapters.size(), 3u);
  EXPECT_EQ(r.Adapters[0].File, good);
  ASSERT_EQ(r.Messages.size(), 2u);
  EXPECT_EQ(r.Messages[0],
            good + ", line 33: [X]: VCC, CLK, RESET, MOSI, SCK and MISO are missing");

  // Exactly 64 KiB is read; a byte more is refused unread.
  std::string full = ParallelSection;
  full += std::string(static_cast<size_t>(AdapterFileSizeLimit) - full.size() - 1, '#') + "\n";
  EXPECT_EQ(ReadAdapterFile(Write("full.ini", full)).Adapters.size(), 1u);
  const std::string big = Write("big.ini", full + "\n");
  const TAdapterFileResult refused = ReadAdapterFile(big);
  EXPECT_TRUE(refused.Adapters.empty());
  EXPECT_EQ(refused.Messages,
            std::vector<std::string>{big + ": the adapter file is 65537 bytes; a file over 64 KiB "
                                           "is not read"});

  // A folder, a FIFO without a writer (must not block), a file without
  // read permission: one message each.
  fs::create_directories(Root / "folder.ini");
  EXPECT_EQ(ReadAdapterFile((Root / "folder.ini").string()).Messages,
            std::vector<std::string>{(Root / "folder.ini").string() +
                                     ": the adapter file cannot be read (it is a folder)"});
  ASSERT_EQ(::mkfifo((Root / "fifo.ini").c_str(), 0600), 0);
  EXPECT_EQ(ReadAdapterFile((Root / "fifo.ini").string()).Messages.size(), 1u);
  if (::geteuid() != 0) {
    const std::string locked = Write("locked.ini", ParallelSection);
    fs::permissions(locked, fs::perms::none);
    const TAdapterFileResult denied = ReadAdapterFile(locked);
    EXPECT_TRUE(denied.Adapters.empty());
    EXPECT_EQ(denied.Messages,
              std::vector<std::string>{locked + ": the adapter file cannot be read (Permission "
                                                "denied)"});
  }
}

TEST(AdapterFile, DefaultPathFollowsTheSettingsFolder) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const char* oldHome = std::getenv("HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "", savedHome = oldHome ? oldHome : "";

  ::setenv("HOME", "/home/u/", 1);
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(DefaultAdapterFilePath(), "/home/u/.config/pellar-remake/adapters.ini");
  ::setenv("XDG_CONFIG_HOME", "/cfg/", 1);
  EXPECT_EQ(DefaultAdapterFilePath(), "/cfg/pellar-remake/adapters.ini");
  ::setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: not used
  EXPECT_EQ(DefaultAdapterFilePath(), "/home/u/.config/pellar-remake/adapters.ini");

  if (oldXdg)
    ::setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  if (oldHome)
    ::setenv("HOME", savedHome.c_str(), 1);
  else
    ::unsetenv("HOME");
}

}  // namespace
