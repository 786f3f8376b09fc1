// The source box in the real window: what 格式化 and a rename write into it can be undone.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/sample_text.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"
#include "ui/tree_view.h"

namespace quillon::ui {
namespace {

TEST(SourceBox, FormatAndRenameAreUndoneWithCtrlZ) {
    MainWindow window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    TextBox& source = window.SourceBox();
    const Text sample(app::kSampleText);
    source.SetContent(sample + "<!-- kept -->");
    QTest::mouseClick(&window.ParseButton(), Qt::LeftButton);
    QTest::mouseClick(&window.FormatButton(), Qt::LeftButton);
    const Text formatted = source.Content();
    ASSERT_NE(formatted.find("\r\n"), Text::npos);

    // Rename the root: the source is written again from the tree, on one line.
    TreeView& tree = window.Tree();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                      tree.visualRect(tree.Model().ModelIndex(0)).center());
    QTest::keyClick(&tree, Qt::Key_F2);
    auto* editor = tree.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("card"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    ASSERT_NE(source.Content().find("<card "), Text::npos);

    source.setFocus();
    QTest::keyClick(&source, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(source.Content(), formatted);
    QTest::keyClick(&source, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(source.Content(), sample + "<!-- kept -->");
}

}  // namespace
}  // namespace quillon::ui
