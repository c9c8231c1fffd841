// Rescan Ports (System menu, and whenever the port list is opened) and
// the question before a USB board that the system uses as a serial port
// is taken.
#include "app/PortRescan.h"

#include <QComboBox>
#include <QEvent>

#include <algorithm>
#include <utility>

#include "app/MainUnit.h"

namespace {

class TPortListRescan : public QObject {
public:
  TPortListRescan(std::function<void()> rescan, QObject* parent)
      : QObject(parent), Rescan(std::move(rescan)) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A click opens the list: look again first.
    if (event->type() == QEvent::MouseButtonPress && static_cast<QWidget*>(watched)->isEnabled())
      Rescan();
    return false;
  }

private:
  std::function<void()> Rescan;
};

}  // namespace

void InstallPortListRescan(QComboBox* list, std::function<void()> rescan) {
  list->installEventFilter(new TPortListRescan(std::move(rescan), list));
}

void TMainForm::actRescanPortsExecute() {
  if (!Port) return;
  // The chosen port stays chosen when it is still there.
  const std::string chosen = Port->Active ? Port->PortLabel(Port->SelectedIndex) : "";
  Port->SetActive(false);
  Port->SetActive(true);
  if (Port->Active)
    ListPorts(chosen);
  else {
    const QSignalBlocker block(cbPort);
    cbPort->clear();
    if (!Port->LastError.empty()) SetStatusText(QString::fromStdString(Port->LastError));
  }
}

bool TMainForm::ConfirmTakingBoard(int index) {
  const std::string label = Port->PortLabel(index);
  if (std::find(FBoardsTaken.begin(), FBoardsTaken.end(), label) != FBoardsTaken.end())
    return true;
  const std::string serial = Port->PortSystemPorts[static_cast<size_t>(index)].front();
  const bool yes =
      ShowMessageDialog("The " + label + " is the system's serial port " + serial +
                            ". While the program uses the board, " + serial +
                            " is gone; it comes back when the program lets the board go.\n"
                            "Use the board?",
                        mkConfirmation, mbYesNo) == mrYes;
  if (yes) FBoardsTaken.push_back(label);
  return yes;
}
