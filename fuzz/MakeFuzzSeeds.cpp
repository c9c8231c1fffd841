// Writes the hand-made seeds of the fuzz targets into <folder>/<Target>/:
// edge cases of each format, and the reproducers of faults found so far
// (files without data, an ELF segment outside the file, an XML element
// with 40 000 attributes, entity and attribute-default declarations). The
// build runs it; fuzz/MakeToolchainSeeds.cmake adds what other tools write.
#include <QDir>
#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/CardState.h"
#include "images/CardImageFile.h"
#include "images/DeviceCatalogue.h"
#include "images/ImageFormats.h"
#include "tests/images/ElfBuilder.h"
#include "tests/images/HexTestSupport.h"

using hextest::DataRecord;
using hextest::EndRecord;
using hextest::RandomBytes;
using hextest::Record;
using hextest::SRecord;

namespace {

QString Folder;

QString PathOf(const char* target, const std::string& name) {
  const QString folder = Folder + QLatin1Char('/') + QLatin1String(target);
  QDir().mkpath(folder);
  return folder + QLatin1Char('/') + QString::fromStdString(name);
}

void Put(const char* target, const std::string& name, const std::string& bytes) {
  hextest::WriteBytes(PathOf(target, name), bytes);
}

std::string Lines(const std::vector<std::string>& records, const char* end = "\r\n") {
  std::string text;
  for (const std::string& r : records) text += r + end;
  return text;
}

void HexSeeds() {
  Put("HexFile", "repro-empty.hex", "");
  Put("HexFile", "repro-end-only.hex", EndRecord + "\r\n");
  Put("HexFile", "records.hex",
      Lines({DataRecord(0, RandomBytes(16, 1)), Record(2, 0, 2, {0x10, 0x00}),
             DataRecord(0x10, {1, 2, 3}), Record(2, 0, 4, {0x00, 0x01}),
             DataRecord(0xFFF8, RandomBytes(8, 2)), Record(4, 0, 3, {0, 0, 0x12, 0x34}),
             Record(4, 0, 5, {0, 0, 0, 0}), EndRecord},
            "\n"));
  Put("HexFile", "card-layout.hex",
      Lines({DataRecord(0, RandomBytes(32, 3)), Record(2, 0, 4, {0x00, 0x81}),
             DataRecord(0, RandomBytes(16, 4)), Record(2, 0, 4, {0x01, 0x00}),
             DataRecord(0x20, {9}), EndRecord}));
  Put("HexFile", "lower-case-cr.hex", ":0300000001abcd84\r:00000001ff\r");
  Put("HexFile", "no-end.hex", Lines({DataRecord(0, {1, 2})}));
  Put("HexFile", "out-of-address.hex", Lines({DataRecord(0x1FFF8, RandomBytes(16, 5)), EndRecord}));
  std::vector<uint8_t> flash = RandomBytes(300, 6);
  SaveImageFileAs(PathOf("HexFile", "written.hex"), ifIntelHex, flash.data(), 300);
}

void SRecordSeeds() {
  Put("SRecordFile", "repro-empty.srec", "");
  Put("SRecordFile", "repro-s9-only.srec", SRecord(9, 0) + "\r\n");
  Put("SRecordFile", "header-count-end.s19",
      Lines({SRecord(0, 0, {'h', 'i'}), SRecord(5, 0), SRecord(9, 0)}));
  Put("SRecordFile", "widths.srec",
      Lines({SRecord(0, 0, {'x'}), SRecord(1, 0xFFF8, RandomBytes(8, 1)),
             SRecord(2, 0x10000, RandomBytes(20, 2)), SRecord(3, 0x100F0, RandomBytes(16, 3)),
             SRecord(5, 3), SRecord(8, 0x123456)},
            "\n"));
  Put("SRecordFile", "no-end-record.srec",
      Lines({SRecord(1, 0, RandomBytes(16, 4)), SRecord(1, 16, RandomBytes(5, 5)), SRecord(5, 2)}));
  Put("SRecordFile", "count-disagrees.srec",
      Lines({SRecord(1, 0, {1}), SRecord(6, 2), SRecord(9, 0)}));
  Put("SRecordFile", "card-layout.s28",
      Lines({SRecord(2, 0, RandomBytes(16, 6)), SRecord(2, 0x810000, RandomBytes(32, 7)),
             SRecord(8, 0)}));
  std::vector<uint8_t> image = RandomBytes(70000, 8);
  SaveImageFileAs(PathOf("SRecordFile", "written.srec"), ifSRecord, image.data(), 70000);
}

void BinarySeeds() {
  Put("BinaryFile", "repro-empty.bin", "");
  Put("BinaryFile", "one-byte.bin", "\x0C");
  Put("BinaryFile", "looks-like-hex", ":0");
  Put("BinaryFile", "looks-like-srec", "\r\nS1");
  Put("BinaryFile", "elf-magic",
      "\x7F"
      "ELF");
  const std::vector<uint8_t> bytes = RandomBytes(8193, 9);
  Put("BinaryFile", "larger-than-flash.bin", std::string(bytes.begin(), bytes.end()));
}

void ElfSeeds() {
  using elftest::TSegment;
  const std::string card = elftest::BuildElf({
      TSegment{0, 0, RandomBytes(64, 1)},
      TSegment{64, 0x800060, RandomBytes(10, 2)},
      TSegment{0x800070, 0x800070, {}, 1, 20},
      TSegment{0x810000, 0x810000, RandomBytes(30, 3)},
      TSegment{0x820000, 0x820000, {0xE4, 0xFF}},
      TSegment{0, 0, {7}, 4},
  });
  Put("ElfFile", "card.elf", card);
  Put("ElfFile", "eeprom-only.elf", elftest::BuildElf({TSegment{0x810010, 0x810010, {1, 2, 3}}}));
  Put("ElfFile", "arm.elf", elftest::BuildElf({TSegment{0, 0, {1}}}, 40));
  // The EEPROM segment reaches one byte past the end of the file; loading
  // the flash once took the file.
  Put("ElfFile", "repro-segment-outside-file.elf",
      elftest::BuildElf(
          {TSegment{0, 0, RandomBytes(16, 4)}, TSegment{0x810000, 0x810000, RandomBytes(8, 5)}})
          .substr(0, 52 + 2 * 32 + 16 + 7));
  Put("ElfFile", "headers-cut.elf", card.substr(0, 60));
  Put("ElfFile", "repro-empty.elf", "");
}

void CardImageSeeds() {
  const std::vector<uint8_t> flash = RandomBytes(256, 1), internal = RandomBytes(64, 2),
                             external = RandomBytes(512, 3);
  WriteCardImageFile(PathOf("CardImageFile", "three.hex"),
                     {TConstImageBuffer{flash.data(), 256}, TConstImageBuffer{internal.data(), 64},
                      TConstImageBuffer{external.data(), 512}});
  Put("CardImageFile", "external-only.srec",
      Lines({SRecord(3, 0x01000000, RandomBytes(16, 4)), SRecord(7, 0)}));
  Put("CardImageFile", "sram.hex",
      Lines({Record(2, 0, 4, {0x00, 0x80}), DataRecord(0, {1}), EndRecord}));
  Put("CardImageFile", "repro-empty.hex", "");
  Put("CardImageFile", "repro-end-only.hex", EndRecord + "\r\n");
}

std::string Wide(int count, const std::string& prefix, const std::string& value) {
  std::string text = "<e";
  for (int i = 0; i < count; ++i) text += " " + prefix + std::to_string(i) + "='" + value + "'";
  return text + "/>";
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
  std::string text = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char c : ascii) {
    if (bigEndian) text += '\0';
    text += c;
    if (!bigEndian) text += '\0';
  }
  return text;
}

void XmlSeeds() {
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a card -->\n"
      "<!DOCTYPE card SYSTEM \"card.dtd\">\n<card version='1'>\n"
      "  <flash size=\"8192\">text &amp; more &#65;</flash>\n  <?pi data?>\n"
      "  <![CDATA[ <raw> ]]>\n  <x:eeprom xmlns:x='urn:x' x:size='512'/>\n</card>\n";
  Put("XmlImport", "card.xml", document);
  Put("XmlImport", "utf16le.xml", Utf16(document, false));
  Put("XmlImport", "utf16be.xml", Utf16("<?xml version='1.0' encoding='UTF-16'?><b/>", true));
  Put("XmlImport", "utf8-bom.xml", "\xEF\xBB\xBF<card/>");
  Put("XmlImport", "latin1.xml", "<?xml version='1.0' encoding='ISO-8859-1'?><caf\xE9/>");
  Put("XmlImport", "utf7.xml", "<?xml version='1.0' encoding='UTF-7'?>+ADw-card/+AD4-");
  Put("XmlImport", "malformed.xml", "<root>\n <a/>\n <b>text</c>\n</root>\n");
  Put("XmlImport", "repro-empty.xml", "");
  Put("XmlImport", "repro-40000-attributes.xml", "<card>" + Wide(40000, "a", "") + "</card>");
  Put("XmlImport", "repro-40000-namespaces.xml",
      "<card>" + Wide(40000, "xmlns:p", "u") + "</card>");
  Put(
      "XmlImport", "repro-entity-expansion.xml",
      "<!DOCTYPE card [<!ENTITY e '" + std::string(4000, 'x') + "'>]><card>" +
          [] {
            std::string refs;
            for (int i = 0; i < 1000; ++i) refs += "&e;";
            return refs;
          }() +
          "</card>");
  Put("XmlImport", "repro-attribute-defaults.xml",
      "<!DOCTYPE card [<!ATTLIST card a CDATA 'v' b CDATA 'w'>]><card/>");
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<a>";
  for (int i = 0; i < 300; ++i) deep += "</a>";
  Put("XmlImport", "deep.xml", deep);
  Put("XmlImport", "wide-at-limit.xml", "<card>" + Wide(1000, "a", "=>") + "</card>");
}

void CardStateSeeds() {
  for (const auto& [processor, eeprom] :
       {std::pair{"AT90S2323", "2464/2465"}, std::pair{"AT90S8515", "24128"}}) {
    TCardState state;
    state.ProcessorRow = FindProcessorRow(processor);
    state.EepromRow = FindEepromRow(eeprom);
    if (state.ProcessorRow < 0 || state.EepromRow < 0) continue;
    const ProcessorInfo& p = *ProcessorAt(state.ProcessorRow);
    state.Flash = RandomBytes(static_cast<size_t>(p.FlashSize), 1);
    state.InternalEeprom = RandomBytes(static_cast<size_t>(p.EepromSize), 2);
    state.ExternalEeprom = RandomBytes(static_cast<size_t>(EepromTable[state.EepromRow].Size), 3);
    state.EepromAbsent = eeprom == std::string("24128");
    state.StopAnsweringAfter = eeprom == std::string("24128") ? 12345 : 0;
    WriteCardStateFile(PathOf("CardState", std::string(processor) + ".json"), state);
  }
  Put("CardState", "short.json",
      R"({"format": "pellar-virtual-card", "version": 1, "processor": "at90s2323",
          "eeprom": "2464", "flash": "AAAA", "internal-eeprom": "", "external-eeprom": ""})");
  Put("CardState", "unknown-fault.json",
      R"({"format": "pellar-virtual-card", "version": 1, "faults": {"x": 1}})");
  Put("CardState", "not-json.json", "{\"format\": ");
  Put("CardState", "repro-empty.json", "");
}

void AdapterFileSeeds() {
  Put("AdapterFile", "every-kind.ini",
      "# one of each kind\n"
      "[Parallel board]\nkind = parallel\nVCC = D0 D1 D2\nCLK = D3\nRESET = D4\n"
      "MOSI = D5\nSCK = D6\nMISO = S6\n\n"
      "[FTDI board]\nkind = ftdi\nusb = 0403:6001\ninterface = A\nrate = 3000000\n"
      "VCC = !DTR\nCLK = TXD\nRESET = RXD\nMOSI = RTS\nSCK = RI\nMISO = CTS\n\n"
      "; a Pi header\n"
      "[Pi]\nkind = gpio\nchip = pinctrl-bcm2711\nVCC = !GPIO22\nCLK = GPIO4\n"
      "RESET = GPIO17\nMOSI = GPIO10\nSCK = GPIO11\nMISO = GPIO9\n");
  Put("AdapterFile", "faults.ini",
      "[A]\nkind = parallel\nVCC = D0\nCLK = D0\nRESET = D9\nSCK = D6\nMISO = S6 S7\n"
      "outside\n[A]\nkind = usb\n[B]\nkind = ftdi\nrate = fast\n[C]\n");
  Put("AdapterFile", "crlf-bom.ini",
      "\xEF\xBB\xBF[W]\r\nkind = parallel\r\nVCC = !D7\r\nCLK = D0\r\nRESET = D1\r\n"
      "MOSI = D2\r\nSCK = D3\r\nMISO = !BUSY\r\n");
  Put("AdapterFile", "repro-empty.ini", "");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  Folder = QString::fromLocal8Bit(argv[1]);
  try {
    HexSeeds();
    SRecordSeeds();
    BinarySeeds();
    ElfSeeds();
    CardImageSeeds();
    XmlSeeds();
    CardStateSeeds();
    AdapterFileSeeds();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
