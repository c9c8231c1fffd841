// The grid base: view arithmetic, hit testing, the current cell.

#include <gtest/gtest.h>

#include <vector>

#include "hexedit/core/HexGrid.h"

namespace {

// 5 columns of 10 px and 100 rows of 10 px, one fixed of each, in a
// 35 x 55 px client: 2.5 scrollable columns and 4.5 rows show.
struct TestGrid : THexGrid {
  std::vector<TRect> Invalidated;
  int TopLeftChanges = 0;
  bool Accept = true;
  std::vector<TGridCoord> Asked;

  TestGrid() {
    SetColCount(5);
    SetRowCount(100);
    SetFixedCols(1);
    SetFixedRows(1);
    SetDefaultColWidth(10);
    SetDefaultRowHeight(10);
    SetClientSize(35, 55);
    Invalidated.clear();
    TopLeftChanges = 0;
  }
  bool SelectCell(int col, int row) override {
    Asked.push_back({col, row});
    return Accept;
  }
  void InvalidateRect(const TRect& r) override { Invalidated.push_back(r); }
  void TopLeftChanged() override { ++TopLeftChanges; }
};

}  // namespace

TEST(HexGrid, ViewArithmetic) {
  TestGrid g;
  EXPECT_EQ(g.TopRow(), 1);
  EXPECT_EQ(g.LeftCol(), 1);
  EXPECT_EQ(g.VisibleRowCount(), 4);
  EXPECT_EQ(g.VisibleColCount(), 2);
  EXPECT_EQ(g.MaxTopRow(), 96);
  EXPECT_EQ(g.MaxLeftCol(), 3);

  const TGridAxisInfo v = g.VertInfo();
  EXPECT_EQ(v.FixedBoundary, 10);
  EXPECT_EQ(v.FullVisBoundary, 50);
  EXPECT_EQ(v.LastFullVisibleCell, 4);
  EXPECT_EQ(v.GridBoundary, 55);  // row 5 shows in part
  g.SetRowCount(3);
  EXPECT_EQ(g.VertInfo().GridBoundary, 30);  // nothing below the last row
  EXPECT_EQ(g.MaxTopRow(), 1);

  g.SetRowCount(100);
  g.SetTopRow(1000);
  EXPECT_EQ(g.TopRow(), 96);
  EXPECT_EQ(g.TopLeftChanges, 1);
  g.SetTopRow(-5);
  EXPECT_EQ(g.TopRow(), 1);
  // A taller client pulls the top row back so no space is wasted.
  g.SetTopRow(96);
  g.SetClientSize(35, 105);
  EXPECT_EQ(g.TopRow(), 91);
}

TEST(HexGrid, CellRectanglesAndHits) {
  TestGrid g;
  g.SetTopRow(20);
  EXPECT_EQ(g.CellRect(0, 0), (TRect{0, 0, 10, 10}));
  EXPECT_EQ(g.CellRect(2, 20), (TRect{20, 10, 30, 20}));
  EXPECT_EQ(g.CellRect(3, 24), (TRect{30, 50, 40, 60}));  // in part
  EXPECT_EQ(g.CellRect(1, 25), TRect{});                  // below the view
  EXPECT_EQ(g.CellRect(1, 19), TRect{});                  // scrolled away
  EXPECT_EQ(g.CellRect(4, 20), TRect{});                  // right of the view
  EXPECT_EQ(g.CellRect(-1, 20), TRect{});
  EXPECT_EQ(g.CellRect(1, 100), TRect{});

  EXPECT_EQ(g.MouseCoord(5, 5), (TGridCoord{0, 0}));
  EXPECT_EQ(g.MouseCoord(34, 54), (TGridCoord{3, 24}));
  EXPECT_EQ(g.MouseCoord(12, 15), (TGridCoord{1, 20}));
  EXPECT_EQ(g.MouseCoord(35, 55), (TGridCoord{-1, -1}));
  EXPECT_EQ(g.MouseCoord(-1, 12), (TGridCoord{-1, 20}));

  // A block over fixed and scrolled cells, clipped to the view.
  EXPECT_EQ(g.BoxRect(0, 21, 4, 90), (TRect{0, 20, 35, 55}));
  EXPECT_EQ(g.BoxRect(2, 22, 2, 22), (TRect{20, 30, 30, 40}));
  EXPECT_EQ(g.BoxRect(1, 2, 4, 10), TRect{});
}

TEST(HexGrid, CurrentCellAsksAndScrolls) {
  TestGrid g;
  g.Accept = false;
  EXPECT_FALSE(g.MoveCurrentCell(2, 50));
  EXPECT_EQ(g.CurrentCell(), (TGridCoord{1, 1}));
  EXPECT_EQ(g.TopRow(), 1);

  g.Accept = true;
  EXPECT_TRUE(g.MoveCurrentCell(2, 50));
  EXPECT_EQ(g.CurrentCell(), (TGridCoord{2, 50}));
  EXPECT_EQ(g.TopRow(), 47);  // row 50 is the last whole row
  ASSERT_FALSE(g.Invalidated.empty());
  EXPECT_EQ(g.Invalidated.back(), g.CellRect(2, 50));
  EXPECT_TRUE(g.MoveCurrentCell(4, 10));
  EXPECT_EQ(g.TopRow(), 10);
  EXPECT_EQ(g.LeftCol(), 3);

  // Fixed cells and cells outside the grid are never current.
  g.Asked.clear();
  EXPECT_FALSE(g.MoveCurrentCell(0, 10));
  EXPECT_FALSE(g.MoveCurrentCell(2, 100));
  EXPECT_TRUE(g.Asked.empty());
}

TEST(HexGrid, DegenerateSizes) {
  TestGrid g;
  g.SetClientSize(0, 0);
  EXPECT_EQ(g.VisibleRowCount(), 1);
  EXPECT_EQ(g.CellRect(1, 1), TRect{});
  EXPECT_EQ(g.MouseCoord(0, 0), (TGridCoord{-1, -1}));
  EXPECT_EQ(g.MaxTopRow(), 99);

  // Rows of no height: the walks skip them instead of counting them.
  g.SetClientSize(100, 100);
  g.SetRowCount(1000000);
  g.SetDefaultRowHeight(0);
  EXPECT_EQ(g.VisibleRowCount(), 999999);
  EXPECT_EQ(g.MaxTopRow(), 1);
  EXPECT_EQ(g.VertInfo().GridBoundary, 0);
  EXPECT_EQ(g.MouseCoord(5, 5).Row, -1);
  g.SetRowHeight(500000, 30);
  EXPECT_EQ(g.MouseCoord(5, 5).Row, 500000);
  EXPECT_EQ(g.CellRect(1, 500000), (TRect{10, 0, 20, 30}));

  g.SetColCount(0);
  g.SetRowCount(0);
  EXPECT_EQ(g.FixedCols(), 0);
  EXPECT_EQ(g.CellRect(0, 0), TRect{});
  EXPECT_EQ(g.VisibleRowCount(), 0);
  EXPECT_FALSE(g.MoveCurrentCell(0, 0));
}
