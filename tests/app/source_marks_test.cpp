// Where the source box is marked: the place and reason of a failed parse, and the start tag of
// the element selected in the tree while the box holds the text that was parsed.
#include <gtest/gtest.h>

#include "app/application.h"
#include "fake_controls.h"
#include "runtime/codepage.h"

namespace quillon::app {
namespace {

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

struct Failure {
    const char* source;  // UTF-8
    const char* note;    // UTF-8
    const char* marked;  // UTF-8: the bytes the mark covers
};

TEST(SourceMarks, AFailedParseMarksWhereAndSaysWhy) {
    const Failure cases[] = {
        {"", "第1行第1列：文本为空", ""},
        {"<a><b></a>", "第1行第7列：结束标签与开始标签不一致", "</a>"},
        {"<!-- 注释 -->\r\n<r>\r\n  <x a=\"1\">\r\n</r>", "第4行第1列：结束标签与开始标签不一致",
         "</r>"},
        {"<r>\r\n  <x a=\"1\">", "第2行第3列：元素没有结束标签", "<x a=\"1\">"},
        {"<r>早安 > 晚安</r>", "第1行第7列：标签外出现了“>”", ">"},
        {"<r><!-- 未完", "第1行第4列：注释没有结束", "<!-- 未完"},
        {"<r>\n<x\n", "第2行第1列：文本在标签中间结束", "<x"},
        {"</r>", "第1行第1列：结束标签没有对应的开始标签", "</r>"},
        {"文本", "第1行第1列：文本中没有元素", "文"},
    };
    for (const Failure& c : cases) {
        testing::FakeControls ui;
        Application app(ui.Contract());
        const Text source = G(c.source);
        ui.source.content = source;
        app.ParseSource();
        ASSERT_EQ(ui.source.marks.size(), 1u) << c.source;
        const auto& mark = ui.source.marks.back();
        EXPECT_EQ(mark.note, G(c.note)) << c.source;
        EXPECT_EQ(source.substr(mark.from, mark.to - mark.from), G(c.marked)) << c.source;
        EXPECT_EQ(ui.source.content, source) << "the box keeps its text";
    }
}

TEST(SourceMarks, SelectingAnElementMarksItsStartTagUntilTheTextChanges) {
    testing::FakeControls ui;
    Application app(ui.Contract());
    const Text source =
        G("<?xml version=\"1.0\"?>\r\n<!-- 早安 -->\r\n<r>\r\n  <a/>\r\n  "
          "<!-- <b> -->\r\n  <b x=\"1\">文本</b>\r\n</r>");
    ui.source.content = source;
    app.ParseSource();
    ASSERT_EQ(ui.window.caption, G("Quillon     编码："));
    ASSERT_TRUE(ui.source.marks.empty());

    auto select = [&](int item) -> Text {
        const std::size_t before = ui.source.marks.size();
        ui.tree.Select(item);
        app.ShowSelection(kByKeyboard);
        if (ui.source.marks.size() == before) return "(no mark)";
        const auto& mark = ui.source.marks.back();
        return source.substr(mark.from, mark.to - mark.from);
    };
    EXPECT_EQ(select(0), "<r>");
    EXPECT_EQ(select(1), "<a/>");
    EXPECT_EQ(select(2), "<b x=\"1\">");
    EXPECT_TRUE(ui.source.marks.back().note.empty());

    // Once the box changed, the offsets name nothing: no mark, while the selection still shows.
    ++ui.source.revision;
    const std::size_t before = ui.source.marks.size();
    ui.tree.Select(1);
    app.ShowSelection(kByMouse);
    EXPECT_EQ(ui.source.marks.size(), before);
    EXPECT_EQ(ui.path.content, "r/@1");
}

}  // namespace
}  // namespace quillon::app
