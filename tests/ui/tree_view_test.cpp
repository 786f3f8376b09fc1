#include "ui/tree_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

namespace quillon::ui {
namespace {

// Pixels in `area` of the view's viewport that are clearly darker than its white background.
int InkIn(TreeView& view, const QRect& area) {
    const QImage shot = view.viewport()->grab().toImage();
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = std::max(0, area.left()); x <= area.right(); ++x)
            if (shot.valid(x, y) && qGray(shot.pixel(x, y)) < 200) ++ink;
    return ink;
}

TEST(TreeView, LinesJoinLeavesToTheirParent) {
    TreeView view;
    view.resize(240, 160);
    view.AddItem(-1, "r");
    view.AddItem(0, "a");
    view.AddItem(0, "b");
    view.FinishUpdate();
    view.expandAll();
    view.show();
    QApplication::processEvents();

    // A leaf has no button, so whatever its branch column shows is the connecting line.
    for (int leaf : {1, 2}) {
        const QRect row = view.visualRect(view.Model().ModelIndex(leaf));
        const QRect branch(row.left() - view.indentation(), row.top(), view.indentation(),
                           row.height());
        EXPECT_GT(InkIn(view, branch), 2) << leaf;
    }
    // The root has its own button at the left edge, and no line leads into it from above.
    const QRect root = view.visualRect(view.Model().ModelIndex(0));
    EXPECT_GT(InkIn(view, QRect(0, root.top(), view.indentation(), root.height())), 2);
    EXPECT_EQ(InkIn(view, QRect(0, root.top(), view.indentation(), root.height() / 2 - 5)), 0);
}

}  // namespace
}  // namespace quillon::ui
