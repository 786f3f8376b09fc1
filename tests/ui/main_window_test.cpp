// The real window, driven end to end as a person would: clicks, keys and menu entries.
#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "app/format_xml.h"
#include "app/sample_text.h"
#include "runtime/codepage.h"
#include "ui/attribute_grid.h"
#include "ui/edit_boxes.h"
#include "ui/tree_view.h"

namespace quillon::ui {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}
Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

using Rows = std::vector<std::pair<std::string, std::string>>;  // UTF-8, for readable failures

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    TreeView& tree() { return window.Tree(); }
    QString Caption() const { return window.windowTitle(); }
    void ClickParse() { QTest::mouseClick(&window.ParseButton(), Qt::LeftButton); }
    void SetSource(const char* utf8) { window.SourceBox().setPlainText(U(utf8)); }

    // The index of the first item labelled `utf8`, all items expanded so that every one shows.
    int Find(const char* utf8) {
        tree().ExpandAll();
        const Text label = G(utf8);
        for (int i = 0; i < tree().Model().Count(); ++i)
            if (tree().ItemText(i) == label) return i;
        ADD_FAILURE() << "no item " << utf8;
        return -1;
    }
    void ClickItem(const char* utf8) {
        const QRect box = tree().visualRect(tree().Model().ModelIndex(Find(utf8)));
        QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, box.center());
    }
    QLineEdit* OpenEditor(const char* utf8) {
        ClickItem(utf8);
        QTest::keyClick(&tree(), Qt::Key_F2);
        return tree().viewport()->findChild<QLineEdit*>();
    }
    // Ends the edit with Return; the editor commits once the event loop turns.
    void Commit(QLineEdit* editor, const QString& label) {
        editor->setText(label);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    Rows GridRows() const {
        Rows rows;
        const AttributeGrid& grid = window.Grid();
        for (int r = 0; r < grid.rowCount(); ++r)
            rows.emplace_back(codepage::gbkToUtf8(grid.CellText(r, 0)),
                              codepage::gbkToUtf8(grid.CellText(r, 1)));
        return rows;
    }
    std::string Path() const { return window.PathBox().text().toStdString(); }
    std::string Value() const { return window.ValueBox().toPlainText().toStdString(); }
    // "label[children...]" over the model, as the view shows it.
    std::string Shown(int parent = -1) const {
        const TreeItems& items = window.Tree().Model().Items();
        std::string out;
        for (int item = parent + 1; item < items.Count(); ++item) {
            if (items.Parent(item) != parent) continue;
            out += (out.empty() ? "" : " ") + codepage::gbkToUtf8(items.Label(item));
            if (items.ChildCount(item) > 0) out += "[" + Shown(item) + "]";
        }
        return out;
    }

    MainWindow window;
};

TEST_F(MainWindowTest, ControlsSitAtTheirClientPositions) {
    const std::pair<const char*, QRect> boxes[] = {
        {"按钮2", {423, 289, 64, 24}},         {"高级表格1", {160, 322, 180, 128}},
        {"编辑框_路径", {190, 289, 154, 24}},  {"按钮1", {492, 289, 64, 24}},
        {"编辑框_节点", {352, 320, 205, 131}}, {"编辑框_源码", {157, 3, 400, 280}},
        {"XML树", {2, 3, 152, 448}},
    };
    for (const auto& [name, box] : boxes) {
        const auto* control = window.Client()->findChild<QWidget*>(U(name));
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->geometry(), box) << name;
    }
    EXPECT_EQ(window.Client()->geometry().top(), window.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(window.FormatButton().text(), U("格式化"));
    EXPECT_EQ(window.ParseButton().text(), U("解析"));

    // The labels keep clear of the box and the button to their right, and show their text.
    const auto* pathLabel = window.Client()->findChild<QLabel*>(U("标签1"));
    const auto* valueLabel = window.Client()->findChild<QLabel*>(U("标签2"));
    ASSERT_TRUE(pathLabel && valueLabel);
    EXPECT_EQ(pathLabel->text(), U("路径:"));
    EXPECT_EQ(valueLabel->text(), U("节点值"));
    EXPECT_FALSE(pathLabel->geometry().intersects(window.PathBox().geometry()));
    EXPECT_FALSE(valueLabel->geometry().intersects(window.FormatButton().geometry()));
    for (const QLabel* label : {pathLabel, valueLabel})
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
}

TEST_F(MainWindowTest, WindowIsFixedWithoutMaximize) {
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    const QFont font = tree().font();
    EXPECT_EQ(font.pixelSize(), 12);
    EXPECT_EQ(font.families().value(0), U("微软雅黑"));
    EXPECT_TRUE(font.families().contains(U("WenQuanYi Micro Hei")));
}

// Captions as a person reads them: the access key "(&X)" shown as "(X)" after the name.
TEST_F(MainWindowTest, MenusHoldTheirEntries) {
    QStringList top;
    for (const QAction* action : window.menuBar()->actions()) top << action->text();
    EXPECT_EQ(top, (QStringList{U("程序(&P)"), U("关于(&A)")}));
    QStringList entries;
    for (const QAction* action : window.menuBar()->actions()[0]->menu()->actions())
        entries << (action->isSeparator() ? "-" : action->text());
    for (const QAction* action : window.menuBar()->actions()[1]->menu()->actions())
        entries << action->text();
    EXPECT_EQ(entries, (QStringList{U("打开(&O)…"), U("另存为(&A)…"), U("关闭(&C)"), "-",
                                    U("退出(&X)"), U("检查更新(&U)"), U("说明(&H)")}));
}

// Every key, pressed on the window wherever the focus is, runs its entry or button.
TEST_F(MainWindowTest, KeysRunTheirEntries) {
    const std::pair<const char*, QKeySequence> keys[] = {
        {"打开", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"另存为", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"退出", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"解析", QKeySequence(Qt::Key_F5)},
        {"格式化", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
    };
    for (const auto& [name, key] : keys) {
        const auto* action = window.findChild<QAction*>(U(name));
        ASSERT_NE(action, nullptr) << name;
        EXPECT_EQ(action->shortcut(), key) << name;
    }
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.SourceBox().setFocus();
    QTest::keyClick(&window.SourceBox(), Qt::Key_F5);
    EXPECT_EQ(Caption(), U("Quillon     编码：utf-8"));
    QTest::keyClick(&window.SourceBox(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window.SourceBox().Content(), app::formatXml(app::kSampleText));
    EXPECT_EQ(window.ParseButton().toolTip(), U("解析 (F5)"));
}

TEST_F(MainWindowTest, StartsWithSampleEmptyTreeAndGridHeader) {
    EXPECT_EQ(Caption(), "Quillon");
    EXPECT_EQ(tree().Model().Count(), 0);
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(GridRows(), (Rows{{"属性名", "属性值"}}));
    const AttributeGrid& grid = window.Grid();
    EXPECT_EQ(grid.columnCount(), 2);
    EXPECT_EQ(grid.rowHeight(0), 22);
    EXPECT_EQ(grid.columnWidth(1), 88);
    EXPECT_FALSE(grid.item(0, 1)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(window.SourceBox().Content(), app::kSampleText);
    EXPECT_EQ(window.SourceBox().Content().size(), 485u);
}

TEST_F(MainWindowTest, ParseAndSelectByMouseAndKeyboard) {
    ClickParse();
    EXPECT_EQ(Caption(), U("Quillon     编码：utf-8"));
    EXPECT_EQ(Shown(), "msg[item[title] source]");
    EXPECT_EQ(tree().sizeHintForRow(0), 18);

    ClickItem("title");
    EXPECT_EQ(Path(), "msg/@1/@1");
    EXPECT_EQ(Value(), "早安");
    EXPECT_EQ(GridRows(), (Rows{{"属性名", "属性值"}, {"size", "305"}, {"color", "#ff6644"}}));

    QTest::keyClick(&tree(), Qt::Key_Down);  // from "title" to "source"
    EXPECT_EQ(Path(), "msg/@2");
    EXPECT_EQ(Value(), "");
    EXPECT_EQ(
        GridRows(),
        (Rows{{"属性名", "属性值"}, {"name", ""}, {"icon", ""}, {"action", ""}, {"appid", "-1"}}));
    // A selection the program makes shows nothing.
    tree().setCurrentIndex(tree().Model().ModelIndex(0));
    EXPECT_EQ(Path(), "msg/@2");
}

TEST_F(MainWindowTest, FailedParseChangesOnlyTheCaption) {
    ClickParse();
    ClickItem("title");
    SetSource("<a></b>");
    ClickParse();
    EXPECT_EQ(Caption(), U("Quillon     解析XML文本失败"));
    EXPECT_EQ(Shown(), "msg[item[title] source]");
    EXPECT_EQ(Path(), "msg/@1/@1");
    EXPECT_EQ(Value(), "早安");
    EXPECT_EQ(GridRows().size(), 3u);
}

TEST_F(MainWindowTest, RenamingInTheTreeRewritesTheSource) {
    ClickParse();
    QLineEdit* editor = OpenEditor("title");
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "title");
    Commit(editor, U("标题"));

    const Text source = window.SourceBox().Content();
    EXPECT_EQ(source.rfind("<?xml version=\"1.0\" encoding=\"gb18030\"?><msg ", 0), 0u);
    EXPECT_EQ(source.find_first_of("\r\n"), Text::npos);
    EXPECT_NE(source.find(G(">早安</标题></item>")), Text::npos);
    EXPECT_EQ(Shown(), "msg[item[标题] source]");
    ClickParse();
    EXPECT_EQ(Caption(), U("Quillon     编码：gb18030"));
}

TEST_F(MainWindowTest, EscapeCancelsTheEdit) {
    ClickParse();
    QLineEdit* editor = OpenEditor("title");
    ASSERT_NE(editor, nullptr);
    editor->setText("other");
    QTest::keyClick(editor, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(Shown(), "msg[item[title] source]");
    EXPECT_EQ(window.SourceBox().Content(), app::kSampleText);
}

TEST_F(MainWindowTest, RenamedRootStillLeadsEveryPath) {
    ClickParse();
    QLineEdit* editor = OpenEditor("msg");
    ASSERT_NE(editor, nullptr);
    Commit(editor, "card");
    ClickItem("title");
    EXPECT_EQ(Path(), "card/@1/@1");
    EXPECT_EQ(Value(), "早安");
}

TEST_F(MainWindowTest, RefusedNamesKeepLabelAndSource) {
    ClickParse();
    QLineEdit* editor = OpenEditor("title");
    ASSERT_NE(editor, nullptr);
    Commit(editor, "");
    EXPECT_EQ(Shown(), "msg[item[title] source]");
    EXPECT_EQ(window.SourceBox().Content(), app::kSampleText);

    SetSource("<a></b>");  // fails: the tree outlives the document
    ClickParse();
    editor = OpenEditor("source");
    ASSERT_NE(editor, nullptr);
    Commit(editor, "origin");
    EXPECT_EQ(Shown(), "msg[item[title] source]");
    EXPECT_EQ(window.SourceBox().toPlainText(), "<a></b>");
}

TEST_F(MainWindowTest, CloseEmptiesEverything) {
    ClickParse();
    ClickItem("title");
    window.findChild<QAction*>(U("关闭"))->trigger();
    EXPECT_EQ(window.SourceBox().toPlainText(), "");
    EXPECT_EQ(Path(), "");
    EXPECT_EQ(Value(), "");
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(GridRows(), (Rows{{"属性名", "属性值"}}));
    EXPECT_FALSE(window.App().State().Document.IsLoaded());
    EXPECT_EQ(Caption(), U("Quillon     编码：utf-8"));
}

TEST_F(MainWindowTest, FormatReindentsOnlyTheSource) {
    ClickParse();
    ClickItem("title");
    QTest::mouseClick(&window.FormatButton(), Qt::LeftButton);
    const Text source = window.SourceBox().Content();
    EXPECT_EQ(source, app::formatXml(app::kSampleText));
    EXPECT_EQ(std::count(source.begin(), source.end(), '\n'), 6);  // seven lines
    EXPECT_NE(source.find("\r\n        <title  size=\"305\""), Text::npos);
    EXPECT_EQ(Caption(), U("Quillon     编码：utf-8"));
    EXPECT_EQ(Shown(), "msg[item[title] source]");
    EXPECT_EQ(Path(), "msg/@1/@1");
    Text root;
    EXPECT_TRUE(window.App().State().Document.GetRootName(root));
    EXPECT_EQ(root, "msg");
}

// The message loop ends with exit code 0 and the state released, by 退出 or by closing.
TEST(MainWindowLoop, QuitEntryAndCloseBoxEndTheLoop) {
    for (bool byMenu : {true, false}) {
        MainWindow window;
        QMetaObject::invokeMethod(
            &window,
            [&window, byMenu] {
                window.ParseButton().click();
                if (byMenu) {
                    window.findChild<QAction*>(U("退出"))->trigger();
                } else {
                    window.close();
                }
            },
            Qt::QueuedConnection);
        EXPECT_EQ(RunMainLoop(window), 0);
        EXPECT_FALSE(window.App().State().Document.IsLoaded());
        EXPECT_EQ(window.App().State().RootName, "");
    }
}

}  // namespace
}  // namespace quillon::ui
