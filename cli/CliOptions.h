#pragma once
// The command line of pellar-cli:
//   pellar-cli [OPTIONS] COMMAND [COMMAND OPTIONS]
// Global options may stand before or after the command; a command's own
// options only after it. Options that take a value take it as the next
// argument or after '=' (--flash=a.hex); --virtual-card only with '='.
// Everything is checked here, before any file or port is touched; a
// fault is a usage error (exit 2) with a message naming it.

#include <QString>
#include <QStringList>

#include <array>

#include "images/ImageMemory.h"
#include "sim/VirtualCardConfig.h"

enum TCliCommand { ccNone, ccList, ccDetect, ccProgram, ccVerify, ccRead, ccErase, ccConvert };

struct TCliOptions {
  bool Help = false;
  bool Version = false;
  TCliCommand Command = ccNone;

  // Global options.
  QString Port;  // --port: an address or a device node; empty: the default
  bool VirtualCard = false;
  bool VirtualCardChipsNamed = false;  // --virtual-card=PROCESSOR[,EEPROM] rather than alone
  TVirtualCardConfig VirtualCardConfig;
  QString CardState;      // --card-state
  int ProcessorRow = -1;  // --processor: the expected processor, or -1
  int EepromRow = -1;     // --eeprom-type, or -1
  bool Force = false;
  bool Timing = false;
  bool Quiet = false;
  bool Progress = false;

  // The image files of program, verify and read, by memory; and --card.
  std::array<QString, ImageMemoryCount> Files;
  QString CardFile;
  bool NoVerify = false;
  // Flash and internal EEPROM that a command erasing the chip has no image
  // for are read first and written back afterwards, unless --no-restore;
  // --restore says so explicitly.
  bool Restore = false;
  bool NoRestore = false;
  bool Restores() const { return !NoRestore; }

  // convert IN OUT [--memory ...]
  QString ConvertIn;
  QString ConvertOut;
  TImageMemory ConvertMemory = imFlash;

  // Names a memory by file or --card.
  bool Wants(TImageMemory memory) const { return !Files[memory].isEmpty() || !CardFile.isEmpty(); }
};

// Reads the arguments after the program name into `options`. False and
// `error` set on a usage error.
bool ParseCliOptions(const QStringList& args, TCliOptions& options, QString& error);

// The --help text, and the short text a usage error ends with.
QString CliUsage(const QString& programName);
QString CliUsageHint(const QString& programName);
