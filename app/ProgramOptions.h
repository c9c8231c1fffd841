#pragma once
// The program's command line:
//   --virtual-card[=PROCESSOR,EEPROM]  add the virtual card as a port
//   --help, -h                         print the usage and end
//   --version                          print the version and the guide's path, and end
// The toolkit's own options (-platform, -style, ...) are taken out by the
// application object before these are read.

#include <QString>
#include <QStringList>

#include "sim/VirtualCardConfig.h"

struct TProgramOptions {
  bool Help = false;
  bool Version = false;
  bool VirtualCard = false;
  TVirtualCardConfig VirtualCardConfig;  // the card --virtual-card asks for
};

// Reads the arguments after the program name. With `rejectUnknown`, an
// argument that is none of the above is an error; without it, such
// arguments are left for the toolkit. False and `error` set on an error
// (a bad --virtual-card value included).
bool ParseProgramOptions(const QStringList& args, bool rejectUnknown, TProgramOptions& options,
                         QString& error);

QString ProgramUsage(const QString& programName);
