#pragma once
// Port driver set-up on Linux: what it takes for the program to reach
// /dev/parport* through ppdev. Run as root, it
//   1. writes a modules-load entry so that ppdev loads at every boot,
//   2. writes a udev rule that gives the group lp read/write access to
//      /dev/parport* (the same file the package installs under /usr/lib,
//      so that this copy in /etc only ever repeats it),
//   3. loads ppdev now (modprobe ppdev).
// Every target path sits under RootPrefix, so that tests can point the
// whole set-up at a temporary directory. Status texts, the beep and the
// message boxes go through the card host, like every other command.

#include <functional>
#include <string>

#include "link/CardHost.h"

class TPortDriverSetup {
public:
  // "" for the running system.
  explicit TPortDriverSetup(std::string rootPrefix = "");

  std::string RootPrefix;

  // Whether the process may write system files and load modules; the
  // effective user id is 0 unless a test says otherwise.
  std::function<bool()> IsPrivileged;
  // Loads the ppdev module; true on success. Runs modprobe unless a test
  // says otherwise.
  std::function<bool()> LoadModule;

  static constexpr const char* ModuleName = "ppdev";
  // The files' names and texts are those that the package installs
  // (dist/udev, dist/modules-load), compiled in: "pellar-ppdev.conf" and
  // "60-pellar-parport.rules".
  static const char* const ModulesLoadName;
  static const char* const ModulesLoadText;
  static const char* const UdevRuleName;
  static const char* const UdevRuleText;

  std::string ModulesLoadDir() const { return RootPrefix + "/etc/modules-load.d"; }
  std::string UdevRulesDir() const { return RootPrefix + "/etc/udev/rules.d"; }
  std::string ModulesLoadFile() const { return ModulesLoadDir() + "/" + ModulesLoadName; }
  std::string UdevRuleFile() const { return UdevRulesDir() + "/" + UdevRuleName; }

  // The whole command with its status texts and messages. Returns true
  // when the set-up is complete.
  bool Run(TCardHost& host);

  // The messages, as the command shows them.
  static constexpr const char* CompleteText =
      "Installation complete.\n\nYou need to reboot before using driver.";
  // The set-up keeps the texts users of the program know from its driver
  // installation elsewhere: a failed copy names the file and its target,
  // and anything else (not root, modprobe failing) is the one "could not
  // install" message.
  static constexpr const char* InstallingText = "Installing Windows NT driver...";
  static constexpr const char* NotInstalledText =
      "Could not install Windows NT driver\nMake sure you are loggend in under an administrator "
      "account.";
  std::string ModulesLoadFailureText() const;
  std::string UdevRuleFailureText() const;

private:
  // Writes `text` to `path` through a temporary file and a rename, so that
  // a failed write leaves no half-written file behind.
  static bool WriteTextFile(const std::string& path, const std::string& text);
};

// modprobe <module>; true when it exits with 0.
bool RunModprobe(const std::string& module);
