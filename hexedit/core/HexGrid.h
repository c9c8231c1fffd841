#pragma once
// THexGrid: the small grid base the hex editor is laid out on, in plain
// C++ (pixels are plain integers; the widget supplies the client size and
// maps the top row and left column onto its scroll bars).
//
// A grid has ColCount columns and RowCount rows, each with its own width
// or height. The first FixedCols columns and FixedRows rows never scroll;
// the rest scroll by whole cells: TopRow and LeftCol are the first
// scrollable row and column shown. Rows keep DefaultRowHeight unless set
// one by one (the editor sets only its two fixed rows), so the pixel
// arithmetic stays cheap however many rows there are.
//
// The current cell is the cell the user works on. Moving it asks
// SelectCell first; a derived class may keep the current cell itself
// (CurrentCell / SetCurrentCell).

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool Intersects(const TRect& r) const {
    return !IsEmpty() && !r.IsEmpty() && Left < r.Right && r.Left < Right && Top < r.Bottom &&
           r.Top < Bottom;
  }
  // The smallest rectangle holding both (an empty one counts as nothing).
  TRect United(const TRect& r) const;
  TRect Intersected(const TRect& r) const;
  bool operator==(const TRect&) const = default;
};

struct TGridCoord {
  int Col = -1;
  int Row = -1;
  bool operator==(const TGridCoord&) const = default;
};

// The drawing boundaries of one axis, in pixels from the client origin.
struct TGridAxisInfo {
  int FixedBoundary = 0;  // end of the fixed cells
  int GridBoundary = 0;   // end of the last (partly) visible cell
  int GridExtent = 0;     // client size
  int FirstGridCell = 0;  // TopRow or LeftCol
  int LastFullVisibleCell = 0;
  int FullVisBoundary = 0;  // end of the last fully visible cell
};

class THexGrid {
public:
  THexGrid();
  virtual ~THexGrid() = default;

  // ==== Cells and their sizes ==============================================
  int ColCount() const { return FColCount; }
  void SetColCount(int value);
  int RowCount() const { return FRowCount; }
  void SetRowCount(int value);
  int FixedCols() const { return FFixedCols; }
  void SetFixedCols(int value);
  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int value);

  int DefaultColWidth() const { return FDefaultColWidth; }
  // Every column takes the new default width.
  void SetDefaultColWidth(int value);
  int ColWidth(int col) const;
  void SetColWidth(int col, int value);
  // All widths at once (missing ones take the default width).
  void SetColWidths(const std::vector<int>& widths);

  int DefaultRowHeight() const { return FDefaultRowHeight; }
  // Every row takes the new default height.
  void SetDefaultRowHeight(int value);
  int RowHeight(int row) const;
  void SetRowHeight(int row, int value);

  // ==== The view ===========================================================
  int ClientWidth() const { return FClientWidth; }
  int ClientHeight() const { return FClientHeight; }
  void SetClientSize(int width, int height);

  int TopRow() const { return FTopRow; }
  int LeftCol() const { return FLeftCol; }
  // Both are kept within FixedRows .. MaxTopRow (FixedCols .. MaxLeftCol).
  void SetTopRow(int value);
  void SetLeftCol(int value);
  // The top row that shows the last row fully at the bottom (or shows it
  // at the top when it does not fit), and its column counterpart.
  int MaxTopRow() const;
  int MaxLeftCol() const;
  // Scrollable rows (columns) fully visible from TopRow (LeftCol).
  int VisibleRowCount() const;
  int VisibleColCount() const;

  TGridAxisInfo HorzInfo() const;
  TGridAxisInfo VertInfo() const;

  // The rectangle of a cell; all zero when no part of it is visible.
  TRect CellRect(int col, int row) const;
  // The visible part of the block of cells (corners in any order), as one
  // rectangle; all zero when none of it is visible.
  TRect BoxRect(int col1, int row1, int col2, int row2) const;
  // The column and row under a client point, each -1 outside every cell.
  TGridCoord MouseCoord(int x, int y) const;
  // Left edge of a visible column / top edge of a visible row; -1 when
  // it is not visible.
  int ColumnLeft(int col) const;
  int RowTop(int row) const;

  // ==== The current cell ===================================================
  virtual TGridCoord CurrentCell() const { return FCurrent; }
  // Makes (col, row) current when it exists and SelectCell accepts it,
  // then scrolls it into view and repaints the old and the new cell.
  bool MoveCurrentCell(int col, int row);
  // Scrolls the least needed to show the cell whole (as far as it fits).
  void ScrollInView(int col, int row);

  // ==== Mouse selection ====================================================
  // The cell under a client point as the mouse sees it while a button is
  // held: points beyond the view continue into the cells that lie there
  // (above or left of the view: the first fixed row or column); -1 only
  // past the last row or column.
  TGridCoord CalcCoordFromPoint(int x, int y) const;
  // The drag-selecting state a left press in the scrolled cells starts:
  // while it lasts, mouse moves make the cell under the mouse current (the
  // owner does that, knowing which cells can be current) and the
  // auto-scroll timer steps the current cell towards a mouse outside the
  // view.
  bool Dragging() const { return FDragging; }
  void BeginDrag() { FDragging = true; }
  void EndDrag() { FDragging = false; }
  // One auto-scroll tick: the current cell steps one row (column) towards
  // a point above or below (left or right of) the fully visible cells,
  // which scrolls it into view.
  void TimedScroll(int x, int y);

protected:
  // The acceptance hook: false refuses the move.
  virtual bool SelectCell(int /*col*/, int /*row*/) { return true; }
  // Stores the accepted cell; a grid whose owner keeps it overrides this.
  virtual void SetCurrentCell(TGridCoord cell) { FCurrent = cell; }
  // Repaint requests and change notices for the widget.
  virtual void InvalidateRect(const TRect& /*rect*/) {}
  virtual void InvalidateGrid() {}
  virtual void TopLeftChanged() {}
  // Counts, sizes or the client size changed: scroll ranges may differ.
  virtual void SizeChanged() {}
  void InvalidateCell(int col, int row);

private:
  int FColCount = 5;
  int FRowCount = 5;
  int FFixedCols = 1;
  int FFixedRows = 1;
  int FDefaultColWidth = 64;
  int FDefaultRowHeight = 24;
  std::vector<int> FColWidths;
  std::map<int, int> FRowHeights;  // rows whose height differs from the default
  int FClientWidth = 0;
  int FClientHeight = 0;
  int FTopRow = 1;
  int FLeftCol = 1;
  TGridCoord FCurrent{1, 1};
  bool FDragging = false;

  // Pixels the fixed cells take, the sum of their sizes.
  int FixedWidth() const;
  int FixedHeight() const;
  // Keeps the top-left and the current cell valid after a count change.
  void ClampTopLeft();
  void SetTopLeft(int left, int top);
  // Number of rows from first on whose heights fit into space pixels (all
  // of them when their heights are 0).
  int RowsFitting(int first, int space) const;
  // The row holding client y, counting from first at pixel y0; -1 if none.
  int RowAtFrom(int first, int y0, int y) const;
  int ColumnAtFrom(int first, int x0, int x) const;
  TGridAxisInfo AxisInfo(bool horizontal) const;
};

// What the editor's grid asks of the object that keeps its current cell
// (the editor core): the current cell, whether a move is accepted, and
// what to do with repaint and scroll notices.
class THexGridOwner {
public:
  virtual TGridCoord OwnerCurrentCell() const = 0;
  // The acceptance hook: false refuses the move.
  virtual bool AcceptCell(int col, int row) = 0;
  virtual void StoreCurrentCell(TGridCoord cell) = 0;
  virtual void RepaintRect(const TRect& rect) = 0;
  virtual void RepaintAll() = 0;
  virtual void GridScrolled() = 0;

protected:
  ~THexGridOwner() = default;
};

// The grid of one hex editor: its current cell is the editor's caret, a
// move asks the owner whether the cell is a valid caret place, and
// repaint and scroll notices go to the owner and the widget's hooks.
class THexEditorGrid final : public THexGrid {
public:
  explicit THexEditorGrid(THexGridOwner& owner);
  TGridCoord CurrentCell() const override { return FOwner.OwnerCurrentCell(); }

  // Set by the widget: the view scrolled / the scroll ranges may differ.
  std::function<void()> OnTopLeftChanged;
  std::function<void()> OnSizeChanged;

protected:
  bool SelectCell(int col, int row) override { return FOwner.AcceptCell(col, row); }
  void SetCurrentCell(TGridCoord cell) override { FOwner.StoreCurrentCell(cell); }
  void InvalidateRect(const TRect& rect) override;
  void InvalidateGrid() override;
  void TopLeftChanged() override;
  void SizeChanged() override;

private:
  THexGridOwner& FOwner;
  // The owner is still being built while this grid is: no notices yet.
  bool FReady = false;
};
