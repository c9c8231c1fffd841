#include "cli/CliOptions.h"

#include <map>
#include <set>
#include <utility>

#include "images/DeviceCatalogue.h"
#include "sim/VirtualCardOption.h"

namespace {

const std::map<QString, TCliCommand> Commands = {
    {QStringLiteral("list"), ccList},       {QStringLiteral("detect"), ccDetect},
    {QStringLiteral("program"), ccProgram}, {QStringLiteral("verify"), ccVerify},
    {QStringLiteral("read"), ccRead},       {QStringLiteral("erase"), ccErase},
    {QStringLiteral("convert"), ccConvert}};

QString CommandName(TCliCommand command) {
  for (const auto& [name, c] : Commands)
    if (c == command) return name;
  return {};
}

// The commands each command option belongs to.
const std::map<QString, std::set<TCliCommand>> CommandOptions = {
    {QStringLiteral("--flash"), {ccProgram, ccVerify, ccRead}},
    {QStringLiteral("--eeprom"), {ccProgram, ccVerify, ccRead}},
    {QStringLiteral("--ext-eeprom"), {ccProgram, ccVerify, ccRead}},
    {QStringLiteral("--card"), {ccProgram, ccVerify, ccRead}},
    {QStringLiteral("--no-verify"), {ccProgram}},
    {QStringLiteral("--restore"), {ccProgram, ccRead}},
    {QStringLiteral("--no-restore"), {ccProgram, ccRead}},
    {QStringLiteral("--memory"), {ccConvert}}};

// A port as --port takes it: a device node, or an address in hexadecimal
// (with or without 0x).
bool ValidPort(const QString& value) {
  if (value.startsWith(QLatin1Char('/'))) return true;
  // An FTDI USB adapter: the only one, or one by its serial number.
  if (value == QLatin1String("ftdi")) return true;
  if (value.startsWith(QLatin1String("ftdi:")) && value.size() > 5) return true;
  QString digits = value;
  if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) digits = digits.mid(2);
  bool ok = false;
  const uint address = digits.toUInt(&ok, 16);
  return ok && address > 0 && address <= 0xFFFF;
}

class TParser {
public:
  TParser(const QStringList& args, TCliOptions& options, QString& error)
      : Args(args), O(options), Error(error) {}

  bool Run() {
    QStringList positional;
    bool optionsEnd = false;
    for (Index = 0; Index < Args.size(); ++Index) {
      const QString& arg = Args[Index];
      if (!optionsEnd && arg == QLatin1String("--")) {
        optionsEnd = true;
      } else if (!optionsEnd && arg == QLatin1String("-h")) {
        O.Help = true;
      } else if (!optionsEnd && arg.startsWith(QLatin1String("--"))) {
        if (!Option(arg)) return false;
      } else if (!optionsEnd && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
        return Fail(QStringLiteral("unknown option \"%1\"").arg(arg));
      } else if (O.Command == ccNone) {
        const auto command = Commands.find(arg);
        if (command == Commands.end())
          return Fail(QStringLiteral("unknown command \"%1\"").arg(arg));
        O.Command = command->second;
      } else {
        positional << arg;
      }
    }
    if (O.Help || O.Version) return true;
    return Check(positional);
  }

private:
  bool Fail(const QString& text) {
    Error = text;
    return false;
  }

  bool Option(const QString& arg) {
    const int eq = arg.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? arg : arg.left(eq);
    if (name == QLatin1String("--virtual-card")) {
      std::string message;
      TVirtualCardConfig config;
      const QString rest = eq < 0 ? QString() : arg.mid(eq);
      if (!ParseVirtualCardOption(rest.toStdString(), config, message))
        return Fail(QString::fromStdString(message));
      O.VirtualCard = true;
      O.VirtualCardChipsNamed = eq >= 0;
      O.VirtualCardConfig = config;
      return true;
    }
    const auto owner = CommandOptions.find(name);
    if (owner != CommandOptions.end()) {
      if (O.Command == ccNone)
        return Fail(
            QStringLiteral("%1 is an option of a command: put it after the command").arg(name));
      if (!owner->second.count(O.Command))
        return Fail(QStringLiteral("%1 is not an option of %2").arg(name, CommandName(O.Command)));
    }
    if (const TFlag flag = FlagOption(name)) {
      if (eq >= 0) return Fail(QStringLiteral("%1 takes no value").arg(name));
      O.*flag = true;
      return true;
    }
    const TTakeValue take = ValueOption(name);
    if (!take) return Fail(QStringLiteral("unknown option \"%1\"").arg(arg));
    QString value;
    if (eq >= 0) {
      value = arg.mid(eq + 1);
    } else if (Index + 1 < Args.size()) {
      value = Args[++Index];
    } else {
      return Fail(QStringLiteral("%1 needs a value").arg(name));
    }
    if (value.isEmpty()) return Fail(QStringLiteral("%1 needs a value").arg(name));
    return take(*this, value);
  }

  // The options without a value: the member each one sets.
  using TFlag = bool TCliOptions::*;
  static TFlag FlagOption(const QString& name) {
    static constexpr std::pair<const char*, TFlag> Flags[] = {
        {"--help", &TCliOptions::Help},          {"--version", &TCliOptions::Version},
        {"--force", &TCliOptions::Force},        {"--timing", &TCliOptions::Timing},
        {"--quiet", &TCliOptions::Quiet},        {"--progress", &TCliOptions::Progress},
        {"--no-verify", &TCliOptions::NoVerify}, {"--restore", &TCliOptions::Restore},
        {"--no-restore", &TCliOptions::NoRestore}};
    for (const auto& [flag, member] : Flags)
      if (name == QLatin1String(flag)) return member;
    return nullptr;
  }

  // The options with a value: what each one does with it; false (after
  // Fail) for a bad value.
  using TTakeValue = bool (*)(TParser& p, const QString& value);
  template <QString TCliOptions::*Text>
  static bool TakeText(TParser& p, const QString& value) {
    p.O.*Text = value;
    return true;
  }
  template <TImageMemory Memory>
  static bool TakeFile(TParser& p, const QString& value) {
    p.O.Files[Memory] = value;
    return true;
  }
  static TTakeValue ValueOption(const QString& name) {
    static constexpr std::pair<const char*, TTakeValue> Values[] = {
        {"--port",
         [](TParser& p, const QString& value) {
           if (!ValidPort(value))
             return p.Fail(QStringLiteral("--port takes a port address such as 0x378, a "
                                          "device node such as /dev/parport0, or an FTDI "
                                          "adapter (ftdi:SERIAL, or ftdi), not \"%1\"")
                               .arg(value));
           p.O.Port = value;
           return true;
         }},
        {"--card-state", &TakeText<&TCliOptions::CardState>},
        {"--processor",
         [](TParser& p, const QString& value) {
           p.O.ProcessorRow = FindProcessorRow(value.toStdString());
           if (p.O.ProcessorRow >= 0) return true;
           return p.Fail(QStringLiteral("unknown processor \"%1\"; valid processors: %2")
                             .arg(value, QString::fromStdString(ProcessorNameList())));
         }},
        {"--eeprom-type",
         [](TParser& p, const QString& value) {
           p.O.EepromRow = FindEepromRow(value.toStdString());
           if (p.O.EepromRow >= 0) return true;
           return p.Fail(QStringLiteral("unknown EEPROM type \"%1\"; valid types: %2")
                             .arg(value, QString::fromStdString(EepromNameList())));
         }},
        {"--flash", &TakeFile<imFlash>},
        {"--eeprom", &TakeFile<imIntEE>},
        {"--ext-eeprom", &TakeFile<imExtEE>},
        {"--card", &TakeText<&TCliOptions::CardFile>},
        {"--memory", [](TParser& p, const QString& value) {
           static constexpr std::pair<const char*, TImageMemory> Memories[] = {
               {"flash", imFlash}, {"eeprom", imIntEE}, {"ext-eeprom", imExtEE}};
           for (const auto& [memoryName, memory] : Memories)
             if (value == QLatin1String(memoryName)) {
               p.O.ConvertMemory = memory;
               return true;
             }
           return p.Fail(
               QStringLiteral("--memory takes flash, eeprom or ext-eeprom, not \"%1\"").arg(value));
         }}};
    for (const auto& [option, take] : Values)
      if (name == QLatin1String(option)) return take;
    return nullptr;
  }

  // What the options mean together.
  bool Check(const QStringList& positional) {
    if (O.Command == ccNone) return Fail(QStringLiteral("no command given"));
    if (O.Command == ccConvert) {
      if (positional.size() != 2)
        return Fail(QStringLiteral("convert takes two files, IN and OUT"));
      O.ConvertIn = positional[0];
      O.ConvertOut = positional[1];
      return true;
    }
    if (!positional.isEmpty())
      return Fail(QStringLiteral("unexpected argument \"%1\"").arg(positional.first()));
    if (O.Command == ccProgram || O.Command == ccVerify || O.Command == ccRead) {
      bool any = !O.CardFile.isEmpty();
      for (const QString& file : O.Files) any = any || !file.isEmpty();
      if (!any)
        return Fail(QStringLiteral("%1 needs a file: --flash, --eeprom, --ext-eeprom or --card")
                        .arg(CommandName(O.Command)));
    }
    if (O.Restore && O.NoRestore)
      return Fail(QStringLiteral("--restore and --no-restore contradict each other"));
    if (!O.CardState.isEmpty() && !O.VirtualCard)
      return Fail(QStringLiteral("--card-state is for the virtual card: add --virtual-card"));
    // The external EEPROM's type is the virtual card's, or must be named.
    const bool external = O.Wants(imExtEE);
    if (external && O.EepromRow < 0 && !O.VirtualCard)
      return Fail(QStringLiteral("the external EEPROM needs --eeprom-type"));
    return true;
  }

  const QStringList& Args;
  TCliOptions& O;
  QString& Error;
  qsizetype Index = 0;
};

}  // namespace

bool ParseCliOptions(const QStringList& args, TCliOptions& options, QString& error) {
  return TParser(args, options, error).Run();
}
