#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/PortDriverSetup.h"
#include "tests/link/ScriptedHost.h"

namespace fs = std::filesystem;

namespace {

struct TSetupFixture : ::testing::Test {
  TSetupFixture() {
    Root = fs::temp_directory_path() /
           ("pellar-driver-" + std::to_string(::getpid()) + "-" + std::to_string(Counter++));
    fs::create_directories(Root);
    Setup.RootPrefix = Root.string();
    Setup.IsPrivileged = [] { return true; };
    Setup.LoadModule = [this] {
      ++ModuleLoads;
      return ModuleLoads > 0 && LoadSucceeds;
    };
  }
  ~TSetupFixture() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path Root;
  TPortDriverSetup Setup;
  TScriptedHost Host;
  int ModuleLoads = 0;
  bool LoadSucceeds = true;
  static inline int Counter = 0;
};

TEST_F(TSetupFixture, WritesModuleEntryAndUdevRuleThenLoadsTheModule) {
  EXPECT_TRUE(Setup.Run(Host));
  // Byte for byte the files that the package installs.
  const fs::path dist = fs::path(PELLAR_SOURCE_DIR) / "dist";
  const std::string entry = Read(Root / "etc/modules-load.d/pellar-ppdev.conf");
  EXPECT_EQ(entry, Read(dist / "modules-load/pellar-ppdev.conf"));
  EXPECT_NE(entry.find("\nppdev\n"), std::string::npos);
  const std::string rule = Read(Root / "etc/udev/rules.d/60-pellar-parport.rules");
  EXPECT_EQ(rule, Read(dist / "udev/60-pellar-parport.rules"));
  EXPECT_NE(rule.find("SUBSYSTEM==\"ppdev\", KERNEL==\"parport[0-9]*\", GROUP=\"lp\""),
            std::string::npos);
  EXPECT_EQ(ModuleLoads, 1);
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text,
            "Installation complete.\n\nYou need to reboot before using driver.");
  EXPECT_EQ(Host.Messages[0].Kind, mkInformation);
  EXPECT_EQ(Host.Beeps, 0);
  ASSERT_GE(Host.Statuses.size(), 4u);
  EXPECT_EQ(Host.Statuses.front(), "Installing Windows NT driver...");
  EXPECT_EQ(Host.Statuses[1],
            "Copying \"pellar-ppdev.conf\" into " + (Root / "etc/modules-load.d").string() + "...");
  EXPECT_EQ(Host.Statuses.back(), "");
  // No temporary file is left beside the targets.
  EXPECT_FALSE(fs::exists(Root / "etc/modules-load.d/pellar-ppdev.conf.new"));

  // Running it again overwrites and succeeds again.
  std::ofstream(Root / "etc/modules-load.d/pellar-ppdev.conf") << "old\n";
  EXPECT_TRUE(Setup.Run(Host));
  EXPECT_EQ(Read(Root / "etc/modules-load.d/pellar-ppdev.conf"), entry);
}

TEST_F(TSetupFixture, WithoutRootNothingChanges) {
  Setup.IsPrivileged = [] { return false; };
  EXPECT_FALSE(Setup.Run(Host));
  EXPECT_TRUE(fs::is_empty(Root));
  EXPECT_EQ(ModuleLoads, 0);
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text, TPortDriverSetup::NotInstalledText);
  EXPECT_EQ(Host.Messages[0].Kind, mkError);
  EXPECT_EQ(Host.Beeps, 1);
  EXPECT_EQ(Host.Statuses.back(), "");
}

TEST_F(TSetupFixture, UnwritableTargetsStopWithTheirMessage) {
  // A plain file where the modules-load directory belongs: nothing can go in.
  fs::create_directories(Root / "etc");
  std::ofstream(Root / "etc/modules-load.d") << "x";
  EXPECT_FALSE(Setup.Run(Host));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text, "Cannot copy pellar-ppdev.conf into \n" +
                                       (Root / "etc/modules-load.d/pellar-ppdev.conf").string());
  EXPECT_EQ(Host.Beeps, 1);
  EXPECT_EQ(Host.Statuses.back(), "");
  EXPECT_FALSE(fs::exists(Root / "etc/udev"));
  EXPECT_EQ(ModuleLoads, 0);

  // The modules entry goes in, the rule does not.
  fs::remove(Root / "etc/modules-load.d");
  fs::create_directories(Root / "etc/udev");
  std::ofstream(Root / "etc/udev/rules.d") << "x";
  Host.Messages.clear();
  EXPECT_FALSE(Setup.Run(Host));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Text,
            "Cannot copy 60-pellar-parport.rules\ninto " +
                (Root / "etc/udev/rules.d/60-pellar-parport.rules").string());
  EXPECT_TRUE(fs::exists(Root / "etc/modules-load.d/pellar-ppdev.conf"));
  EXPECT_EQ(ModuleLoads, 0);
}

TEST_F(TSetupFixture, ModuleThatDoesNotLoadIsReported) {
  LoadSucceeds = false;
  EXPECT_FALSE(Setup.Run(Host));
  ASSERT_EQ(Host.Messages.size(), 1u);
  EXPECT_EQ(Host.Messages[0].Kind, mkError);
  EXPECT_EQ(Host.Messages[0].Text, TPortDriverSetup::NotInstalledText);
  EXPECT_EQ(Host.Beeps, 1);
  EXPECT_TRUE(fs::exists(Root / "etc/udev/rules.d/60-pellar-parport.rules"));
}

}  // namespace
