// An error that is no card answer (an exception: the port's I/O failing,
// memory running out) in the middle of a command that erased the chip:
// the card's own flash and internal EEPROM are written back where the card
// still takes them and kept in their pages where it does not, before the
// window shows the error. Every command that erases the chip, each with an
// error once (the write-back then works) and an error that stays (the
// write-back fails too).
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "tests/app/CardCommandsRig.h"

namespace {

const std::string IoError = "The port failed: input/output error";

struct TCase {
  const char* Name;
  QAction* (*Action)(TMainForm&);
  std::string FailsAt;  // the status text that raises the error first
  // Whether an error once leaves the card with its memories: not when it
  // comes while they are being written back already (the chip is not
  // erased a second time over what may have gone in; they are kept).
  bool WrittenBack = true;
};

TEST(CardCommandErrors, TheCardsMemoriesAreWrittenBackOrKept) {
  const TCase cases[] = {
      {"Program All", [](TMainForm& f) { return Named<QAction>(f, "actProgAll"); },
       "Verifying external eeprom..."},
      {"Program All, at the restore", [](TMainForm& f) { return Named<QAction>(f, "actProgAll"); },
       "Restoring flash...", false},
      {"Read Ext. EEprom", [](TMainForm& f) { return Named<QAction>(f, "actReadExtEE"); },
       "Reading external eeprom..."},
      {"Verify Ext. EEprom", [](TMainForm& f) { return Named<QAction>(f, "actVerifyExtEE"); },
       "Verifying external eeprom..."},
      {"Read Card", [](TMainForm& f) { return Named<QAction>(f, "actReadCard"); },
       "Reading external eeprom..."},
  };
  for (const TCase& c : cases) {
    for (const bool stays : {false, true}) {
      SCOPED_TRACE(std::string(c.Name) + (stays ? ", the error stays" : ", the error once"));
      TLoadedCardRig rig(500);
      TRecordingForm& f = rig.F();
      const auto ext = RandomBytes(96, 501);
      rig.SetImage(f.Editor(ikExtEE), ext);
      // After the first error, the texts of the write-back fail as well
      // when the error stays.
      const std::set<std::string> writeBack = {"Restoring flash...", "Restoring internal eeprom...",
                                               "Restoring flash", "Restoring internal eeprom"};
      bool raised = false;
      f.OnStatus = [&](const std::string& text) {
        if ((!raised && text == c.FailsAt) || (raised && stays && writeBack.count(text))) {
          raised = true;
          throw std::runtime_error(IoError);
        }
      };
      rig.Trigger(c.Action(f));
      f.OnStatus = nullptr;
      ASSERT_TRUE(raised);

      ASSERT_EQ(rig.Dialogs->Errors.size(), 1u);
      EXPECT_EQ(rig.Dialogs->Errors[0].Text.toStdString().rfind(IoError, 0), 0u)
          << rig.Dialogs->Errors[0].Text.toStdString();
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
      rig.ExpectIdle();
      if (!stays && c.WrittenBack) {
        EXPECT_TRUE(rig.CardKeptItsMemories());
        EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 0) << "nothing to keep";
        EXPECT_EQ(f.Editor(ikIntEE)->DataSize(), 0) << "nothing to keep";
        continue;
      }
      // The card did not take them back: they wait in their pages, with
      // a message that says so, before the error is shown.
      EXPECT_FALSE(rig.CardKeptItsMemories());
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), rig.CardFlash);
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), rig.CardEeprom);
      EXPECT_TRUE(f.ImageModified(ikFlash));
      EXPECT_TRUE(f.ImageModified(ikIntEE));
      const auto texts = rig.MessageTexts();
      ASSERT_FALSE(texts.empty());
      EXPECT_EQ(texts.back().rfind("The card's flash could not be written back.", 0), 0u)
          << texts.back();
    }
  }
}

}  // namespace
