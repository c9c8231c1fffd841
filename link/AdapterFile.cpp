#include "link/AdapterFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <system_error>

namespace {

// ---------------------------------------------------------------------------
// Text helpers

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string UpperCase(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = Upper(c);
  return u;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Upper(x) == Upper(y); });
}

// Why a line cannot be read as text, or "": a control character (a NUL, a
// lone CR: a binary file, most likely) or bytes that are not UTF-8.
std::string TextProblem(std::string_view line) {
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const auto* end = p + line.size();
  while (p < end) {
    const unsigned char c = *p;
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) return "holds a control character";
      ++p;
      continue;
    }
    // The lead byte says how many continuation bytes follow and the
    // smallest code point the sequence may carry (no overlong forms, no
    // surrogates, nothing past U+10FFFF).
    int more = 0;
    unsigned long cp = 0, least = 0;
    if (c >= 0xC2 && c <= 0xDF)
      more = 1, cp = c & 0x1F, least = 0x80;
    else if (c >= 0xE0 && c <= 0xEF)
      more = 2, cp = c & 0x0F, least = 0x800;
    else if (c >= 0xF0 && c <= 0xF4)
      more = 3, cp = c & 0x07, least = 0x10000;
    else
      return "is not UTF-8 text";
    if (end - p <= more) return "is not UTF-8 text";
    for (int i = 1; i <= more; ++i) {
      if ((p[i] & 0xC0) != 0x80) return "is not UTF-8 text";
      cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return "is not UTF-8 text";
    p += more + 1;
  }
  return "";
}

// Text from the file as a message shows it: cut after `limit` bytes (at a
// character's start) with an ellipsis.
std::string Cut(std::string_view s, size_t limit) {
  if (s.size() <= limit) return std::string(s);
  size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return std::string(s.substr(0, cut)) + "…";
}
std::string Quote(std::string_view s) { return "\"" + Cut(s, 40) + "\""; }

// A list of names as a sentence lists them: "A", "A and B", "A, B and C".
std::string NameList(const std::vector<std::string>& names) {
  std::string list;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) list += i + 1 == names.size() ? " and " : ", ";
    list += names[i];
  }
  return list;
}

constexpr const char* FileKinds = "parallel, ftdi or gpio";

// ---------------------------------------------------------------------------
// The entries of a section

enum TKey { kKind, kUsb, kInterface, kRate, kChip, kLine0 };
constexpr int KeyCount = kLine0 + CardLineCount;

// The key as messages spell it.
const char* KeyName(int key) {
  static constexpr const char* Names[] = {"kind", "usb", "interface", "rate", "chip"};
  return key >= kLine0 ? CardLineNames[static_cast<size_t>(key - kLine0)] : Names[key];
}

std::optional<int> FindKey(std::string_view name) {
  for (int key = 0; key < KeyCount; ++key)
    if (SameText(name, KeyName(key))) return key;
  return std::nullopt;
}

struct TEntry {
  std::string Key;  // as written
  std::string Value;
  int Line = 0;
};

struct TSection {
  std::string Name;
  int Line = 0;
  bool Faulty = false;  // a line of it could not be read (reported already)
  std::vector<TEntry> Entries;
};

// The messages (or warnings) of a file, kept in line order and capped:
// the first AdapterFileMessageLimit by line are kept, and of the rest only
// their count and their lines' span, so that a file of junk costs no more
// memory than a good one.
class TNoteList {
public:
  void Add(int line, std::string text) {
    TNote note{line, Count++, std::move(text)};
    if (Kept.size() < static_cast<size_t>(AdapterFileMessageLimit)) {
      Kept.push_back(std::move(note));
      std::push_heap(Kept.begin(), Kept.end(), Before);
      return;
    }
    if (Before(note, Kept.front())) {
      std::pop_heap(Kept.begin(), Kept.end(), Before);
      Drop(Kept.back().Line);
      Kept.back() = std::move(note);
      std::push_heap(Kept.begin(), Kept.end(), Before);
    } else {
      Drop(note.Line);
    }
  }

  // Each message names the file and its line; a last one counts the rest.
  std::vector<std::string> Texts(const std::string& fileName) {
    std::sort_heap(Kept.begin(), Kept.end(), Before);
    std::vector<std::string> out;
    for (const TNote& note : Kept)
      out.push_back(fileName + ", line " + std::to_string(note.Line) + ": " + note.Text);
    if (Dropped > 0)
      out.push_back(fileName +
                    (DroppedFirst == DroppedLast ? ", line " + std::to_string(DroppedFirst)
                                                 : ", lines " + std::to_string(DroppedFirst) + "-" +
                                                       std::to_string(DroppedLast)) +
                    ": … and " + std::to_string(Dropped) + " more");
    return out;
  }

private:
  struct TNote {
    int Line = 0;
    size_t Order = 0;  // among notes of one line, the order they came in
    std::string Text;
  };
  static bool Before(const TNote& a, const TNote& b) {
    return a.Line != b.Line ? a.Line < b.Line : a.Order < b.Order;
  }
  void Drop(int line) {
    ++Dropped;
    DroppedFirst = std::min(DroppedFirst, line);
    DroppedLast = std::max(DroppedLast, line);
  }

  std::vector<TNote> Kept;  // a heap, the last note by line on top
  size_t Count = 0;
  size_t Dropped = 0;
  int DroppedFirst = INT_MAX, DroppedLast = 0;
};

// A pin's identity for the "used twice" check. Pins of byte kinds are one
// pin when they are the same bit with the same directions, so the FTDI
// names "D0", "TXD" and "AD0" are one pin while the parallel port's data
// bit D6 and status bit S6 are two; GPIO pins are named by the chip, so
// only the same name (in any case) or the same offset is the same pin.
std::string PinIdentity(TAdapterKind kind, const std::string& name) {
  if (kind == TAdapterKind::Gpio) return GpioPinKey(name);
  const TBytePin pin = FindBytePin(kind, name);
  return std::to_string(pin.Bit) + (pin.Output ? "o" : "") + (pin.Input ? "i" : "");
}

struct TPinUse {
  int CardLine = 0;
  int Line = 0;
  std::string Name;
};

// "0403:6001": one to four hex digits each side, neither zero.
bool ParseUsbId(std::string_view s, uint16_t& vendor, uint16_t& product) {
  const size_t colon = s.find(':');
  if (colon == std::string_view::npos) return false;
  auto hex = [](std::string_view part, uint16_t& out) {
    if (part.empty() || part.size() > 4) return false;
    unsigned value = 0;
    for (char c : part) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
      value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c))
                                                     ? c - '0'
                                                     : Upper(c) - 'A' + 10);
    }
    out = static_cast<uint16_t>(value);
    return value != 0;
  };
  return hex(Trim(s.substr(0, colon)), vendor) && hex(Trim(s.substr(colon + 1)), product);
}

// ---------------------------------------------------------------------------
// The parser

class TAdapterParser {
public:
  explicit TAdapterParser(const std::string& fileName) : FileName(fileName) {}

  TAdapterFileResult Parse(std::string_view text) {
    // A byte order mark, as some editors write one.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    int lineNo = 0;
    while (!text.empty()) {
      const size_t nl = text.find('\n');
      std::string_view line = text.substr(0, nl);
      text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      ParseLine(Trim(line), ++lineNo);
    }
    EndSection();
    TAdapterFileResult result;
    result.Adapters = std::move(Adapters);
    result.Messages = Messages.Texts(FileName);
    result.Warnings = Warnings.Texts(FileName);
    return result;
  }

private:
  void ParseLine(std::string_view line, int lineNo) {
    if (line.empty() || line.front() == '#' || line.front() == ';') return;
    const bool header = line.front() == '[';
    if (const std::string problem = TextProblem(line); !problem.empty()) {
      if (header) StartBrokenSection();
      LineFault(lineNo, "the line " + problem + " and cannot be read");
      return;
    }
    if (header) {
      if (line.back() != ']') {
        StartBrokenSection();
        LineFault(lineNo, Quote(line) + " is not an [adapter name]: the line must end with \"]\"");
        return;
      }
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      if (name.empty()) {
        StartBrokenSection();
        LineFault(lineNo, "\"[]\": an adapter needs a name");
        return;
      }
      EndSection();
      Section = TSection{std::string(name), lineNo, false, {}};
      return;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      LineFault(lineNo, Quote(line) + " is not a \"key = value\" entry");
      return;
    }
    const std::string_view key = Trim(line.substr(0, eq));
    if (key.empty()) {
      LineFault(lineNo, Quote(line) + " has no key before \"=\"");
      return;
    }
    if (!Section) {
      const std::optional<int> known = FindKey(key);
      if (!InBrokenSection)
        Note(lineNo, (known ? std::string(KeyName(*known)) : Quote(key)) +
                         ": the entry is outside any [adapter] section");
      return;
    }
    Section->Entries.push_back({std::string(key), std::string(Trim(line.substr(eq + 1))), lineNo});
  }

  // A line that cannot be read makes its section's adapter unusable. The
  // lines of a section whose header could not be read are passed over: its
  // header's message says enough.
  void LineFault(int lineNo, const std::string& text) {
    if (Section) {
      Section->Faulty = true;
      Note(lineNo, Label() + ": " + text);
    } else if (!InBrokenSection || BrokenHeaderPending) {
      Note(lineNo, text);
    }
    BrokenHeaderPending = false;
  }

  void StartBrokenSection() {
    EndSection();
    InBrokenSection = true;
    BrokenHeaderPending = true;
  }

  void Note(int lineNo, std::string text) { Messages.Add(lineNo, std::move(text)); }

  // "[My board]", the name cut short when it is long.
  std::string Label() const { return "[" + Cut(Section->Name, 60) + "]"; }

  // Faults of the section being checked: of one entry ("[My board] SCK:
  // ..."), of the adapter on the line of its name ("[My board]: ...").
  void EntryFault(const TEntry& entry, const std::string& key, const std::string& text) {
    Faulty = true;
    Note(entry.Line, Label() + " " + key + ": " + text);
  }
  void SectionFault(const std::string& text, int lineNo = 0) {
    Faulty = true;
    Note(lineNo ? lineNo : Section->Line, Label() + ": " + text);
  }

  void EndSection() {
    if (Section) CheckSection();
    Section.reset();
    InBrokenSection = false;
    BrokenHeaderPending = false;
  }

  void CheckSection() {
    TSection& s = *Section;
    Faulty = s.Faulty;
    TAdapterDefinition adapter;
    adapter.Name = s.Name;
    adapter.File = FileName;
    adapter.Line = s.Line;

    CheckName(s);

    // Which entry gives each key (the first; a second is a fault).
    std::array<const TEntry*, KeyCount> given{};
    for (const TEntry& entry : s.Entries) {
      const std::optional<int> key = FindKey(entry.Key);
      if (!key) {
        SectionFault("unknown key " + Quote(entry.Key), entry.Line);
        continue;
      }
      if (const TEntry* first = given[static_cast<size_t>(*key)]) {
        EntryFault(entry, KeyName(*key),
                   "given twice (first on line " + std::to_string(first->Line) + ")");
        continue;
      }
      given[static_cast<size_t>(*key)] = &entry;
    }

    const std::optional<TAdapterKind> kind = CheckKind(given[kKind]);
    if (kind) adapter.Kind = *kind;
    CheckKindEntries(given, kind, adapter);

    // The card lines, in file order so that a pin used twice is reported
    // on its second use.
    std::vector<std::pair<const TEntry*, int>> lines;
    for (int line = 0; line < CardLineCount; ++line)
      if (const TEntry* entry = given[static_cast<size_t>(kLine0 + line)])
        lines.emplace_back(entry, line);
    std::sort(lines.begin(), lines.end(),
              [](const auto& a, const auto& b) { return a.first->Line < b.first->Line; });
    std::map<std::string, TPinUse> used;
    for (const auto& [entry, line] : lines) {
      CheckLine(*entry, line, kind, used, adapter.Lines[static_cast<size_t>(line)]);
      adapter.EntryLines[static_cast<size_t>(line)] = entry->Line;
    }

    std::vector<std::string> missing;
    for (int line = 0; line < CardLineCount; ++line)
      if (!given[static_cast<size_t>(kLine0 + line)])
        missing.emplace_back(CardLineNames[static_cast<size_t>(line)]);
    if (!missing.empty())
      SectionFault(NameList(missing) + (missing.size() == 1 ? " is" : " are") + " missing");

    if (Faulty) return;
    // The definition's own check has the last word, so that no rule it
    // keeps can be passed over here.
    if (const std::string error = CheckAdapterDefinition(adapter); !error.empty()) {
      SectionFault(error);
      return;
    }
    for (const std::string& warning : AdapterWarnings(adapter))
      Warnings.Add(WarningLine(warning, given), Label() + ": " + warning);
    Adapters.push_back(std::move(adapter));
  }

  void CheckName(const TSection& s) {
    if (s.Name.size() > AdapterNameLimit)
      SectionFault("the name is longer than " + std::to_string(AdapterNameLimit) + " characters");
    for (const TAdapterDefinition& builtIn : BuiltInAdapters())
      if (SameText(builtIn.Name, s.Name)) SectionFault("the name of a built-in adapter");
    const auto [at, fresh] = Names.emplace(UpperCase(s.Name), s.Line);
    if (!fresh)
      SectionFault("the name is used by the adapter on line " + std::to_string(at->second));
  }

  std::optional<TAdapterKind> CheckKind(const TEntry* entry) {
    if (!entry) {
      SectionFault(std::string("kind is missing (") + FileKinds + ")");
      return std::nullopt;
    }
    const std::optional<TAdapterKind> kind = AdapterKindByName(entry->Value);
    if (!kind) {
      EntryFault(*entry, "kind",
                 (entry->Value.empty() ? std::string("no kind given")
                                       : "unknown kind " + Quote(entry->Value)) +
                     " (" + FileKinds + ")");
      return std::nullopt;
    }
    if (*kind == TAdapterKind::VirtualCard) {
      EntryFault(
          *entry, "kind",
          std::string("the virtual card is built in; a file adds ") + FileKinds + " adapters");
      return std::nullopt;
    }
    return kind;
  }

  // usb, interface and rate (FTDI), chip (GPIO).
  void CheckKindEntries(const std::array<const TEntry*, KeyCount>& given,
                        std::optional<TAdapterKind> kind, TAdapterDefinition& adapter) {
    for (int key : {kUsb, kInterface, kRate, kChip}) {
      const TEntry* entry = given[static_cast<size_t>(key)];
      if (!entry) continue;
      const std::string name = KeyName(key);
      const TAdapterKind owner = key == kChip ? TAdapterKind::Gpio : TAdapterKind::Ftdi;
      if (kind && *kind != owner) {
        EntryFault(*entry, name,
                   std::string(owner == TAdapterKind::Ftdi ? "only an " : "only a ") +
                       AdapterKindName(owner) + " adapter has this entry");
        continue;
      }
      const std::string& value = entry->Value;
      switch (key) {
        case kUsb:
          if (!ParseUsbId(value, adapter.UsbVendor, adapter.UsbProduct))
            EntryFault(*entry, name,
                       Quote(value) + " is not a USB id (vendor:product in hex, as 0403:6001)");
          break;
        case kInterface:
          if (value.size() == 1 && Upper(value[0]) >= 'A' && Upper(value[0]) <= 'D')
            adapter.Interface = Upper(value[0]) - 'A';
          else
            EntryFault(*entry, name, Quote(value) + " is not A, B, C or D");
          break;
        case kRate: CheckRate(*entry, adapter.BitRate); break;
        case kChip:
          if (value.empty()) EntryFault(*entry, name, "no chip given");
          adapter.Chip = value;
          break;
      }
    }
  }

  void CheckRate(const TEntry& entry, uint32_t& rate) {
    const std::string& value = entry.Value;
    if (value.empty() || !std::all_of(value.begin(), value.end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c));
        })) {
      EntryFault(entry, "rate", Quote(value) + " is not a number");
      return;
    }
    uint64_t n = 0;
    for (char c : value) {
      n = n * 10 + static_cast<uint64_t>(c - '0');
      if (n > UINT32_MAX) break;
    }
    if (n == 0 || n > UINT32_MAX) {
      EntryFault(entry, "rate",
                 Quote(value) + " is not a rate from 1 to " + std::to_string(UINT32_MAX) +
                     " states per second");
      return;
    }
    rate = static_cast<uint32_t>(n);
  }

  // One card line's pins: the first fault of the entry is reported.
  void CheckLine(const TEntry& entry, int line, std::optional<TAdapterKind> kind,
                 std::map<std::string, TPinUse>& used, TLineWiring& wiring) {
    const std::string name = CardLineNames[static_cast<size_t>(line)];
    std::optional<bool> inverted;
    std::string_view rest = entry.Value;
    while (!rest.empty()) {
      const size_t end = rest.find_first_of(" \t,");
      std::string_view token = rest.substr(0, end);
      rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      if (token.empty()) continue;
      const bool bang = token.front() == '!';
      if (bang) token.remove_prefix(1);
      if (token.empty()) return EntryFault(entry, name, "\"!\" without a pin name");
      if (inverted && *inverted != bang)
        return EntryFault(entry, name, "mark every pin of a line with \"!\" or none");
      inverted = bang;
      const std::string pin(token);
      if (line == clMiso && !wiring.Pins.empty()) return EntryFault(entry, name, "must be one pin");
      wiring.Pins.push_back(pin);
      if (!kind) continue;  // pins are known by the kind
      if (*kind != TAdapterKind::Gpio) {
        const TBytePin p = FindBytePin(*kind, pin);
        if (p.Bit < 0) return EntryFault(entry, name, "unknown pin " + Quote(pin));
        const bool input = line == clMiso;
        if (input ? !p.Input : !p.Output)
          return EntryFault(entry, name,
                            "pin " + Quote(pin) + " cannot be " + (input ? "read" : "driven"));
      }
      const auto [at, fresh] =
          used.emplace(PinIdentity(*kind, pin), TPinUse{line, entry.Line, pin});
      if (fresh) continue;
      const TPinUse& first = at->second;
      if (first.CardLine == line)
        return EntryFault(entry, name, "pin " + Quote(pin) + " is named twice");
      return EntryFault(entry, name,
                        "pin " + Quote(pin) + " is used by " +
                            CardLineNames[static_cast<size_t>(first.CardLine)] + " too (" +
                            (SameText(first.Name, pin) ? "" : "as " + first.Name + " ") +
                            "on line " + std::to_string(first.Line) + ")");
    }
    if (wiring.Pins.empty()) return EntryFault(entry, name, "no pin given");
    wiring.Inverted = inverted.value_or(false);
  }

  // A warning that begins with a card line's name is about that line's
  // entry; any other about the adapter.
  int WarningLine(const std::string& warning, const std::array<const TEntry*, KeyCount>& given) {
    for (int line = 0; line < CardLineCount; ++line) {
      const std::string name = std::string(CardLineNames[static_cast<size_t>(line)]) + " ";
      const TEntry* entry = given[static_cast<size_t>(kLine0 + line)];
      if (entry && warning.compare(0, name.size(), name) == 0) return entry->Line;
    }
    return Section->Line;
  }

  const std::string& FileName;
  std::optional<TSection> Section;
  bool InBrokenSection = false;      // after a header that could not be read
  bool BrokenHeaderPending = false;  // that header's own message is still to come
  bool Faulty = false;               // the section being checked has a fault
  std::map<std::string, int> Names;  // upper-case adapter name -> its line
  std::vector<TAdapterDefinition> Adapters;
  TNoteList Messages;
  TNoteList Warnings;
};

std::string ErrorText(int error) {
  return std::error_code(error, std::generic_category()).message();
}

}  // namespace

TAdapterFileResult ParseAdapterText(std::string_view text, const std::string& fileName) {
  return TAdapterParser(fileName).Parse(text);
}

TAdapterFileResult ReadAdapterFile(const std::string& path) {
  TAdapterFileResult result;
  auto refuse = [&](const std::string& why) {
    result.Messages.push_back(path + ": the adapter file cannot be read (" + why + ")");
    return result;
  };
  // O_NONBLOCK: opening a FIFO without a writer must not wait.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return result;
    return refuse(ErrorText(errno));
  }
  struct TCloser {
    int Fd;
    ~TCloser() { ::close(Fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return refuse(ErrorText(errno));
  if (S_ISDIR(st.st_mode)) return refuse("it is a folder");
  if (!S_ISREG(st.st_mode)) return refuse("it is not a regular file");
  auto tooLarge = [&](long long size) {
    result.Messages.push_back(path + ": the adapter file is " + std::to_string(size) +
                              " bytes; a file over 64 KiB is not read");
    return result;
  };
  if (st.st_size > AdapterFileSizeLimit) return tooLarge(st.st_size);
  // The file may grow while it is read: one byte more than the limit tells.
  std::string text(static_cast<size_t>(AdapterFileSizeLimit) + 1, '\0');
  size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return refuse(ErrorText(errno));
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > static_cast<size_t>(AdapterFileSizeLimit)) return tooLarge(static_cast<long long>(got));
  text.resize(got);
  return ParseAdapterText(text, path);
}

std::string DefaultAdapterFilePath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] != '\0') {
      home = h;
    } else {
      passwd pw{};
      passwd* found = nullptr;
      std::vector<char> buffer(16384);
      if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
          found->pw_dir)
        home = found->pw_dir;
    }
    if (home.empty()) return "";
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    base = (home == "/" ? "" : home) + "/.config";
  }
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/pellar-remake/adapters.ini";
}
