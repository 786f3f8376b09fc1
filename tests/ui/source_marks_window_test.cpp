// The source box's marks in the real window: where a parse failed, with its reason beside it until
// the next key, and the start tag of the element selected in the tree.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "runtime/codepage.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"
#include "ui/tree_view.h"

namespace quillon::ui {
namespace {

class SourceMarksWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QLabel* Balloon() const { return window.findChild<QLabel*>(QStringLiteral("noteBalloon")); }

    MainWindow window;
};

TEST_F(SourceMarksWindowTest, AFailedParseShowsWhereAndWhyUntilTheNextKey) {
    window.SourceBox().setPlainText(QString::fromUtf8("<r>\n  <早安>\n</r>"));
    window.ParseButton().setFocus();
    QTest::mouseClick(&window.ParseButton(), Qt::LeftButton);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Quillon     解析XML文本失败"));
    // The cursor stands at the failure; the focus stays on the button.
    const Text text = window.SourceBox().Content();
    EXPECT_EQ(codepage::gbkToUtf8(text.substr(window.SourceBox().CursorPosition())), "</r>");
    EXPECT_TRUE(window.ParseButton().hasFocus());
    QLabel* balloon = Balloon();
    ASSERT_NE(balloon, nullptr);
    EXPECT_TRUE(balloon->isVisible());
    EXPECT_EQ(balloon->text(), QString::fromUtf8("第3行第1列：结束标签与开始标签不一致"));

    QTest::keyClick(&window.ParseButton(), Qt::Key_Shift);
    EXPECT_FALSE(balloon->isVisible());
}

TEST_F(SourceMarksWindowTest, SelectingAnElementMarksItsStartTagAndKeepsTheFocus) {
    window.SourceBox().setPlainText(
        QString::fromUtf8("<r>\n  <!-- 注释 -->\n  <项 a=\"1\">早安</项>\n</r>"));
    QTest::mouseClick(&window.ParseButton(), Qt::LeftButton);
    TreeView& tree = window.Tree();
    tree.ExpandAll();
    tree.setFocus();
    tree.setCurrentIndex(tree.Model().ModelIndex(0));
    QTest::keyClick(&tree, Qt::Key_Down);
    EXPECT_EQ(window.PathBox().text(), QStringLiteral("r/@1"));
    EXPECT_TRUE(tree.hasFocus());
    EXPECT_EQ(window.SourceBox().CursorPosition(), window.SourceBox().Content().find("<\xCF\xEE"));

    // After an edit the box no longer holds the parsed text: selecting moves nothing there.
    window.SourceBox().setFocus();
    QTest::keyClick(&window.SourceBox(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&window.SourceBox(), QStringLiteral(" "));
    const std::size_t cursor = window.SourceBox().CursorPosition();
    tree.setFocus();
    QTest::keyClick(&tree, Qt::Key_Up);
    EXPECT_EQ(window.PathBox().text(), QStringLiteral("r"));
    EXPECT_EQ(window.SourceBox().CursorPosition(), cursor);
}

}  // namespace
}  // namespace quillon::ui
