#pragma once
// The hex editor widget: a thin Qt layer over THexEditorCore.
//
// TCustomHexEditor owns the core, feeds it the font's metrics, the
// palette's system colours, the view's size, scroll position and focus,
// turns the core's requests (repaint a rectangle, a queued selection
// notice) into Qt calls, paints what the core decides, and draws the caret
// as an inverting block or bar that blinks. Keys, typed text and the mouse
// are mapped onto the core's own input vocabulary (HexKeyMap.h); the core
// decides what they do. THexEditor is the class hosts create.
//
// Properties keep their published defaults: 16 bytes per row, 2 per
// column, 1 per unit, insert mode off, Liberation Mono (the metrics of
// Courier New) at 11 points, a single border, scroll bars as needed.

#include <QAbstractScrollArea>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/widget/HexQtPainter.h"

class TCustomHexEditor;

// The host's cell hook: called before the editor draws a gutter, ruler or
// data cell's text, with the canvas set to the cell's colours (brush: cell
// background, pen: text colour, background: text background). The text
// and the rectangle (the whole cell for column 0, else the text box) may
// be changed; clearing ADefaultDraw leaves the cell to the host.
using THexDrawCellEvent =
    std::function<void(TCustomHexEditor* Sender, QPainter* ACanvas, int ACol, int ARow,
                       QString& AWideText, QRect& ARect, bool& ADefaultDraw)>;
// The host's offset texts, replacing the offset format.
using THexWidgetOffsetTextEvent =
    std::function<void(TCustomHexEditor* Sender, int64_t Number, QString& OffsetText)>;
// Called first for every key-down / typed character; may change it.
using THexWidgetKeyDownEvent =
    std::function<void(TCustomHexEditor* Sender, int& Key, THexShiftState Shift)>;
using THexWidgetKeyPressEvent = std::function<void(TCustomHexEditor* Sender, char32_t& Key)>;
// The host's wheel handler: setting Handled keeps the editor from moving
// the caret (WheelDelta in eighths of a degree, 120 a notch, up positive).
using THexMouseWheelEvent = std::function<void(TCustomHexEditor* Sender, THexShiftState Shift,
                                               int WheelDelta, QPoint MousePos, bool& Handled)>;

enum TScrollStyle : uint8_t { ssNone, ssHorizontal, ssVertical, ssBoth };

// The clipboard format of raw bytes copied from an editor (beside the text).
inline constexpr const char* HexBytesMimeType = "application/x-pellar-bytes";
enum TBorderStyle : uint8_t { bsNone, bsSingle };

class TCustomHexEditor : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit TCustomHexEditor(QWidget* parent = nullptr);
  ~TCustomHexEditor() override;

  THexEditorCore& Core() { return FCore; }
  const THexEditorCore& Core() const { return FCore; }

  // The data interface (see THexEditorCore for the rules).
  int DataSize() const { return FCore.DataSize(); }
  uint8_t* DataPointer() { return FCore.Document().DataPointer(); }
  const uint8_t* DataPointer() const { return FCore.Document().DataPointer(); }
  uint8_t PeekByte(int pos) const { return FCore.PeekByte(pos); }
  // No repaint: the new value shows at the next one.
  void PokeByte(int pos, uint8_t value) { FCore.Document().PokeByte(pos, value); }
  // An empty title means "Untitled".
  void ResetData(const QString& title = QString());
  void SetDataSize(int newSize) { FCore.SetDataSize(newSize); }
  uint8_t FillByte() const { return FCore.Document().FillByte(); }
  void SetFillByte(uint8_t value) { FCore.Document().SetFillByte(value); }
  bool Modified() const { return FCore.Document().Modified(); }
  void SetModified(bool value) { FCore.Document().SetModified(value); }
  QString FileTitle() const { return QString::fromStdString(FCore.Document().FileTitle()); }

  // Caret, selection and bookmarks (see THexEditorCore).
  int CaretPosition() const { return FCore.CaretPosition(); }
  bool CaretInCharField() const { return FCore.CaretInCharField(); }
  int SelStart() const { return FCore.SelStart(); }
  void SetSelStart(int value) { FCore.SetSelStart(value); }
  int SelEnd() const { return FCore.SelEnd(); }
  void SetSelEnd(int value) { FCore.SetSelEnd(value); }
  int SelCount() const { return FCore.SelCount(); }
  void SelectRange(int a, int b) { FCore.SelectRange(a, b); }
  void ClearSelection(bool repaint = true) { FCore.ClearSelection(repaint); }
  int Seek(int offset, int origin) { return FCore.Seek(offset, origin); }
  void MoveCaretToEnd() { FCore.MoveCaretToEnd(); }
  void ToggleBookmark(int index, int pos, bool inCharField) {
    FCore.ToggleBookmark(index, pos, inCharField);
  }
  bool GotoBookmark(int index) { return FCore.GotoBookmark(index); }

  // The editing tools (see THexEditorCore). Errors (a refused edit, text
  // that is not hex) are raised as EHexEditor; the keys report them
  // through errorRaised instead.
  bool CanUndo() const { return FCore.CanUndo(); }
  bool CanRedo() const { return FCore.CanRedo(); }
  void Undo() { FCore.Undo(); }
  void Redo() { FCore.Redo(); }
  // Empties undo and redo (after a load, a card read, a resize).
  void ClearUndo() { FCore.Document().ClearUndo(); }
  bool CanCopy() const { return FCore.CanCopy(); }
  bool CanCut() const { return FCore.CanCut(); }
  // The editor takes a paste and the clipboard holds bytes or text.
  bool CanPaste() const;
  // The selection onto the clipboard: raw bytes (HexBytesMimeType) and
  // text (hex digits from the hex field, characters from the character
  // field).
  void Copy();
  void Cut();
  // Our bytes first; else the clipboard's text, read as hex digits in the
  // hex field and as characters in the character field.
  void Paste();
  void SelectAll() { FCore.SelectAll(); }
  bool CanFill() const { return FCore.CanFill(); }
  void FillSelection(uint8_t value) { FCore.FillSelection(value); }
  void GotoOffset(const QString& text) { FCore.GotoOffset(text.toStdString()); }

  // Published properties, in their published order.
  int BytesPerRow() const { return FCore.Layout().BytesPerRow(); }
  void SetBytesPerRow(int value) { FCore.SetBytesPerRow(value); }
  int BytesPerColumn() const { return FCore.Layout().BytesPerColumn(); }
  void SetBytesPerColumn(int value) { FCore.Layout().SetBytesPerColumn(value); }
  THexTranslationKind Translation() const { return FCore.Layout().Translation(); }
  void SetTranslation(THexTranslationKind value) { FCore.Layout().SetTranslation(value); }
  QString OffsetFormat() const { return QString::fromStdString(FCore.Layout().OffsetFormat()); }
  void SetOffsetFormat(const QString& value) {
    FCore.Layout().SetOffsetFormat(value.toStdString());
  }
  THexCaretKind CaretKind() const { return FCore.Appearance().CaretKind(); }
  void SetCaretKind(THexCaretKind value);
  THexColors& Colors() { return FCore.Appearance().Colors(); }
  void SetColors(const THexColors& value) { FCore.Appearance().SetColors(value); }
  bool FocusFrame() const { return FCore.Appearance().FocusFrame(); }
  void SetFocusFrame(bool value) { FCore.Appearance().SetFocusFrame(value); }
  bool SwapNibbles() const { return FCore.Layout().SwapNibbles(); }
  void SetSwapNibbles(bool value) { FCore.Layout().SetSwapNibbles(value); }
  QChar MaskChar() const { return QChar(FCore.Layout().MaskChar()); }
  void SetMaskChar(QChar value) { FCore.Layout().SetMaskChar(value.unicode()); }
  bool NoSizeChange() const { return FCore.Document().Modes().NoSizeChange; }
  void SetNoSizeChange(bool value) { FCore.SetNoSizeChange(value); }
  bool AllowInsertMode() const { return FCore.Document().Modes().AllowInsertMode; }
  void SetAllowInsertMode(bool value) { FCore.SetAllowInsertMode(value); }
  bool DrawGridLines() const { return FCore.Appearance().DrawGridLines(); }
  void SetDrawGridLines(bool value) { FCore.Appearance().SetDrawGridLines(value); }
  // On: Tab and Shift+Tab switch the caret's field; off: they move the
  // focus on.
  bool WantTabs() const { return FCore.WantTabs(); }
  void SetWantTabs(bool value) { FCore.SetWantTabs(value); }
  bool ReadOnlyView() const { return FCore.ReadOnlyView(); }
  void SetReadOnlyView(bool value) { FCore.SetReadOnlyView(value); }
  bool HideSelection() const { return FCore.Appearance().HideSelection(); }
  void SetHideSelection(bool value) { FCore.Appearance().SetHideSelection(value); }
  bool GraySelectionIfNotFocused() const { return FCore.Appearance().GraySelectionIfNotFocused(); }
  void SetGraySelectionIfNotFocused(bool value) {
    FCore.Appearance().SetGraySelectionIfNotFocused(value);
  }
  int GutterWidth() const { return FCore.Layout().GutterWidth(); }
  void SetGutterWidth(int value) { FCore.Layout().SetGutterWidth(value); }
  // A 200 x 10 picture of the twenty bookmark icons (its top-left pixel's
  // colour is transparent); null restores the built-in icons. Another
  // size raises EHexEditor and keeps the icons in use.
  QImage BookmarkBitmap() const;
  void SetBookmarkBitmap(const QImage* image);
  // A fixed text naming this editor's release; writing it does nothing.
  QString Version() const { return QString::fromLatin1(HexEditorVersion); }
  void SetVersion(const QString&) {}
  // The journal's byte budget: any value, no checks (0 or less: no trim).
  int MaxUndo() const { return FCore.Document().MaxUndo; }
  void SetMaxUndo(int value) { FCore.Document().MaxUndo = value; }
  bool InsertMode() const { return FCore.InsertMode(); }
  void SetInsertMode(bool value) { FCore.SetInsertMode(value); }
  bool HexLowerCase() const { return FCore.Layout().HexLowerCase(); }
  void SetHexLowerCase(bool value) { FCore.Layout().SetHexLowerCase(value); }
  bool DrawGutter3D() const { return FCore.Appearance().DrawGutter3D(); }
  void SetDrawGutter3D(bool value);
  bool ShowRuler() const { return FCore.Layout().ShowRuler(); }
  void SetShowRuler(bool value) { FCore.Layout().SetShowRuler(value); }
  int BytesPerUnit() const { return FCore.Layout().BytesPerUnit(); }
  void SetBytesPerUnit(int value) { FCore.Layout().SetBytesPerUnit(value); }
  int RulerBytesPerUnit() const { return FCore.Layout().RulerBytesPerUnit(); }
  void SetRulerBytesPerUnit(int value) { FCore.Layout().SetRulerBytesPerUnit(value); }
  bool ShowPositionIfNotFocused() const { return FCore.Appearance().ShowPositionIfNotFocused(); }
  void SetShowPositionIfNotFocused(bool value) {
    FCore.Appearance().SetShowPositionIfNotFocused(value);
  }
  bool UnicodeChars() const { return FCore.Layout().UnicodeChars(); }
  void SetUnicodeChars(bool value) { FCore.SetUnicodeChars(value); }
  bool UnicodeBigEndian() const { return FCore.Layout().UnicodeBigEndian(); }
  void SetUnicodeBigEndian(bool value) { FCore.Layout().SetUnicodeBigEndian(value); }
  int BytesPerBlock() const { return FCore.Layout().BytesPerBlock(); }
  void SetBytesPerBlock(int value) { FCore.Layout().SetBytesPerBlock(value); }
  bool SeparateBlocksInCharField() const { return FCore.Layout().SeparateBlocksInCharField(); }
  void SetSeparateBlocksInCharField(bool value) {
    FCore.Layout().SetSeparateBlocksInCharField(value);
  }
  // Stored only, as is OnProgress: nothing here reports progress.
  bool FindProgress() const { return FCore.FindProgress; }
  void SetFindProgress(bool value) { FCore.FindProgress = value; }
  // Scroll bars (shown as needed) and the border.
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);

  // Events beside the signals below; each is called only when set.
  THexDrawCellEvent OnDrawCell;
  THexWidgetKeyDownEvent OnKeyDown;
  THexWidgetKeyPressEvent OnKeyPress;
  THexMouseWheelEvent OnMouseWheel;
  THexProgressEvent& OnProgress() { return FCore.OnProgress; }
  // Setting it relayouts (the gutter follows the host's texts).
  void SetOnGetOffsetText(THexWidgetOffsetTextEvent value);

  // Where the caret is drawn now (empty while it is hidden or out of sight).
  QRect CaretRect() const;

  // While on (the default), the editor's default colours follow a dark
  // palette: derived light text colours replace the fixed dark ones, and
  // the light defaults come back with a light palette. Colours a host
  // set itself are left alone.
  bool FollowDarkPalette() const { return FFollowDarkPalette; }
  void SetFollowDarkPalette(bool value);

signals:
  // After every recorded edit and after ResetData.
  void changed();
  // Once per event-loop turn after caret and selection changes.
  void selectionChanged();
  void bookmarkChanged();
  // Modified flipped: the first edit after a clean state, a reset, or
  // SetModified.
  void modifiedChanged(bool modified);
  // The view scrolled.
  void topLeftChanged();
  // A typed character means nothing where the caret is.
  void invalidKey();
  // A key, mouse or wheel event ended in an error (an edit the editor
  // refused, for instance). The text is the error's message. Without a
  // receiver the editor only beeps.
  void errorRaised(const QString& text);

protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

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
  TScrollStyle FScrollBars = ssBoth;
  TBorderStyle FBorderStyle = bsSingle;
  // The mouse: the auto-scroll timer of a drag, the last point seen, and
  // the wheel's part-notches.
  QTimer FAutoScroll;
  QPoint FLastMouse;
  int FWheelRest = 0;
  THexWidgetOffsetTextEvent FOnGetOffsetText;
  bool FFollowDarkPalette = true;
  // The dark-scheme colours last derived; empty: the light defaults apply.
  std::unique_ptr<THexColors> FDerivedColors;

  // The font's metrics and the palette's colours into the core.
  void FontChanged();
  void PaletteChanged();
  void FollowPalette();
  void UpdateScrollBars();
  void UpdateViewSize();
  void RepaintRect(const TRect& rect);
  // The caret moved or blinked: repaint where it was and where it is.
  void RefreshCaret();
  void RestartBlink();
  void MousePress(QMouseEvent* event, bool doubleClick);
  // Runs one input handler. Errors never leave it: Qt's event dispatch is
  // not built to carry exceptions, so they are reported through
  // errorRaised instead.
  template <class F>
  void Guarded(F&& handler);
  void ReportError(const QString& text);
  void UpdateCursor(THexShiftState shift, QPoint at);
};

class THexEditor : public TCustomHexEditor {
  Q_OBJECT

public:
  using TCustomHexEditor::TCustomHexEditor;
};
