#pragma once
// The files installed beside the program: everything is looked up relative
// to the executable's own folder (bin/ under the prefix), so an
// installation under any prefix, or one unpacked into a DESTDIR, finds
// its files. These work before the application object exists (--version).

#include <QIcon>
#include <QString>

// The folder of the running executable, symbolic links resolved; "" when
// the system does not tell.
QString ExecutableDirectory();

// The user guide installed beside the program, else the source tree's (a
// build started in place); "" when neither is there. The window shows the
// copy compiled in, whatever this finds.
QString InstalledUserGuidePath();

// The program's icon: the installed PNGs beside the program, else the icon
// theme's. Null when neither is there (a build started in place).
QIcon ApplicationIcon();
