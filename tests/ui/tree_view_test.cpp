#include "ui/tree_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "ui/edit_boxes.h"
#include "ui/find_field.h"
#include "ui/main_window.h"

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
    view.ExpandAll();
    view.show();
    QApplication::processEvents();

    // A leaf has no button, so whatever its branch column shows is the connecting line.
    for (int leaf : {1, 2}) {
        const QRect row = view.visualRect(view.Model().ModelIndex(leaf));
        const QRect branch(row.left() - view.Indentation(), row.top(), view.Indentation(),
                           row.height());
        EXPECT_GT(InkIn(view, branch), 2) << leaf;
    }
    // The root has its own button at the left edge, and no line leads into it from above.
    const QRect root = view.visualRect(view.Model().ModelIndex(0));
    EXPECT_GT(InkIn(view, QRect(0, root.top(), view.Indentation(), root.height())), 2);
    EXPECT_EQ(InkIn(view, QRect(0, root.top(), view.Indentation(), root.height() / 2 - 5)), 0);
}

// A chain of `depth` elements named e0, e1, ... e9, e0, ..., the innermost holding two leaves.
Text Chain(int depth) {
    Text open, close;
    for (int i = 0; i < depth; ++i) {
        const Text name = "e" + std::to_string(i % 10);
        open += "<" + name + ">";
        close.insert(0, "</" + name + ">");
    }
    return open + "<leaf/><tail/>" + close;
}

TEST(DeepTree, ParseFillsEveryLevelOfAVeryDeepDocument) {
    constexpr int kDepth = 100000;
    MainWindow window;
    window.SourceBox().SetContent(Chain(kDepth));
    window.ParseButton().click();
    const TreeModel& model = window.Tree().Model();
    ASSERT_EQ(model.Count(), kDepth + 2);
    int wrong = 0;
    for (int i = 1; i < kDepth; ++i) {
        wrong += model.Label(i) != "e" + std::to_string(i % 10) || model.Parent(i) != i - 1 ||
                 model.Value(i) != 1;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(model.Label(kDepth), "leaf");
    EXPECT_EQ(model.Label(kDepth + 1), "tail");
    EXPECT_EQ(model.Parent(kDepth + 1), kDepth - 1);
    EXPECT_EQ(model.Value(kDepth + 1), 2);
}

// The window's tree is 152 px wide, so a chain this deep is indented far past its edge.
TEST(DeepTree, ExpandAllAndKeysWorkAtAnyDepth) {
    constexpr int kDepth = 1000000;
    TreeView view;
    view.resize(152, 448);
    view.DeleteAllItems();
    for (int item = view.AddItem(-1, "r"); item < kDepth; ++item) view.AddItem(item, "e");
    view.FinishUpdate();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto index = [&](int item) { return view.Model().ModelIndex(item); };
    auto key = [&](Qt::Key k) {
        QTest::keyClick(&view, k);
        QApplication::processEvents();
        return view.SelectedIndex();
    };

    view.setCurrentIndex(index(0));
    key(Qt::Key_Asterisk);
    const int last = kDepth;  // every level shows
    EXPECT_TRUE(view.IsExpanded(last - 1));

    EXPECT_EQ(key(Qt::Key_End), last);
    const QRect row = view.visualRect(index(last));
    EXPECT_TRUE(view.viewport()->rect().contains(row.topLeft() + QPoint(4, 4)));
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
    EXPECT_EQ(key(Qt::Key_Up), last - 1);
    EXPECT_EQ(key(Qt::Key_Up), last - 2);
    EXPECT_EQ(key(Qt::Key_Down), last - 1);
    EXPECT_LT(key(Qt::Key_PageUp), last - 10);
    EXPECT_EQ(key(Qt::Key_Home), 0);
    EXPECT_GT(key(Qt::Key_PageDown), 10);
    EXPECT_EQ(key(Qt::Key_Home), 0);

    // Collapsing forgets what was open below; expanding again opens one level.
    key(Qt::Key_Left);
    EXPECT_FALSE(view.IsExpanded(0));
    key(Qt::Key_Right);
    EXPECT_TRUE(view.IsExpanded(0));
    EXPECT_FALSE(view.IsExpanded(1));
    EXPECT_EQ(key(Qt::Key_End), 1);

    // The program reaches the deepest item at once; collapsing its ancestor selects the ancestor.
    ASSERT_TRUE(view.SelectItem(last));
    EXPECT_EQ(view.SelectedIndex(), last);
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(index(last)).topLeft()));
    EXPECT_EQ(key(Qt::Key_Left), last - 1);
    view.Collapse(kDepth / 2);
    EXPECT_EQ(view.SelectedIndex(), kDepth / 2);
    EXPECT_EQ(view.Model().rowCount(), kDepth / 2 + 1);
}

TEST(FindField, FindsNextWrapsAndCloses) {
    MainWindow window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.SourceBox().SetContent("<r><a n=\"Key\"/><b/><c>key</c></r>");
    window.ParseButton().click();
    FindField& field = window.Find();
    EXPECT_FALSE(field.isVisible());

    QTest::keyClick(&window.Tree(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(field.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &field);
    QTest::keyClicks(&field, "KEY");
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_EQ(window.Tree().SelectedIndex(), 1);
    EXPECT_EQ(window.PathBox().text(), "r/@1");
    QTest::keyClick(&field, Qt::Key_F3);
    EXPECT_EQ(window.Tree().SelectedIndex(), 3);
    EXPECT_EQ(window.ValueBox().Content(), "key");
    QTest::keyClick(&field, Qt::Key_Return);  // round to the first again
    EXPECT_EQ(window.Tree().SelectedIndex(), 1);

    field.setText("none");
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_EQ(window.Tree().SelectedIndex(), 1);
    EXPECT_EQ(window.PathBox().text(), "r/@1");

    QTest::keyClick(&field, Qt::Key_Escape);
    EXPECT_FALSE(field.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &window.Tree());
}

}  // namespace
}  // namespace quillon::ui
