#pragma once
// The dotted lines that join each row of the tree view to its parent and its siblings, and the
// buttons that expand and collapse items. Rows are painted top to bottom in the order shown; a
// column's line runs through a row when the row's ancestor on that level has a sibling after it.
// Only the columns in sight are followed, so a row deep in the tree costs no more than one near
// the top.
#include <vector>

class QPainter;

namespace quillon::ui {

class TreeItems;

class TreeLines {
  public:
    // Starts at the row of item `first`; columns are `indent` wide, and those between x `left`
    // and `right` of the whole tree's width are in sight.
    TreeLines(const TreeItems& items, int first, int indent, long long left, long long right);

    // Paints the lines and button of the next row down, whose top is at `top` in the painter.
    void Paint(QPainter& painter, int item, int top, int height);

  private:
    bool InSight(long long column) const;

    const TreeItems& items_;
    int indent_;
    long long left_;
    long long firstColumn_;
    long long lastColumn_;
    std::vector<char> continues_;  // by column in sight: a line runs on below the row
};

}  // namespace quillon::ui
