// Files in the real window: dropped on any control, named on the command line, saved back.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "fake_controls.h"
#include "runtime/codepage.h"
#include "ui/command_line.h"
#include "ui/edit_boxes.h"
#include "ui/main_window.h"
#include "ui/tree_view.h"

namespace quillon::ui {
namespace {

namespace fs = std::filesystem;

class FileWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "quillon-window-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir = name;
        window.show();
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path Put(const char* name, std::string_view bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    // Drags `file` over `target` and drops it there, as a file manager does.
    static bool Drop(QWidget* target, const fs::path& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
        data.setText(QString::fromStdString(file.string()));  // what a box would insert
        QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(target, &drop);
        return enter.isAccepted() && drop.isAccepted();
    }
    std::string Box() const { return window.SourceBox().toPlainText().toStdString(); }

    fs::path dir;
    app::testing::FakeDesktop desktop;
    MainWindow window{desktop, app::Addresses{}};
};

TEST_F(FileWindowTest, DroppedFileOpensWhereverItLands) {
    const fs::path file = Put("dropped.xml", "<a>\xE4\xB8\xAD</a>");
    QWidget* targets[] = {window.SourceBox().viewport(), window.Tree().viewport(),
                          &window.PathBox(), window.ValueBox().viewport(), &window};
    for (QWidget* target : targets) {
        window.SourceBox().setPlainText("before");
        EXPECT_TRUE(Drop(target, file)) << target->objectName().toStdString();
        EXPECT_EQ(Box(), "<a>中</a>") << target->objectName().toStdString();
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST(CommandLine, ReadsHelpVersionAndOneFile) {
    using R = StartRequest;
    const struct {
        std::vector<std::string_view> args;
        R::Kind kind;
        std::string file;
    } rows[] = {
        {{}, R::kRun, ""},
        {{"a.xml"}, R::kRun, "a.xml"},
        {{"--", "-a.xml"}, R::kRun, "-a.xml"},
        {{"a.xml", "--help"}, R::kHelp, ""},
        {{"--bogus", "-v"}, R::kVersion, ""},
        {{"--", "--help"}, R::kRun, "--help"},
        {{"--bogus"}, R::kUsageError, ""},
        {{"a.xml", "b.xml"}, R::kUsageError, ""},
    };
    for (const auto& row : rows) {
        const StartRequest request = ReadArguments(row.args);
        EXPECT_EQ(request.kind, row.kind) << row.args.size();
        EXPECT_EQ(request.file, fs::path(row.file));
        EXPECT_EQ(request.error.empty(), row.kind != R::kUsageError);
    }
}

// What `quillon FILE` does at start, then 另存为… over the real box: the LF file comes back
// byte for byte although the box hands out CR LF.
TEST_F(FileWindowTest, FileFromTheCommandLineOpensAndSavesBack) {
    const std::string bytes =
        "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<a>" + codepage::utf8ToGbk("中文") + "</a>\n";
    const fs::path file = Put("start.xml", bytes);
    const std::string_view args[] = {file.c_str()};
    const StartRequest request = ReadArguments(args);
    ASSERT_TRUE(window.OpenFile(request.file));
    EXPECT_EQ(window.SourceBox().Content(), "<?xml version=\"1.0\" encoding=\"gbk\"?>\r\n<a>" +
                                                codepage::utf8ToGbk("中文") + "</a>\r\n");

    desktop.choices = {dir / "saved.xml"};
    window.findChild<QAction*>(QString::fromUtf8("另存为"))->trigger();
    std::ifstream saved(dir / "saved.xml", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), bytes);
    EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
}  // namespace quillon::ui
