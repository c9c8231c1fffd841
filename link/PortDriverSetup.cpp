#include "link/PortDriverSetup.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "link/PortDriverFiles.h"  // generated from dist/ by the build

namespace fs = std::filesystem;

extern char** environ;

const char* const TPortDriverSetup::ModulesLoadName = PortDriverModulesLoadName;
const char* const TPortDriverSetup::ModulesLoadText = PortDriverModulesLoadText;
const char* const TPortDriverSetup::UdevRuleName = PortDriverUdevRuleName;
const char* const TPortDriverSetup::UdevRuleText = PortDriverUdevRuleText;

TPortDriverSetup::TPortDriverSetup(std::string rootPrefix)
    : RootPrefix(std::move(rootPrefix)),
      IsPrivileged([] { return ::geteuid() == 0; }),
      LoadModule([] { return RunModprobe(ModuleName); }) {}

std::string TPortDriverSetup::ModulesLoadFailureText() const {
  return std::string("Cannot copy ") + ModulesLoadName + " into \n" + ModulesLoadFile();
}

std::string TPortDriverSetup::UdevRuleFailureText() const {
  return std::string("Cannot copy ") + UdevRuleName + "\ninto " + UdevRuleFile();
}

bool TPortDriverSetup::WriteTextFile(const std::string& path, const std::string& text) {
  const std::string temp = path + ".new";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << text;
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      fs::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  fs::permissions(temp,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                      fs::perms::others_read,
                  ec);
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

bool TPortDriverSetup::Run(TCardHost& host) {
  host.SetStatusText(InstallingText);
  host.ProcessPendingEvents();
  const auto fail = [&host](const std::string& text) {
    host.Beep();
    host.ShowMessageDialog(text, mkError, mbOK);
    host.SetStatusText("");
    return false;
  };

  // Without root nothing is touched.
  if (!IsPrivileged || !IsPrivileged()) return fail(NotInstalledText);

  std::error_code ec;
  host.SetStatusText(std::string("Copying \"") + ModulesLoadName + "\" into " + ModulesLoadDir() +
                     "...");
  fs::create_directories(ModulesLoadDir(), ec);  // an existing directory is fine
  if (!WriteTextFile(ModulesLoadFile(), ModulesLoadText)) return fail(ModulesLoadFailureText());

  host.SetStatusText(std::string("Copying \"") + UdevRuleName + "\" into " + UdevRulesDir() +
                     "...");
  fs::create_directories(UdevRulesDir(), ec);
  if (!WriteTextFile(UdevRuleFile(), UdevRuleText)) return fail(UdevRuleFailureText());

  host.SetStatusText(InstallingText);
  if (!LoadModule || !LoadModule()) return fail(NotInstalledText);
  host.ShowMessageDialog(CompleteText, mkInformation, mbOK);
  host.SetStatusText("");
  return true;
}

bool RunModprobe(const std::string& module) {
  // Root's PATH normally holds /usr/sbin; look there first in case the
  // program was started with a user's PATH.
  std::string program = "modprobe";
  for (const char* candidate : {"/usr/sbin/modprobe", "/sbin/modprobe"})
    if (::access(candidate, X_OK) == 0) {
      program = candidate;
      break;
    }
  std::string arg0 = "modprobe";
  std::string arg1 = module;
  char* argv[] = {arg0.data(), arg1.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
