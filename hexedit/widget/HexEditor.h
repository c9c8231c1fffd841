#pragma once
// The hex editor widget: a thin Qt layer over THexEditorCore.
//
// TCustomHexEditor owns the core, feeds it the font's metrics, the
// palette's system colours, the view's size, scroll position and focus,
// turns the core's requests (repaint a rectangle, a queued selection
// notice) into Qt calls, paints what the core decides, and draws the caret
// as an inverting block or bar that blinks. THexEditor is the class hosts
// create.

#include <QAbstractScrollArea>
#include <QString>
#include <QTimer>
#include <functional>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/widget/HexQtPainter.h"

class TCustomHexEditor;

// The host's cell hook: called before the editor draws a gutter, ruler or
// data cell's text, with the canvas set to the cell's colours (brush: cell
// background, pen: text colour, background: text background). The text
// and the rectangle (the whole cell for column 0, else the text box) may
// be changed; clearing ADefaultDraw leaves the cell to the host.
using THexDrawCellEvent = std::function<void(TCustomHexEditor* Sender, QPainter* ACanvas, int ACol,
                                             int ARow, QString& AWideText, QRect& ARect, bool& ADefaultDraw)>;

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
  int BytesPerRow() const { return FCore.BytesPerRow(); }
  void SetBytesPerRow(int value) { FCore.SetBytesPerRow(value); }
  int BytesPerColumn() const { return FCore.BytesPerColumn(); }
  void SetBytesPerColumn(int value) { FCore.SetBytesPerColumn(value); }
  int BytesPerUnit() const { return FCore.BytesPerUnit(); }
  void SetBytesPerUnit(int value) { FCore.SetBytesPerUnit(value); }
  int BytesPerBlock() const { return FCore.BytesPerBlock(); }
  void SetBytesPerBlock(int value) { FCore.SetBytesPerBlock(value); }
  bool ReadOnlyView() const { return FCore.ReadOnlyView(); }
  void SetReadOnlyView(bool value);
  bool InsertMode() const { return FCore.InsertMode(); }
  void SetInsertMode(bool value) { FCore.SetInsertMode(value); }
  bool ShowRuler() const { return FCore.ShowRuler(); }
  void SetShowRuler(bool value) { FCore.SetShowRuler(value); }
  int GutterWidth() const { return FCore.GutterWidth(); }
  void SetGutterWidth(int value) { FCore.SetGutterWidth(value); }
  bool DrawGridLines() const { return FCore.DrawGridLines(); }
  void SetDrawGridLines(bool value) { FCore.SetDrawGridLines(value); }
  bool DrawGutter3D() const { return FCore.DrawGutter3D(); }
  void SetDrawGutter3D(bool value);
  bool FocusFrame() const { return FCore.FocusFrame(); }
  void SetFocusFrame(bool value) { FCore.SetFocusFrame(value); }
  THexCaretKind CaretKind() const { return FCore.CaretKind(); }
  void SetCaretKind(THexCaretKind value) { FCore.SetCaretKind(value); }
  bool ShowPositionIfNotFocused() const { return FCore.ShowPositionIfNotFocused(); }
  void SetShowPositionIfNotFocused(bool value) { FCore.SetShowPositionIfNotFocused(value); }
  bool HideSelection() const { return FCore.HideSelection(); }
  void SetHideSelection(bool value) { FCore.SetHideSelection(value); }
  bool GraySelectionIfNotFocused() const { return FCore.GraySelectionIfNotFocused(); }
  void SetGraySelectionIfNotFocused(bool value) { FCore.SetGraySelectionIfNotFocused(value); }
  THexColors& Colors() { return FCore.Colors(); }
  void SetColors(const THexColors& value) { FCore.SetColors(value); }
  // A 200 x 10 picture of the twenty bookmark icons (its top-left pixel's
  // colour is transparent); null restores the built-in icons. Another
  // size raises EHexEditor and keeps the icons in use.
  void SetBookmarkBitmap(const QImage* image);

  THexDrawCellEvent OnDrawCell;

  // Where the caret is drawn now (empty while it is hidden or out of sight).
  QRect CaretRect() const;

signals:
  // After every recorded edit and after ResetData.
  void changed();
  // Once per event-loop turn after caret and selection changes.
  void selectionChanged();
  void bookmarkChanged();
  // The view scrolled.
  void topLeftChanged();

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  THexEditorCore FCore;
  bool FWindowCreated = false;
  THexGlyphCache FGlyphs;
  THexBookmarkImages FIcons;
  QTimer FBlink;
  bool FCaretShown = true;
  QRect FDrawnCaret;
  bool FSyncingScrollBars = false;
  QPainter* FPaintPainter = nullptr;

  // The font's metrics and the palette's colours into the core.
  void FontChanged();
  void PaletteChanged();
  void UpdateScrollBars();
  void UpdateViewSize();
  void RepaintRect(const TRect& rect);
  // The caret moved or blinked: repaint where it was and where it is.
  void RefreshCaret();
  void RestartBlink();
};

class THexEditor : public TCustomHexEditor {
  Q_OBJECT

public:
  using TCustomHexEditor::TCustomHexEditor;
};
