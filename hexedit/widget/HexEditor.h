#pragma once
// The hex editor widget: a thin Qt layer over THexEditorCore.
//
// TCustomHexEditor owns the core, turns the core's requests (repaint, a
// queued selection notice) into Qt calls and forwards the operations a
// host uses. THexEditor is the class hosts create.

#include <QAbstractScrollArea>
#include <QString>

#include "hexedit/core/HexEditorCore.h"

class TCustomHexEditor : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit TCustomHexEditor(QWidget* parent = nullptr);
  ~TCustomHexEditor() override;

  THexEditorCore& Core() { return FCore; }
  const THexEditorCore& Core() const { return FCore; }

  // The data interface (see THexEditorCore for the rules).
  int DataSize() const { return FCore.DataSize(); }
  uint8_t* DataPointer() { return FCore.DataPointer(); }
  const uint8_t* DataPointer() const { return FCore.DataPointer(); }
  uint8_t PeekByte(int pos) const { return FCore.PeekByte(pos); }
  // No repaint: the new value shows at the next one.
  void PokeByte(int pos, uint8_t value) { FCore.PokeByte(pos, value); }
  // An empty title means "Untitled".
  void ResetData(const QString& title = QString());
  void SetDataSize(int newSize) { FCore.SetDataSize(newSize); }
  uint8_t FillByte() const { return FCore.FillByte(); }
  void SetFillByte(uint8_t value) { FCore.SetFillByte(value); }
  bool Modified() const { return FCore.Modified(); }
  QString FileTitle() const { return QString::fromStdString(FCore.FileTitle()); }

  // Settings.
  int BytesPerColumn() const { return FCore.BytesPerColumn(); }
  void SetBytesPerColumn(int value);
  int BytesPerUnit() const { return FCore.BytesPerUnit(); }
  void SetBytesPerUnit(int value);
  bool ReadOnlyView() const { return FCore.ReadOnlyView(); }
  void SetReadOnlyView(bool value);
  bool InsertMode() const { return FCore.InsertMode(); }
  void SetInsertMode(bool value) { FCore.SetInsertMode(value); }

signals:
  // After every recorded edit and after ResetData.
  void changed();
  // Once per event-loop turn after caret and selection changes.
  void selectionChanged();
  void bookmarkChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  THexEditorCore FCore;
  bool FWindowCreated = false;
};

class THexEditor : public TCustomHexEditor {
  Q_OBJECT

public:
  using TCustomHexEditor::TCustomHexEditor;
};
