#pragma once
// The main window over the virtual card, through the real port object, for
// tests of the card commands. The window records every status text and
// progress position the commands and card routines set; the scripted
// dialogs record every message and answer every question (Yes unless told
// otherwise) and the confirm dialog.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ExtCmdUnit.h"
#include "app/MainUnit.h"
#include "hexedit/widget/HexEditor.h"
#include "sim/VirtualCardPortSource.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/ScriptedDialogs.h"
#include "tests/card/VirtualCardRig.h"
#include "tests/link/TestBytes.h"

// What the card commands reported through the window's card host.
struct TCardReport {
  std::vector<std::string> Statuses;
  std::map<TProgressBarId, std::vector<int>> Positions;
  int Beeps = 0;
  // Runs after each status text (to change the card's faults mid-command).
  std::function<void(const std::string&)> OnStatus;
};

// Passes every call of the card layer on to the window's card host,
// recording the status texts and the progress positions on the way; the
// beep is only counted.
class TRecordingHost : public TCardHost {
public:
  TRecordingHost(TCardHost& window, TCardReport& report) : Window(window), Report(report) {}

  void SetStatusText(const std::string& text) override {
    Report.Statuses.push_back(text);
    Window.SetStatusText(text);
    if (Report.OnStatus) Report.OnStatus(text);
  }
  void SetProgressMax(TProgressBarId bar, int max) override { Window.SetProgressMax(bar, max); }
  void SetProgressStep(TProgressBarId bar, int step) override { Window.SetProgressStep(bar, step); }
  void SetProgressPosition(TProgressBarId bar, int position) override {
    Window.SetProgressPosition(bar, position);
    Report.Positions[bar].push_back(Window.ProgressPosition(bar));
  }
  int ProgressPosition(TProgressBarId bar) override { return Window.ProgressPosition(bar); }
  void SetProgressVisible(TProgressBarId bar, bool visible) override {
    Window.SetProgressVisible(bar, visible);
  }
  void StepProgress(TProgressBarId bar) override {
    Window.StepProgress(bar);
    Report.Positions[bar].push_back(Window.ProgressPosition(bar));
  }
  void SetChipIdText(const std::string& text) override { Window.SetChipIdText(text); }
  void ProcessorDetected(int row) override { Window.ProcessorDetected(row); }
  TMessageResult ShowMessageDialog(const std::string& text, TMessageKind kind,
                                   TMessageButtons buttons) override {
    return Window.ShowMessageDialog(text, kind, buttons);
  }
  void Beep() override { ++Report.Beeps; }
  void ProcessPendingEvents() override { Window.ProcessPendingEvents(); }
  void SetInterfaceLocked(bool locked) override { Window.SetInterfaceLocked(locked); }
  void PlanWork(int64_t bytes) override { Window.PlanWork(bytes); }
  void EndWork() override { Window.EndWork(); }

private:
  TCardHost& Window;
  TCardReport& Report;
};

// The main window with its card host recorded. The report comes first, so
// that it is there when the window makes its host.
class TRecordingForm : public TCardReport, public TMainForm {
public:
  explicit TRecordingForm(TMainFormOptions options)
      : TMainForm(Recorded(std::move(options), this)) {}

private:
  static TMainFormOptions Recorded(TMainFormOptions options, TCardReport* report) {
    options.WrapCardHost = [report](TCardHost& window) {
      return std::make_unique<TRecordingHost>(window, *report);
    };
    return options;
  }
};

// What the confirm dialog showed.
struct TConfirmState {
  bool RestoreEnabled = false;
  bool RestoreChecked = false;
  bool VerifyEnabled = false;
  bool VerifyChecked = false;
};

// `n` bytes of 0xFF with a few data bytes at the front: cheap to write
// (erased bytes are skipped) but still telling.
inline std::vector<uint8_t> SparseBytes(size_t n, unsigned seed, size_t data = 8) {
  std::vector<uint8_t> v(n, 0xFF);
  const auto r = RandomBytes(data, seed);
  for (size_t i = 0; i < data && i < n; ++i) v[i] = r[i] == 0xFF ? 0x5A : r[i];
  return v;
}

inline std::vector<uint8_t> FlashBytes(TVirtualCard& card) {
  std::vector<uint8_t> bytes;
  for (uint16_t w : card.Flash()) {
    bytes.push_back(static_cast<uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<uint8_t>(w >> 8));
  }
  return bytes;
}

struct TCardCommandsRig {
  explicit TCardCommandsRig(const TVirtualCardConfig& config = {}) {
    TestApp();
    auto source = std::make_unique<TVirtualCardPortSource>(config);
    Source = source.get();
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::move(source));
    TMainFormOptions options;
    options.Port = std::make_unique<TLptPort>(std::move(sources));
    options.Dialogs = Dialogs;
    options.SettingsFile = Dir.filePath(QStringLiteral("settings.ini"));
    Form = std::make_unique<TRecordingForm>(std::move(options));
    // A card that stops answering is given up on sooner than on hardware.
    Form->CardContext().Loader.HandshakeTickLimit = 20000;
    Dialogs->OnDialog = [this](QDialog& dialog) {
      auto* confirm = dynamic_cast<TdlgExtCmd*>(&dialog);
      if (!confirm) return static_cast<int>(QDialog::Rejected);
      // The user sees the boxes and may click them.
      auto* restore = Named<QCheckBox>(*confirm, "cbRestore");
      auto* verify = Named<QCheckBox>(*confirm, "cbVerify");
      Confirm = TConfirmState{restore->isEnabled(), restore->isChecked(), verify->isEnabled(),
                              verify->isChecked()};
      if (SetRestore) restore->setChecked(*SetRestore);
      if (SetVerify) verify->setChecked(*SetVerify);
      return ConfirmAnswer;
    };
  }

  TRecordingForm& F() { return *Form; }
  TVirtualCard& Card() { return *Source->Card(); }

  // Fills an image as a loaded file would.
  void SetImage(THexEditor* editor, const std::vector<uint8_t>& bytes) {
    editor->ResetData();
    editor->SetDataSize(static_cast<int>(bytes.size()));
    for (size_t i = 0; i < bytes.size(); ++i) editor->PokeByte(static_cast<int>(i), bytes[i]);
    editor->SetModified(false);  // as a load leaves it
    Form->UpdateActions();
  }

  // Runs a command as the user would: through its (enabled) action.
  void Trigger(QAction* action) {
    Form->UpdateActions();
    ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
    action->trigger();
  }
  static std::vector<uint8_t> Bytes(const THexEditor* editor) {
    const uint8_t* p = editor->DataPointer();
    return p ? std::vector<uint8_t>(p, p + editor->DataSize()) : std::vector<uint8_t>{};
  }

  // The state every command must leave behind.
  void ExpectIdle() const {
    EXPECT_FALSE(Form->UiLocked());
    EXPECT_FALSE(Source->Card()->Powered());
    EXPECT_EQ(Form->CardContext().Link.DataLatch, 0);
    EXPECT_TRUE(Named<QAction>(*Form, "actErase")->isEnabled());
  }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Dialogs->Messages) texts.push_back(m.Text.toStdString());
    return texts;
  }

  QTemporaryDir Dir;
  std::shared_ptr<TScriptedDialogs> Dialogs = std::make_shared<TScriptedDialogs>();
  TVirtualCardPortSource* Source = nullptr;
  std::unique_ptr<TRecordingForm> Form;

  // The confirm dialog: what it showed, what the user changes, how it closes.
  std::optional<TConfirmState> Confirm;
  std::optional<bool> SetRestore;
  std::optional<bool> SetVerify;
  int ConfirmAnswer = QDialog::Accepted;
};

// A card that stopped answering while the loader talked to it, and again
// at the write-back (the user aborted there): the three messages, the
// last telling that flash and internal EEPROM were kept. Their pages
// (empty before) hold the card's memories now, as unsaved images.
inline void ExpectStoppedAndKept(const TCardCommandsRig& rig, const std::vector<uint8_t>& flash,
                                 const std::vector<uint8_t>& eeprom) {
  const std::vector<std::string> texts = rig.MessageTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], TLoaderLink::HandshakeLostText);
  EXPECT_EQ(texts[1], "No device found at selected LPT port! Abort?");
  EXPECT_EQ(texts[2].rfind("The card's flash could not be written back.", 0), 0u) << texts[2];
  EXPECT_NE(texts[2].find("The card's internal eeprom could not be written back."),
            std::string::npos);
  TRecordingForm& f = *rig.Form;
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), eeprom);
  EXPECT_TRUE(f.ImageModified(ikFlash));
  EXPECT_TRUE(f.ImageModified(ikIntEE));
}

// An AT90S2323 (2048 / 128 bytes) with a 2464/2465 (8192 bytes, pages of
// 32), holding some flash and internal EEPROM of its own (from `seed`).
struct TLoadedCardRig : TCardCommandsRig {
  explicit TLoadedCardRig(unsigned seed)
      : TCardCommandsRig(CardConfig(4, 0)),
        CardFlash(SparseBytes(2048, seed, 12)),
        CardEeprom(SparseBytes(128, seed + 1, 24)) {
    Card().LoadFlash(CardFlash);
    Card().InternalEeprom() = CardEeprom;
  }
  bool CardKeptItsMemories() {
    return FlashBytes(Card()) == CardFlash && Card().InternalEeprom() == CardEeprom;
  }
  const std::vector<uint8_t> CardFlash;
  const std::vector<uint8_t> CardEeprom;
};
