#include "hexedit/widget/HexEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMetaMethod>
#include <QMetaObject>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "hexedit/widget/HexKeyMap.h"

namespace {
TColor FromQColor(const QColor& c) {
  return RGBColor(unsigned(c.red()), unsigned(c.green()), unsigned(c.blue()));
}
}  // namespace

TCustomHexEditor::TCustomHexEditor(QWidget* parent) : QAbstractScrollArea(parent) {
  // Liberation Mono has the metrics of Courier New.
  QFont font(QStringLiteral("Liberation Mono"), 11);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  setFont(font);
  setFrameShape(QFrame::StyledPanel);
  setFocusPolicy(Qt::StrongFocus);
  // The grid is laid out left to right whatever the application's direction.
  setLayoutDirection(Qt::LeftToRight);
  viewport()->setCursor(Qt::IBeamCursor);
  // The paint fills every pixel itself, starting with the control colour.
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  FCore.OnChange = [this] { emit changed(); };
  FCore.OnSelectionChanged = [this] { emit selectionChanged(); };
  FCore.Document().OnBookmarkChanged = [this] { emit bookmarkChanged(); };
  FCore.Document().OnModifiedChanged = [this] {
    emit modifiedChanged(FCore.Document().Modified());
  };
  FCore.OnInvalidKey = [this] { emit invalidKey(); };
  FCore.OnKeyDown = [this](int& key, THexShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
  };
  FCore.OnKeyPress = [this](char32_t& key) {
    if (OnKeyPress) OnKeyPress(this, key);
  };
  FCore.OnClipboardCommand = [this](THexEditCommand command) {
    switch (command) {
      case ecCopy: Copy(); break;
      case ecCut: Cut(); break;
      case ecPaste: Paste(); break;
      default: break;
    }
  };
  // The queued call dies with the widget if the widget goes first.
  FCore.PostSelectionNotice = [this] {
    QMetaObject::invokeMethod(
        this, [this] { FCore.DeliverSelectionNotice(); }, Qt::QueuedConnection);
  };
  FCore.RequestRepaint = [this] { viewport()->update(); };
  FCore.RequestRepaintRange = [this](int first, int last) {
    RepaintRect(FCore.Layout().RowsRect(first, last));
  };
  FCore.RequestRepaintRect = [this](const TRect& r) { RepaintRect(r); };
  FCore.Layout().Grid().OnSizeChanged = [this] { UpdateScrollBars(); };
  FCore.Layout().Grid().OnTopLeftChanged = [this] {
    UpdateScrollBars();
    RefreshCaret();
    emit topLeftChanged();
  };

  connect(&FBlink, &QTimer::timeout, this, [this] {
    FCaretShown = !FCaretShown;
    viewport()->update(CaretRect());
  });
  // While a drag selects, the mouse outside the view scrolls it.
  FAutoScroll.setInterval(60);
  connect(&FAutoScroll, &QTimer::timeout, this, [this] {
    if (!FCore.Dragging()) {
      FAutoScroll.stop();
      return;
    }
    Guarded([this] { FCore.AutoScrollTick(FLastMouse.x(), FLastMouse.y()); });
  });
  // Mouse moves without a button change the cursor shape.
  viewport()->setMouseTracking(true);

  PaletteChanged();
  FontChanged();
  UpdateViewSize();
}

TCustomHexEditor::~TCustomHexEditor() {
  // Nothing may call back into a half-destroyed widget.
  FCore.OnChange = nullptr;
  FCore.OnSelectionChanged = nullptr;
  FCore.Document().OnBookmarkChanged = nullptr;
  FCore.Document().OnModifiedChanged = nullptr;
  FCore.OnInvalidKey = nullptr;
  FCore.OnKeyDown = nullptr;
  FCore.OnKeyPress = nullptr;
  FCore.OnClipboardCommand = nullptr;
  FCore.Layout().OnGetOffsetText = nullptr;
  FCore.PostSelectionNotice = nullptr;
  FCore.RequestRepaint = nullptr;
  FCore.RequestRepaintRange = nullptr;
  FCore.RequestRepaintRect = nullptr;
  FCore.Layout().Grid().OnSizeChanged = nullptr;
  FCore.Layout().Grid().OnTopLeftChanged = nullptr;
}

void TCustomHexEditor::ResetData(const QString& title) { FCore.ResetData(title.toStdString()); }

void TCustomHexEditor::SetCaretKind(THexCaretKind value) {
  FCore.Appearance().SetCaretKind(value);
  RefreshCaret();
}

void TCustomHexEditor::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  const bool h = value == ssHorizontal || value == ssBoth;
  const bool v = value == ssVertical || value == ssBoth;
  setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(v ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TCustomHexEditor::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  setFrameShape(value == bsSingle ? QFrame::StyledPanel : QFrame::NoFrame);
}

void TCustomHexEditor::SetOnGetOffsetText(THexWidgetOffsetTextEvent value) {
  FOnGetOffsetText = std::move(value);
  if (FOnGetOffsetText) {
    FCore.Layout().OnGetOffsetText = [this](int64_t number, std::string& text) {
      QString t = QString::fromStdString(text);
      FOnGetOffsetText(this, number, t);
      text = t.toStdString();
    };
  } else {
    FCore.Layout().OnGetOffsetText = nullptr;
  }
  FCore.Layout().UpdateLayout();
  viewport()->update();
}

QImage TCustomHexEditor::BookmarkBitmap() const {
  const THexBitmap& bmp = FCore.Appearance().BookmarkBitmap();
  QImage image(bmp.Width, bmp.Height, QImage::Format_RGB32);
  for (int y = 0; y < bmp.Height; ++y)
    for (int x = 0; x < bmp.Width; ++x) image.setPixelColor(x, y, ToQColor(bmp.Pixel(x, y)));
  return image;
}

void TCustomHexEditor::SetDrawGutter3D(bool value) {
  if (value == FCore.Appearance().DrawGutter3D()) return;
  FCore.Appearance().SetDrawGutter3D(value);
  viewport()->repaint();
}

void TCustomHexEditor::SetBookmarkBitmap(const QImage* image) {
  if (image == nullptr) return FCore.Appearance().SetBookmarkBitmap(nullptr);
  THexBitmap bmp;
  bmp.Width = image->width();
  bmp.Height = image->height();
  if (bmp.Width == BookmarkBitmapWidth && bmp.Height == BookmarkBitmapHeight) {
    bmp.Pixels.reserve(size_t(bmp.Width * bmp.Height));
    for (int y = 0; y < bmp.Height; ++y)
      for (int x = 0; x < bmp.Width; ++x) bmp.Pixels.push_back(FromQColor(image->pixelColor(x, y)));
  }
  FCore.Appearance().SetBookmarkBitmap(&bmp);
}

// ---- What the core is fed -------------------------------------------------

void TCustomHexEditor::FontChanged() {
  const QFontMetrics fm(font());
  FCore.Layout().SetFontMetrics(fm.horizontalAdvance(QLatin1Char('w')), fm.height());
  FGlyphs.Reset(font(), FCore.Layout().CharWidth(), FCore.Layout().RowHeight());
  RefreshCaret();
  viewport()->update();
}

void TCustomHexEditor::PaletteChanged() {
  const QPalette& pal = palette();
  THexSystemColors colors;
  colors.Window = FromQColor(pal.color(QPalette::Base));
  colors.WindowText = FromQColor(pal.color(QPalette::Text));
  colors.BtnFace = FromQColor(pal.color(QPalette::Button));
  colors.BtnShadow = FromQColor(pal.color(QPalette::Dark));
  colors.BtnHighlight = FromQColor(pal.color(QPalette::Light));
  FCore.Appearance().SetSystemColors(colors);
  FollowPalette();
}

void TCustomHexEditor::FollowPalette() {
  // The colours in force are ours to change only while they are a
  // default set: the light one, or the dark one derived last.
  const bool light = FCore.Appearance().Colors().SameColors(THexColors());
  const bool derived = FDerivedColors && FCore.Appearance().Colors().SameColors(*FDerivedColors);
  if (!light && !derived) {
    FDerivedColors.reset();
    return;
  }
  if (FFollowDarkPalette && IsDarkScheme(FCore.Appearance().SystemColors())) {
    THexColors dark;
    SetDarkSchemeDefaults(dark, FCore.Appearance().SystemColors());
    FCore.Appearance().SetColors(dark);
    FDerivedColors = std::make_unique<THexColors>(dark);
  } else if (derived) {
    FCore.Appearance().SetColors(THexColors());
    FDerivedColors.reset();
  }
}

void TCustomHexEditor::SetFollowDarkPalette(bool value) {
  if (value == FFollowDarkPalette) return;
  FFollowDarkPalette = value;
  FollowPalette();
}

// ---- Clipboard ------------------------------------------------------------

bool TCustomHexEditor::CanPaste() const {
  if (!FCore.CanPaste()) return false;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  return mime && (mime->hasFormat(QLatin1String(HexBytesMimeType)) || !mime->text().isEmpty());
}

void TCustomHexEditor::Copy() {
  if (!FCore.CanCopy()) return;
  const std::vector<uint8_t> bytes = FCore.SelectedBytes();
  auto* mime = new QMimeData;
  mime->setData(QLatin1String(HexBytesMimeType),
                QByteArray(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<qsizetype>(bytes.size())));
  mime->setText(QString::fromStdString(FCore.SelectionText()));
  QGuiApplication::clipboard()->setMimeData(mime);
}

void TCustomHexEditor::Cut() {
  if (!FCore.CanCut()) return;
  Copy();
  FCore.CutSelection();
}

void TCustomHexEditor::Paste() {
  if (!FCore.CanPaste()) return;
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  if (!mime) return;
  std::vector<uint8_t> bytes;
  if (mime->hasFormat(QLatin1String(HexBytesMimeType))) {
    const QByteArray data = mime->data(QLatin1String(HexBytesMimeType));
    bytes.assign(data.begin(), data.end());
  } else {
    const QList<uint> text = mime->text().toUcs4();
    if (text.isEmpty()) return;
    bytes = FCore.BytesFromText(std::u32string(text.begin(), text.end()));
  }
  FCore.Paste(bytes.data(), static_cast<int>(bytes.size()));
  RefreshCaret();
}

void TCustomHexEditor::UpdateViewSize() {
  FCore.Layout().Grid().SetClientSize(viewport()->width(), viewport()->height());
  UpdateScrollBars();
}

void TCustomHexEditor::UpdateScrollBars() {
  // Showing or hiding a scroll bar resizes the view, which comes back here.
  if (FSyncingScrollBars) return;
  FSyncingScrollBars = true;
  const THexGrid& g = FCore.Layout().Grid();
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, std::max(0, g.MaxTopRow() - g.FixedRows()));
  v->setPageStep(std::max(1, g.VisibleRowCount()));
  v->setSingleStep(1);
  v->setValue(g.TopRow() - g.FixedRows());
  QScrollBar* h = horizontalScrollBar();
  h->setRange(0, std::max(0, g.MaxLeftCol() - g.FixedCols()));
  h->setPageStep(std::max(1, g.VisibleColCount()));
  h->setSingleStep(1);
  h->setValue(g.LeftCol() - g.FixedCols());
  FSyncingScrollBars = false;
  // The view may have changed size meanwhile.
  if (viewport()->width() != g.ClientWidth() || viewport()->height() != g.ClientHeight())
    FCore.Layout().Grid().SetClientSize(viewport()->width(), viewport()->height());
}

void TCustomHexEditor::RepaintRect(const TRect& rect) {
  if (!rect.IsEmpty()) viewport()->update(ToQRect(rect));
}

// ---- Qt events ------------------------------------------------------------

void TCustomHexEditor::showEvent(QShowEvent* event) {
  if (!FWindowCreated) {
    FWindowCreated = true;
    FCore.WindowCreated();
  }
  QAbstractScrollArea::showEvent(event);
}

void TCustomHexEditor::changeEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::EnabledChange: FCore.ControlEnabled = isEnabled(); break;
    case QEvent::FontChange: FontChanged(); break;
    case QEvent::PaletteChange: PaletteChanged(); break;
    default: break;
  }
  QAbstractScrollArea::changeEvent(event);
}

void TCustomHexEditor::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateViewSize();
  // The caret follows once the resize has settled.
  QMetaObject::invokeMethod(
      this, [this] { RefreshCaret(); }, Qt::QueuedConnection);
}

void TCustomHexEditor::scrollContentsBy(int, int) {
  if (FSyncingScrollBars) return;
  THexGrid& g = FCore.Layout().Grid();
  g.SetTopRow(g.FixedRows() + verticalScrollBar()->value());
  g.SetLeftCol(g.FixedCols() + horizontalScrollBar()->value());
}

void TCustomHexEditor::focusInEvent(QFocusEvent* event) {
  FCore.SetFocused(true);
  RestartBlink();
  RefreshCaret();
  QAbstractScrollArea::focusInEvent(event);
}

void TCustomHexEditor::focusOutEvent(QFocusEvent* event) {
  FBlink.stop();
  FAutoScroll.stop();
  FCore.SetFocused(false);
  RefreshCaret();
  QAbstractScrollArea::focusOutEvent(event);
}

// ---- Errors of input handlers -----------------------------------------------

template <class F>
void TCustomHexEditor::Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportError(QStringLiteral("Unexpected error"));
  }
}

void TCustomHexEditor::ReportError(const QString& text) {
  RefreshCaret();
  if (isSignalConnected(QMetaMethod::fromSignal(&TCustomHexEditor::errorRaised)))
    emit errorRaised(text);
  else
    QApplication::beep();
}

// ---- Keyboard -------------------------------------------------------------

bool TCustomHexEditor::event(QEvent* event) {
  // The edit keys (Ctrl+Z, Ctrl+C, ...) are the editor's while it has the
  // focus, ahead of any window shortcut with the same keys.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int hexKey = QtKeyToHexKey(*key);
    if (THexEditorCore::EditCommandForKey(hexKey, KeyEventShiftState(*key, hexKey)) != ecNone) {
      event->accept();
      return true;
    }
  }
  // Tab and Shift+Tab switch the field while WantTabs is on; otherwise
  // the widget base moves the focus with them.
  if (event->type() == QEvent::KeyPress && FCore.WantTabs()) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
      keyPressEvent(key);
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void TCustomHexEditor::keyPressEvent(QKeyEvent* event) {
  // The editor takes every key: nothing goes on to the scroll area.
  event->accept();
  const int key = QtKeyToHexKey(*event);
  Guarded([&] {
    FCore.KeyDown(key, KeyEventShiftState(*event, key));
    for (const char32_t c : TypedCharacters(*event)) FCore.KeyPress(c);
  });
  RestartBlink();
  RefreshCaret();
}

void TCustomHexEditor::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  const int key = QtKeyToHexKey(*event);
  Guarded([&] { FCore.KeyUp(key, KeyEventShiftState(*event, key)); });
}

// ---- Mouse ----------------------------------------------------------------

namespace {
THexMouseButton ToHexButton(Qt::MouseButton b) {
  switch (b) {
    case Qt::RightButton: return mbRight;
    case Qt::MiddleButton: return mbMiddle;
    default: return mbLeft;
  }
}
}  // namespace

void TCustomHexEditor::MousePress(QMouseEvent* event, bool doubleClick) {
  if (!hasFocus() && focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  FLastMouse = event->position().toPoint();
  THexShiftState shift = QtToShiftState(event->modifiers(), event->buttons());
  if (doubleClick) shift |= hsDouble;
  Guarded([&] {
    FCore.MouseDown(ToHexButton(event->button()), shift, FLastMouse.x(), FLastMouse.y());
  });
  if (FCore.Dragging()) FAutoScroll.start();
  UpdateCursor(shift, FLastMouse);
  RefreshCaret();
  event->accept();
}

void TCustomHexEditor::mousePressEvent(QMouseEvent* event) { MousePress(event, false); }
void TCustomHexEditor::mouseDoubleClickEvent(QMouseEvent* event) { MousePress(event, true); }

void TCustomHexEditor::mouseMoveEvent(QMouseEvent* event) {
  FLastMouse = event->position().toPoint();
  const THexShiftState shift = QtToShiftState(event->modifiers(), event->buttons());
  Guarded([&] { FCore.MouseMove(shift, FLastMouse.x(), FLastMouse.y()); });
  UpdateCursor(shift, FLastMouse);
  RefreshCaret();
  event->accept();
}

void TCustomHexEditor::mouseReleaseEvent(QMouseEvent* event) {
  FLastMouse = event->position().toPoint();
  // The buttons as they were while the released one was still down.
  const THexShiftState shift =
      QtToShiftState(event->modifiers(), event->buttons() | event->button());
  Guarded(
      [&] { FCore.MouseUp(ToHexButton(event->button()), shift, FLastMouse.x(), FLastMouse.y()); });
  if (!FCore.Dragging()) FAutoScroll.stop();
  UpdateCursor(QtToShiftState(event->modifiers(), event->buttons()), FLastMouse);
  RefreshCaret();
  event->accept();
}

void TCustomHexEditor::wheelEvent(QWheelEvent* event) {
  event->accept();
  const int delta = event->angleDelta().y();
  if (delta == 0) return;
  bool handled = false;
  if (OnMouseWheel)
    OnMouseWheel(this, QtToShiftState(event->modifiers(), event->buttons()), delta,
                 event->position().toPoint(), handled);
  if (handled) return;
  // Whole notches move the caret; touchpads send parts of one.
  FWheelRest += delta;
  const int notches = FWheelRest / 120;
  FWheelRest -= notches * 120;
  if (notches != 0) Guarded([&] { FCore.MouseWheel(notches); });
  RefreshCaret();
}

void TCustomHexEditor::UpdateCursor(THexShiftState shift, QPoint at) {
  const Qt::CursorShape shape =
      FCore.CursorAt(shift, at.x(), at.y()) == hcArrow ? Qt::ArrowCursor : Qt::IBeamCursor;
  if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

// ---- The caret ------------------------------------------------------------

QRect TCustomHexEditor::CaretRect() const {
  if (!FCore.Focused() || FCore.CaretX() == -50) return QRect();
  const TRect white = FCore.CaretShapeWhite();
  return QRect(FCore.CaretX() + white.Left, FCore.CaretY() + white.Top, white.Width(),
               white.Height());
}

void TCustomHexEditor::RefreshCaret() {
  FCore.UpdateCaretPosition();
  const QRect now = CaretRect();
  if (now == FDrawnCaret) return;
  viewport()->update(FDrawnCaret);
  viewport()->update(now);
}

void TCustomHexEditor::RestartBlink() {
  FCaretShown = true;
  const int period = QApplication::cursorFlashTime() / 2;
  if (period > 0)
    FBlink.start(period);
  else
    FBlink.stop();
}

// ---- Painting -------------------------------------------------------------

void TCustomHexEditor::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  const QRect clip = event->rect();
  const QColor surface =
      ToQColor(FCore.Appearance().ToRGB(FCore.Appearance().Colors().Background()));
  p.fillRect(clip, surface);
  // Scrolling or a move may have taken the caret elsewhere.
  FCore.UpdateCaretPosition();

  // The host's hook sees this paint's canvas.
  THexDrawCellHook coreHook;
  const bool hostHook = static_cast<bool>(OnDrawCell);
  if (hostHook) {
    coreHook = std::move(FCore.OnDrawCell);
    FCore.OnDrawCell = [this](int col, int row, std::u16string& text, TRect& rect,
                              bool& defaultDraw) {
      QString t = QString::fromStdU16String(text);
      QRect r = ToQRect(rect);
      OnDrawCell(this, FPaintPainter, col, row, t, r, defaultDraw);
      text = t.toStdU16String();
      rect = ToTRect(r);
    };
  }
  struct TRestore {
    TCustomHexEditor& Ed;
    THexDrawCellHook& Saved;
    bool Active;
    ~TRestore() {
      Ed.FPaintPainter = nullptr;
      if (Active) Ed.FCore.OnDrawCell = std::move(Saved);
    }
  } restore{*this, coreHook, hostHook};

  FPaintPainter = &p;
  THexQtPainter painter(p, font(), FGlyphs, FIcons, FCore.Appearance(), surface,
                        static_cast<bool>(FCore.OnDrawCell));
  FCore.Paint(painter, ToTRect(clip));

  const QRect caret = CaretRect();
  if (FCaretShown && !caret.isEmpty()) {
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.fillRect(caret, Qt::white);
  }
  if (caret != FDrawnCaret) {
    if (!FDrawnCaret.isEmpty() && !clip.contains(FDrawnCaret)) viewport()->update(FDrawnCaret);
    FDrawnCaret = caret;
  }
}
