// 打开… and 另存为… against real files in a fresh folder, with the controls in memory.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/application.h"
#include "fake_controls.h"
#include "runtime/codepage.h"

namespace quillon::app {
namespace {

namespace fs = std::filesystem;
using std::string_literals::operator""s;

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

class FileCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "quillon-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir = name;
        ui.source.content = G("before");
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path Put(const std::string& name, std::string_view bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    static std::string Slurp(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The one message box shown since the last call, as UTF-8; empty when none was shown.
    std::string Message() {
        EXPECT_LE(ui.desktop.messages.size(), 1u);
        std::string text;
        for (const auto& message : ui.desktop.messages) {
            EXPECT_EQ(message.caption, kNoticeCaption);
            EXPECT_EQ(message.buttons, kOkButton);
            text = codepage::gbkToUtf8(message.text);
        }
        ui.desktop.messages.clear();
        return text;
    }

    fs::path dir;
    testing::FakeControls ui;
    Application app{ui.Contract()};
};

// Each file either lands in the box as GB18030 or leaves the box alone with a message that
// says why.
TEST_F(FileCommandsTest, OpeningDecodesOrSaysWhy) {
    fs::create_directory(dir / "folder");
    const struct {
        std::string name;
        std::string bytes;
        std::string box;      // UTF-8, on success
        std::string because;  // part of the message, on failure
    } rows[] = {
        {"utf8-mark.xml", "\xEF\xBB\xBF<a>\xE4\xB8\xAD</a>\r\n", "<a>中</a>\r\n", ""},
        {"utf16be.xml", "\xFE\xFF\0<\0a\0>\x4E\x2D"s, "<a>中", ""},
        {"gbk.xml", "<?xml version=\"1.0\" encoding=\"GBK\"?><a>" + G("中") + "</a>",
         "<?xml version=\"1.0\" encoding=\"GBK\"?><a>中</a>", ""},
        {"empty.xml", "", "", ""},
        {"named-utf8.xml", "<?xml version='1.0' encoding='utf-8'?>\n\n<a>\xFF</a>", "",
         "它不是有效的 UTF-8 文本：第 3 行（第 44 字节）起的字节在这种编码里无效"},
        {"binary.bin",
         "\x7F"
         "ELF\0\0\0\0"s,
         "", "第 1 行有空字符（U+0000），它不是文本文件"},
        {"folder", "", "", "这是一个文件夹"},
        {"utf8-mark.xml/below", "", "", "路径中有一段不是文件夹"},
        {"missing.xml", "", "", "文件或文件夹不存在"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path file = dir / row.name;
        if (!row.bytes.empty() || row.name == "empty.xml") Put(row.name, row.bytes);
        ui.source.content = G("before");
        const bool opened = app.OpenFile(file);
        EXPECT_EQ(opened, row.because.empty());
        if (opened) {
            EXPECT_EQ(ui.source.content, G(row.box));
            EXPECT_EQ(Message(), "");
        } else {
            EXPECT_EQ(ui.source.content, G("before"));
            EXPECT_EQ(Message(), "无法打开“" + file.string() + "”：" + row.because + "。");
        }
    }
}

// Opened, saved elsewhere: the same bytes, for files in both everyday encodings and both line
// break styles, with and without a mark.
TEST_F(FileCommandsTest, SavingWritesBackTheBytesThatWereOpened) {
    const std::string files[] = {
        "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n<a>" + G("中文😀") + "</a>\r\n",
        "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<a>" + G("中") + "</a>\n",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a>\xE4\xB8\xAD\xF0\x9F\x98\x80</a>",
        "\xEF\xBB\xBF<a>\xC3\xA9</a>\n<b/>\n",
        "<a>\xC3\xA9</a>",
    };
    int n = 0;
    for (const std::string& bytes : files) {
        SCOPED_TRACE(n);
        const fs::path from = Put("from" + std::to_string(n), bytes);
        const fs::path to = dir / ("to" + std::to_string(n++));
        ASSERT_TRUE(app.OpenFile(from));
        ui.desktop.choices = {to};
        app.SaveFileAs();
        EXPECT_EQ(ui.desktop.suggestions.back(), from);
        EXPECT_EQ(Message(), "");
        EXPECT_EQ(Slurp(to), bytes);
        EXPECT_EQ(app.State().File, to);
    }
}

TEST_F(FileCommandsTest, RefusedSaveLeavesTheFileAlone) {
    const fs::path file = Put("old.xml", "old bytes");
    ui.source.content =
        G("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<a>é</a>\r\n<b>中</b>");
    EXPECT_FALSE(app.SaveFile(file));
    EXPECT_EQ(Message(), "没有保存到“" + file.string() +
                             "”：第 3 行的字符“中”（U+4E2D）无法用声明的编码 ISO-8859-1 "
                             "写出。文件没有改动。");
    ui.source.content = G("<?xml version=\"1.0\" encoding=\"x-unheard-of\"?>");
    EXPECT_FALSE(app.SaveFile(file));
    EXPECT_NE(Message().find("声明的编码 x-unheard-of 无法识别"), std::string::npos);
    EXPECT_EQ(Slurp(file), "old bytes");

    ui.source.content = G("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>é</a>");
    EXPECT_TRUE(app.SaveFile(file));
    EXPECT_EQ(Slurp(file), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>");
}

TEST_F(FileCommandsTest, CancelledDialogsDoNothing) {
    app.OpenFile();
    app.SaveFileAs();
    EXPECT_EQ(ui.source.content, G("before"));
    EXPECT_EQ(Message(), "");
    EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
}  // namespace quillon::app
