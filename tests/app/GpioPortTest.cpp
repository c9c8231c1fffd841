// The window over a GPIO adapter (a stand-in of the kernel's GPIO
// character device, the card on a Raspberry Pi's header): the port list
// shows the header, a card command holds the lines only while it runs
// and leaves the card off, a busy line is named with its user, and Ctrl+C
// closes the window as its close button does.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "app/QuitSignals.h"
#include "hexedit/widget/HexEditor.h"
#include "link/GpioPortSource.h"
#include "sim/GpioStandIn.h"
#include "tests/app/MainFormHarness.h"
#include "tests/card/VirtualCardRig.h"
#include "tests/link/TestBytes.h"

namespace {

struct TGpioWindow {
  TGpioWindow() : StandIn(CardConfig(0, 0), 1000) {
    Root = std::filesystem::temp_directory_path() /
           ("pellar-app-gpio-" + std::to_string(::getpid()));
    std::filesystem::create_directories(Root / "dev");
    const std::string node = (Root / "dev/gpiochip0").string();
    std::ofstream{node};
    Chip = StandIn.AddChip(TGpioStandIn::RaspberryPiChip(node));
    for (const TAdapterDefinition& adapter : BuiltInAdapters())
      if (adapter.Kind == TAdapterKind::Gpio) StandIn.Wire(Chip, adapter);
    std::vector<std::unique_ptr<TPortSource>> extra;
    extra.push_back(std::make_unique<TGpioPortSource>(Root.string(), &StandIn));
    Harness.Start({0x378}, std::move(extra));
  }
  ~TGpioWindow() {
    Harness.Form.reset();
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
  }
  TMainForm& F() { return *Harness.Form; }

  std::filesystem::path Root;
  TGpioStandIn StandIn;
  size_t Chip = 0;
  TFormHarness Harness;
};

QStringList Items(QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

TEST(GpioPort, TheWindowListsTheHeaderReadsThroughItAndNamesABusyLine) {
  TGpioWindow w;
  TMainForm& f = w.F();
  EXPECT_EQ(Items(Named<QComboBox>(f, "cbPort")),
            QStringList({"0x0378", "GPIO adapter on gpiochip0 (pinctrl-bcm2711)"}));
  Named<QComboBox>(f, "cbPort")->setCurrentIndex(1);
  // Listing and choosing the chip holds none of its lines.
  EXPECT_EQ(w.StandIn.LineRequests(), 0u);
  EXPECT_EQ(w.StandIn.OpenDescriptors(), 0u);

  const auto flash = RandomBytes(8192, 31);
  w.StandIn.Card().LoadFlash(flash);
  f.UpdateActions();
  Named<QAction>(f, "actReadFlash")->trigger();
  const uint8_t* read = f.Editor(ikFlash)->DataPointer();
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(read, read + f.Editor(ikFlash)->DataSize()), flash);
  EXPECT_TRUE(w.Harness.Dialogs->Messages.empty());
  EXPECT_EQ(w.StandIn.LineRequests(), 1u);
  EXPECT_EQ(w.StandIn.OpenDescriptors(), 0u);
  EXPECT_EQ(w.StandIn.ReleasesWithCardOn(), 0u);
  EXPECT_FALSE(w.StandIn.Card().Powered());

  // A line another user holds: named with that user; the card untouched.
  w.StandIn.Chip(w.Chip).HeldBy[17] = "spi0";
  const uint64_t accesses = w.StandIn.Card().PortAccesses();
  Named<QAction>(f, "actReadFlash")->trigger();
  EXPECT_TRUE(w.Harness.Dialogs->Messages.empty());
  ASSERT_EQ(w.Harness.Dialogs->Errors.size(), 1u);
  EXPECT_EQ(w.Harness.Dialogs->Errors[0].Text,
            "The GPIO adapter on gpiochip0 (pinctrl-bcm2711) cannot be opened: GPIO17 is in use by "
            "spi0.");
  EXPECT_EQ(w.StandIn.Card().PortAccesses(), accesses);
  EXPECT_EQ(w.StandIn.LineRequests(), 1u);
  EXPECT_FALSE(f.UiLocked());
}

TEST(QuitSignals, CtrlCAndSigtermCloseTheWindowAsItsCloseButtonDoes) {
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    TFormHarness h;
    TMainForm& f = h.Start({0x378});
    f.show();
    CloseOnQuitSignals(f);
    ASSERT_TRUE(f.isVisible());
    std::raise(signal);
    const QDeadlineTimer deadline(5000);
    while (f.isVisible() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(f.isVisible());
  }
}

}  // namespace
