// The grid base: cell sizes, the scrolled view and the current cell.

#include "hexedit/core/HexGrid.h"

#include <algorithm>
#include <iterator>

TRect TRect::United(const TRect& r) const {
  if (r.IsEmpty()) return *this;
  if (IsEmpty()) return r;
  return TRect{std::min(Left, r.Left), std::min(Top, r.Top), std::max(Right, r.Right),
               std::max(Bottom, r.Bottom)};
}

TRect TRect::Intersected(const TRect& r) const {
  TRect x{std::max(Left, r.Left), std::max(Top, r.Top), std::min(Right, r.Right),
          std::min(Bottom, r.Bottom)};
  return x.IsEmpty() ? TRect{} : x;
}

THexGrid::THexGrid() : FColWidths(static_cast<size_t>(FColCount), FDefaultColWidth) {}

// ---- Counts and sizes -----------------------------------------------------

void THexGrid::SetColCount(int value) {
  value = std::max(0, value);
  if (value == FColCount) return;
  FColCount = value;
  FColWidths.resize(static_cast<size_t>(value), FDefaultColWidth);
  FFixedCols = std::min(FFixedCols, FColCount);
  ClampTopLeft();
  SizeChanged();
}

void THexGrid::SetRowCount(int value) {
  value = std::max(0, value);
  if (value == FRowCount) return;
  FRowCount = value;
  FRowHeights.erase(FRowHeights.lower_bound(value), FRowHeights.end());
  FFixedRows = std::min(FFixedRows, FRowCount);
  ClampTopLeft();
  SizeChanged();
}

void THexGrid::SetFixedCols(int value) {
  value = std::clamp(value, 0, FColCount);
  if (value == FFixedCols) return;
  FFixedCols = value;
  ClampTopLeft();
  SizeChanged();
}

void THexGrid::SetFixedRows(int value) {
  value = std::clamp(value, 0, FRowCount);
  if (value == FFixedRows) return;
  FFixedRows = value;
  ClampTopLeft();
  SizeChanged();
}

void THexGrid::SetDefaultColWidth(int value) {
  value = std::max(0, value);
  FDefaultColWidth = value;
  std::fill(FColWidths.begin(), FColWidths.end(), value);
  ClampTopLeft();
  SizeChanged();
}

int THexGrid::ColWidth(int col) const {
  if (col < 0 || col >= FColCount) return 0;
  return FColWidths[static_cast<size_t>(col)];
}

void THexGrid::SetColWidth(int col, int value) {
  if (col < 0 || col >= FColCount) return;
  value = std::max(0, value);
  int& w = FColWidths[static_cast<size_t>(col)];
  if (w == value) return;
  w = value;
  ClampTopLeft();
  SizeChanged();
}

void THexGrid::SetColWidths(const std::vector<int>& widths) {
  bool changed = false;
  for (size_t c = 0; c < FColWidths.size(); ++c) {
    const int w = c < widths.size() ? std::max(0, widths[c]) : FDefaultColWidth;
    changed |= FColWidths[c] != w;
    FColWidths[c] = w;
  }
  if (!changed) return;
  ClampTopLeft();
  SizeChanged();
}

void THexGrid::SetDefaultRowHeight(int value) {
  value = std::max(0, value);
  FDefaultRowHeight = value;
  FRowHeights.clear();
  ClampTopLeft();
  SizeChanged();
}

int THexGrid::RowHeight(int row) const {
  if (row < 0 || row >= FRowCount) return 0;
  const auto it = FRowHeights.find(row);
  return it == FRowHeights.end() ? FDefaultRowHeight : it->second;
}

void THexGrid::SetRowHeight(int row, int value) {
  if (row < 0 || row >= FRowCount) return;
  value = std::max(0, value);
  if (RowHeight(row) == value) return;
  if (value == FDefaultRowHeight)
    FRowHeights.erase(row);
  else
    FRowHeights[row] = value;
  ClampTopLeft();
  SizeChanged();
}

int THexGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < FFixedCols; ++c) w += ColWidth(c);
  return w;
}

int THexGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < FFixedRows; ++r) h += RowHeight(r);
  return h;
}

// ---- Walking rows ---------------------------------------------------------
// Rows are walked one by one while they take space; rows of height 0
// (possible only before a layout gave them a height) are skipped in one
// step, so no walk is longer than the rows a view can show.

int THexGrid::RowsFitting(int first, int space) const {
  if (space < 0) return 0;
  int n = 0, used = 0, r = std::max(first, 0);
  while (r < FRowCount) {
    if (FDefaultRowHeight == 0) {
      const auto it = FRowHeights.lower_bound(r);
      const int next = it == FRowHeights.end() ? FRowCount : it->first;
      if (next > r) {
        n += next - r;
        r = next;
        continue;
      }
    }
    const int h = RowHeight(r);
    if (used + h > space) break;
    used += h;
    ++n;
    ++r;
  }
  return n;
}

int THexGrid::RowAtFrom(int first, int y0, int y) const {
  int r = std::max(first, 0);
  int top = y0;
  while (r < FRowCount && top <= y) {
    if (FDefaultRowHeight == 0) {
      const auto it = FRowHeights.lower_bound(r);
      if (it == FRowHeights.end()) return -1;
      r = std::max(r, it->first);
    }
    const int h = RowHeight(r);
    if (y < top + h) return r;
    top += h;
    ++r;
  }
  return -1;
}

int THexGrid::ColumnAtFrom(int first, int x0, int x) const {
  int left = x0;
  for (int c = std::max(first, 0); c < FColCount && left <= x; ++c) {
    const int w = ColWidth(c);
    if (x < left + w) return c;
    left += w;
  }
  return -1;
}

// ---- The view -------------------------------------------------------------

void THexGrid::SetClientSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == FClientWidth && height == FClientHeight) return;
  FClientWidth = width;
  FClientHeight = height;
  ClampTopLeft();
  SizeChanged();
}

int THexGrid::MaxTopRow() const {
  const int last = FRowCount - 1;
  if (last < FFixedRows) return FFixedRows;
  const int space = FClientHeight - FixedHeight();
  // Rows last, last - 1, ... that fit together.
  int n = 0, used = 0, r = last;
  while (r >= FFixedRows && space >= 0) {
    if (FDefaultRowHeight == 0) {
      const auto it = FRowHeights.upper_bound(r);
      int prev = it == FRowHeights.begin() ? FFixedRows - 1 : std::prev(it)->first;
      prev = std::max(prev, FFixedRows - 1);
      if (prev < r) {
        n += r - prev;
        r = prev;
        continue;
      }
    }
    const int h = RowHeight(r);
    if (used + h > space) break;
    used += h;
    ++n;
    --r;
  }
  return n == 0 ? last : last - n + 1;
}

int THexGrid::MaxLeftCol() const {
  const int last = FColCount - 1;
  if (last < FFixedCols) return FFixedCols;
  const int space = FClientWidth - FixedWidth();
  int n = 0, used = 0;
  for (int c = last; c >= FFixedCols && space >= 0; --c) {
    const int w = ColWidth(c);
    if (used + w > space) break;
    used += w;
    ++n;
  }
  return n == 0 ? last : last - n + 1;
}

int THexGrid::VisibleRowCount() const {
  if (FTopRow >= FRowCount) return 0;
  // As a page: at least one row, even one that shows only in part.
  return std::max(1, RowsFitting(FTopRow, FClientHeight - FixedHeight()));
}

int THexGrid::VisibleColCount() const {
  if (FLeftCol >= FColCount) return 0;
  const int space = FClientWidth - FixedWidth();
  int n = 0, used = 0;
  for (int c = FLeftCol; c < FColCount; ++c) {
    const int w = ColWidth(c);
    if (used + w > space) break;
    used += w;
    ++n;
  }
  return std::max(1, n);
}

void THexGrid::ClampTopLeft() {
  FCurrent.Col = std::clamp(FCurrent.Col, FFixedCols, std::max(FFixedCols, FColCount - 1));
  FCurrent.Row = std::clamp(FCurrent.Row, FFixedRows, std::max(FFixedRows, FRowCount - 1));
  SetTopLeft(FLeftCol, FTopRow);
}

void THexGrid::SetTopLeft(int left, int top) {
  left = std::clamp(left, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
  top = std::clamp(top, FFixedRows, std::max(FFixedRows, MaxTopRow()));
  if (left == FLeftCol && top == FTopRow) return;
  FLeftCol = left;
  FTopRow = top;
  InvalidateGrid();
  TopLeftChanged();
}

void THexGrid::SetTopRow(int value) { SetTopLeft(FLeftCol, value); }
void THexGrid::SetLeftCol(int value) { SetTopLeft(value, FTopRow); }

TGridAxisInfo THexGrid::AxisInfo(bool horizontal) const {
  TGridAxisInfo a;
  a.GridExtent = horizontal ? FClientWidth : FClientHeight;
  a.FixedBoundary = horizontal ? FixedWidth() : FixedHeight();
  a.FirstGridCell = horizontal ? FLeftCol : FTopRow;
  a.LastFullVisibleCell = a.FirstGridCell;
  a.GridBoundary = a.FullVisBoundary = a.FixedBoundary;
  const int count = horizontal ? FColCount : FRowCount;
  const int space = a.GridExtent - a.FixedBoundary;
  int n = 0, used = 0;
  if (horizontal) {
    for (int c = a.FirstGridCell; c < count; ++c) {
      const int w = ColWidth(c);
      if (space < 0 || used + w > space) break;
      used += w;
      ++n;
    }
  } else {
    n = RowsFitting(a.FirstGridCell, space);
    // Heights of those rows: the default ones plus the set ones among them.
    int64_t sum = int64_t(n) * FDefaultRowHeight;
    for (auto it = FRowHeights.lower_bound(a.FirstGridCell);
         it != FRowHeights.end() && it->first < a.FirstGridCell + n; ++it)
      sum += it->second - FDefaultRowHeight;
    used = static_cast<int>(sum);
  }
  if (n > 0) {
    a.LastFullVisibleCell = a.FirstGridCell + n - 1;
    a.FullVisBoundary = a.FixedBoundary + used;
    a.GridBoundary = a.FullVisBoundary;
  }
  // A further cell shows in part up to the client's edge.
  if (a.FirstGridCell + n < count) a.GridBoundary = a.GridExtent;
  return a;
}

TGridAxisInfo THexGrid::HorzInfo() const { return AxisInfo(true); }
TGridAxisInfo THexGrid::VertInfo() const { return AxisInfo(false); }

int THexGrid::ColumnLeft(int col) const {
  if (col < 0 || col >= FColCount) return -1;
  int x = 0;
  if (col < FFixedCols) {
    for (int c = 0; c < col; ++c) x += ColWidth(c);
  } else {
    if (col < FLeftCol) return -1;
    x = FixedWidth();
    for (int c = FLeftCol; c < col && x < FClientWidth; ++c) x += ColWidth(c);
  }
  return x < FClientWidth ? x : -1;
}

int THexGrid::RowTop(int row) const {
  if (row < 0 || row >= FRowCount) return -1;
  int64_t y = 0;
  int from = 0;
  if (row < FFixedRows) {
    from = 0;
  } else {
    if (row < FTopRow) return -1;
    y = FixedHeight();
    from = FTopRow;
  }
  y += int64_t(row - from) * FDefaultRowHeight;
  for (auto it = FRowHeights.lower_bound(from); it != FRowHeights.end() && it->first < row; ++it)
    y += it->second - FDefaultRowHeight;
  return y < FClientHeight ? static_cast<int>(y) : -1;
}

TRect THexGrid::CellRect(int col, int row) const {
  const int x = ColumnLeft(col);
  const int y = RowTop(row);
  if (x < 0 || y < 0) return TRect{};
  return TRect{x, y, x + ColWidth(col), y + RowHeight(row)};
}

namespace {
// The pixel span [lo, hi) of the visible cells among a..b on one axis,
// given the left (top) edge of each visible cell; empty when none shows.
template <typename EdgeOf, typename SizeOf>
bool VisibleSpan(int a, int b, int fixed, int first, int count, EdgeOf edge, SizeOf size, int& lo,
                 int& hi) {
  bool any = false;
  auto take = [&](int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, count - 1);
    int firstEdge = -1, c = from;
    for (; c <= to; ++c) {
      firstEdge = edge(c);
      if (firstEdge >= 0) break;
    }
    if (firstEdge < 0) return;
    // The last cell of the range that still starts inside the view.
    int last = c, lastEdge = firstEdge;
    for (int d = to; d > c; --d) {
      const int e = edge(d);
      if (e >= 0) {
        last = d;
        lastEdge = e;
        break;
      }
    }
    const int l = firstEdge, h = lastEdge + size(last);
    if (!any) {
      lo = l;
      hi = h;
      any = true;
    } else {
      lo = std::min(lo, l);
      hi = std::max(hi, h);
    }
  };
  take(a, std::min(b, fixed - 1));
  take(std::max(a, first), b);
  return any;
}
}  // namespace

TRect THexGrid::BoxRect(int col1, int row1, int col2, int row2) const {
  if (col1 > col2) std::swap(col1, col2);
  if (row1 > row2) std::swap(row1, row2);
  int l = 0, r = 0, t = 0, b = 0;
  // The scrolled part of a range is searched only over the cells that can
  // show, so a range of many rows costs no more than the view.
  const TGridAxisInfo v = VertInfo();
  const TGridAxisInfo h = HorzInfo();
  const int lastRow = std::min(
      row2, v.GridBoundary > v.FullVisBoundary ? v.LastFullVisibleCell + 1 : v.LastFullVisibleCell);
  const int lastCol = std::min(
      col2, h.GridBoundary > h.FullVisBoundary ? h.LastFullVisibleCell + 1 : h.LastFullVisibleCell);
  if (!VisibleSpan(
          col1, lastCol, FFixedCols, FLeftCol, FColCount, [this](int c) { return ColumnLeft(c); },
          [this](int c) { return ColWidth(c); }, l, r))
    return TRect{};
  if (!VisibleSpan(
          row1, lastRow, FFixedRows, FTopRow, FRowCount, [this](int c) { return RowTop(c); },
          [this](int c) { return RowHeight(c); }, t, b))
    return TRect{};
  return TRect{l, t, std::min(r, FClientWidth), std::min(b, FClientHeight)};
}

TGridCoord THexGrid::MouseCoord(int x, int y) const {
  TGridCoord c;
  if (x >= 0 && x < FClientWidth) {
    const int fw = FixedWidth();
    c.Col = x < fw ? ColumnAtFrom(0, 0, x) : ColumnAtFrom(FLeftCol, fw, x);
  }
  if (y >= 0 && y < FClientHeight) {
    const int fh = FixedHeight();
    if (y < fh) {
      c.Row = RowAtFrom(0, 0, y);
    } else {
      c.Row = RowAtFrom(FTopRow, fh, y);
    }
  }
  return c;
}

// ---- The current cell -----------------------------------------------------

void THexGrid::InvalidateCell(int col, int row) {
  const TRect r = CellRect(col, row);
  if (!r.IsEmpty()) InvalidateRect(r);
}

bool THexGrid::MoveCurrentCell(int col, int row) {
  if (col < FFixedCols || col >= FColCount || row < FFixedRows || row >= FRowCount) return false;
  const TGridCoord old = CurrentCell();
  if (!SelectCell(col, row)) return false;
  SetCurrentCell(TGridCoord{col, row});
  const TGridCoord now = CurrentCell();
  ScrollInView(now.Col, now.Row);
  InvalidateCell(old.Col, old.Row);
  InvalidateCell(now.Col, now.Row);
  return true;
}

void THexGrid::ScrollInView(int col, int row) {
  int left = FLeftCol, top = FTopRow;
  if (col >= FFixedCols && col < FColCount) {
    if (col < FLeftCol) {
      left = col;
    } else {
      // The leftmost column from which col still shows whole.
      const int space = FClientWidth - FixedWidth();
      int used = ColWidth(col), c = col;
      while (c > FFixedCols && used + ColWidth(c - 1) <= space) used += ColWidth(--c);
      left = std::max(left, c);
    }
  }
  if (row >= FFixedRows && row < FRowCount) {
    if (row < FTopRow) {
      top = row;
    } else {
      const int space = FClientHeight - FixedHeight();
      if (FDefaultRowHeight > 0 || FRowHeights.count(row) != 0) {
        int used = RowHeight(row), r = row;
        while (r > FFixedRows && used + RowHeight(r - 1) <= space) used += RowHeight(--r);
        top = std::max(top, r);
      }
    }
  }
  SetTopLeft(left, top);
}

// ---- Mouse selection ------------------------------------------------------

TGridCoord THexGrid::CalcCoordFromPoint(int x, int y) const {
  TGridCoord c;
  const int fw = FixedWidth();
  if (x < fw) {
    c.Col = x < 0 ? (FFixedCols > 0 ? 0 : -1) : ColumnAtFrom(0, 0, x);
    if (c.Col < 0 && x >= 0) c.Col = ColumnAtFrom(FLeftCol, fw, x);
  } else {
    c.Col = ColumnAtFrom(FLeftCol, fw, x);
  }
  const int fh = FixedHeight();
  if (y < fh) {
    c.Row = y < 0 ? (FFixedRows > 0 ? 0 : -1) : RowAtFrom(0, 0, y);
    if (c.Row < 0 && y >= 0) c.Row = RowAtFrom(FTopRow, fh, y);
  } else if (FDefaultRowHeight > 0) {
    // Below the fixed rows every scrolled row has the default height
    // unless set one by one; only then is the walk needed.
    const auto it = FRowHeights.lower_bound(FTopRow);
    if (it == FRowHeights.end()) {
      const int64_t r = FTopRow + int64_t(y - fh) / FDefaultRowHeight;
      c.Row = r < FRowCount ? static_cast<int>(r) : -1;
    } else {
      c.Row = RowAtFrom(FTopRow, fh, y);
    }
  } else {
    c.Row = RowAtFrom(FTopRow, fh, y);
  }
  return c;
}

void THexGrid::TimedScroll(int x, int y) {
  if (!FDragging) return;
  const TGridAxisInfo h = HorzInfo();
  const TGridAxisInfo v = VertInfo();
  const TGridCoord cur = CurrentCell();
  TGridCoord next = cur;
  if (x < h.FixedBoundary && cur.Col > FFixedCols)
    --next.Col;
  else if (x > h.FullVisBoundary && cur.Col < FColCount - 1)
    ++next.Col;
  if (y < v.FixedBoundary && cur.Row > FFixedRows)
    --next.Row;
  else if (y > v.FullVisBoundary && cur.Row < FRowCount - 1)
    ++next.Row;
  if (next != cur) MoveCurrentCell(next.Col, next.Row);
}
