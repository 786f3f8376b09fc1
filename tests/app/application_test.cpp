#include "app/application.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "../xml/dump.h"
#include "app/sample_text.h"
#include "fake_controls.h"
#include "runtime/codepage.h"

namespace quillon::app {
namespace {

using testing::FakeControls;
using Rows = std::vector<std::vector<Text>>;

// Test literals are written in UTF-8; the application speaks GBK.
Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

const Text kHeaderRow[] = {G("属性名"), G("属性值")};

class ApplicationTest : public ::testing::Test {
  protected:
    void Parse(std::string_view gbkSource) {
        ui.source.content = Text(gbkSource);
        app.ParseSource();
    }
    void SelectByMouse(int item) {
        ui.tree.Select(item);
        app.ShowSelection(kByMouse);
    }
    Rows HeaderOnly() const { return {{kHeaderRow[0], kHeaderRow[1]}}; }
    // Renames item `item` as an in-place edit would: begin, type `label`, end.
    bool Rename(int item, const Text& label) {
        app.BeginLabelEdit(item);
        ui.tree.editText = label;
        return app.EndLabelEdit(item);
    }

    FakeControls ui;
    Application app{ui.Contract()};
};

TEST(SampleText, IsTheSampleFileInGbkOnOneLine) {
    EXPECT_EQ(kSampleText.size(), 485u);
    EXPECT_EQ(kSampleText.find_first_of("\r\n"), std::string_view::npos);
    std::ifstream file(QUILLON_SAMPLE_FILE, std::ios::binary);
    ASSERT_TRUE(file) << QUILLON_SAMPLE_FILE;
    std::stringstream bytes;
    bytes << file.rdbuf();
    EXPECT_EQ(Text(kSampleText), G(bytes.str()));
}

TEST_F(ApplicationTest, WindowCreatedShowsTheGridHeader) {
    ui.grid.cells = {{"x", "y"}, {"z", "w"}};
    app.WindowCreated();
    EXPECT_EQ(ui.grid.cells, HeaderOnly());
    EXPECT_EQ(ui.window.caption, "Quillon");
}

TEST_F(ApplicationTest, ParsingTheSampleFillsTreeAndCaption) {
    Parse(kSampleText);
    EXPECT_EQ(ui.window.caption, G("Quillon     编码：utf-8"));
    EXPECT_EQ(ui.tree.Describe(), "msg(0)[item(1)[title(1)] source(2)]");
    EXPECT_EQ(app.State().RootName, "msg");
    EXPECT_EQ(app.State().DocumentEncoding, "utf-8");
    EXPECT_TRUE(app.State().Document.IsLoaded());
}

TEST_F(ApplicationTest, SelectingShowsPathValueAndAttributes) {
    Parse(kSampleText);
    SelectByMouse(ui.tree.Find("title"));
    EXPECT_EQ(ui.path.content, "msg/@1/@1");
    EXPECT_EQ(ui.value.content, G("早安"));
    EXPECT_EQ(ui.grid.cells,
              (Rows{{kHeaderRow[0], kHeaderRow[1]}, {"size", "305"}, {"color", "#ff6644"}}));

    ui.tree.Select(ui.tree.Find("source"));
    app.ShowSelection(kByKeyboard);
    EXPECT_EQ(ui.path.content, "msg/@2");
    EXPECT_EQ(ui.value.content, "");
    EXPECT_EQ(ui.grid.cells, (Rows{{kHeaderRow[0], kHeaderRow[1]},
                                   {"name", ""},
                                   {"icon", ""},
                                   {"action", ""},
                                   {"appid", "-1"}}));

    SelectByMouse(0);
    EXPECT_EQ(ui.path.content, "msg");
    ASSERT_EQ(ui.grid.cells.size(), 10u);
    EXPECT_EQ(ui.grid.cells[4][0], "a_actionData");
    EXPECT_EQ(ui.grid.cells[4][1],
              "quillon://card/open?src=sample&ver=1&id=20170107&type=group&from=message");
    EXPECT_EQ(ui.grid.cells[6][1], G("我有一句话不知当讲不当讲"));
}

TEST_F(ApplicationTest, ProgramMadeSelectionChangesAreIgnored) {
    Parse(kSampleText);
    ui.path.content = "kept";
    ui.value.content = "kept";
    const int resets = ui.grid.resets;
    ui.tree.Select(ui.tree.Find("title"));
    app.ShowSelection(kByProgram);
    EXPECT_EQ(ui.path.content, "kept");
    EXPECT_EQ(ui.value.content, "kept");
    EXPECT_EQ(ui.grid.resets, resets);
}

TEST_F(ApplicationTest, EncodingComesFromTheFirstMarkerInTheText) {
    Parse("<a/>");
    EXPECT_EQ(ui.window.caption, G("Quillon     编码："));
    Parse("<?xml version='1.0' encoding='GBK'?><a/>");
    EXPECT_EQ(ui.window.caption, G("Quillon     编码："));
    EXPECT_EQ(app.State().DocumentEncoding, "");
    Parse("<!-- encoding=\"first\" --><?xml version=\"1.0\" encoding=\"GBK\"?><a/>");
    EXPECT_EQ(app.State().DocumentEncoding, "first");
    Parse("<a t=\"encoding=\"/>");  // the marker's closing quote never comes
    EXPECT_EQ(ui.window.caption, G("Quillon     编码："));
}

TEST_F(ApplicationTest, SiblingsWithOneNameEachShowTheirOwnChildren) {
    Parse("<r><a><x/></a><a><y/><z/></a></r>");
    EXPECT_EQ(ui.tree.Describe(), "r(0)[a(1)[x(1)] a(2)[y(1) z(2)]]");
    SelectByMouse(ui.tree.Find("z"));
    EXPECT_EQ(ui.path.content, "r/@2/@2");
    EXPECT_EQ(ui.value.content, "");
}

TEST_F(ApplicationTest, BareElementShowsHeaderOnlyAndEmptyValue) {
    Parse("<r><e></e><t>text &amp; more</t></r>");
    SelectByMouse(ui.tree.Find("e"));
    EXPECT_EQ(ui.grid.cells, HeaderOnly());
    EXPECT_EQ(ui.value.content, "");
    SelectByMouse(ui.tree.Find("t"));
    EXPECT_EQ(ui.value.content, "text & more");
}

TEST_F(ApplicationTest, AttributesAreShownEvenWhenTheirNamesDoNotSelectThem) {
    // A name read back decoded ("&#65;" stays, "@1" reads as a position) must still show the
    // value of its own attribute.
    Parse("<r x&#65;=\"one\" @1=\"two\" plain=\"three\"/>");
    SelectByMouse(0);
    EXPECT_EQ(
        ui.grid.cells,
        (Rows{
            {kHeaderRow[0], kHeaderRow[1]}, {"x&#65;", "one"}, {"@1", "two"}, {"plain", "three"}}));
}

TEST_F(ApplicationTest, FailedParseChangesOnlyTheCaption) {
    Parse(kSampleText);
    SelectByMouse(ui.tree.Find("title"));
    const Text tree = ui.tree.Describe();
    const Rows grid = ui.grid.cells;

    Parse("<a></b>");
    EXPECT_EQ(ui.window.caption, G("Quillon     解析XML文本失败"));
    EXPECT_EQ(ui.tree.Describe(), tree);
    EXPECT_EQ(ui.grid.cells, grid);
    EXPECT_EQ(ui.path.content, "msg/@1/@1");
    EXPECT_EQ(ui.value.content, G("早安"));
    EXPECT_EQ(app.State().RootName, "msg");
    EXPECT_EQ(app.State().DocumentEncoding, "utf-8");
    EXPECT_FALSE(app.State().Document.IsLoaded());
}

TEST_F(ApplicationTest, EmptySourceFailsAndStaleItemsShowNothing) {
    Parse(kSampleText);
    Parse("");
    EXPECT_EQ(ui.window.caption, G("Quillon     解析XML文本失败"));
    EXPECT_EQ(ui.tree.Count(), 4);
    SelectByMouse(ui.tree.Find("title"));
    EXPECT_EQ(ui.path.content, "msg/@1/@1");
    EXPECT_EQ(ui.grid.cells, HeaderOnly());
    EXPECT_EQ(ui.value.content, "NULL");
}

TEST_F(ApplicationTest, SecondParseReplacesTheFirst) {
    Parse(kSampleText);
    Parse("<?xml encoding=\"gbk\"?><doc><p/></doc>");
    EXPECT_EQ(ui.tree.Describe(), "doc(0)[p(1)]");
    EXPECT_EQ(app.State().RootName, "doc");
    EXPECT_EQ(ui.window.caption, G("Quillon     编码：gbk"));
    SelectByMouse(1);
    EXPECT_EQ(ui.path.content, "doc/@1");
}

// Adds the children of the element at `path` under `item` path by path, as GetChildNames lists
// them, each followed by its own children.
void FillByPaths(const xml::XmlTree& doc, const Text& path, int item, testing::FakeTree& tree) {
    const TextArray names = doc.GetChildNames(path);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int child = tree.AddItem(item, names[i]);
        tree.SetItemValue(child, static_cast<int>(i + 1));
        FillByPaths(doc, path + "/@" + std::to_string(i + 1), child, tree);
    }
}

// Random shapes and names, including names whose references do not escape back to themselves.
TEST_F(ApplicationTest, TreeIsFilledAsPathByPathLookupsFillIt) {
    const char* names[] = {"a", "b", "\xD6\xD0", "x&amp;y", "&#65;", "@1", "@2", "q&quot;"};
    std::mt19937 random(20170107);
    for (int round = 0; round < 300; ++round) {
        Text source;
        std::vector<Text> open;
        for (int n = 1 + random() % 40; n > 0; --n) {
            while (!open.empty() && random() % 3 == 0) {
                source += "</" + open.back() + ">";
                open.pop_back();
            }
            if (!source.empty() && open.empty()) break;
            const Text name = names[random() % std::size(names)];
            source += "<" + name + (random() % 4 == 0 ? "/>" : ">");
            if (source.back() == '>' && source[source.size() - 2] != '/') open.push_back(name);
        }
        for (; !open.empty(); open.pop_back()) source += "</" + open.back() + ">";
        Parse(source);
        testing::FakeTree expected;
        FillByPaths(app.State().Document, app.State().RootName,
                    expected.AddItem(-1, app.State().RootName), expected);
        ASSERT_EQ(ui.tree.Describe(), expected.Describe()) << source;
    }
}

TEST_F(ApplicationTest, ItemPathOfNoItemIsTheRootName) {
    Parse(kSampleText);
    EXPECT_EQ(app.ItemPath(-1), "msg");
    EXPECT_EQ(app.ItemPath(0), "msg");
    EXPECT_EQ(app.ItemPath(3), "msg/@2");
}

TEST_F(ApplicationTest, CloseDocumentEmptiesEverythingButTheCaption) {
    Parse(kSampleText);
    SelectByMouse(ui.tree.Find("title"));
    app.CloseDocument();
    EXPECT_EQ(ui.source.content, "");
    EXPECT_EQ(ui.path.content, "");
    EXPECT_EQ(ui.value.content, "");
    EXPECT_EQ(ui.grid.cells, HeaderOnly());
    EXPECT_EQ(ui.tree.Count(), 0);
    EXPECT_FALSE(app.State().Document.IsLoaded());
    EXPECT_EQ(ui.window.caption, G("Quillon     编码：utf-8"));
    EXPECT_EQ(app.State().RootName, "msg");

    Parse(ui.source.content);  // the sample is gone with the box's text
    EXPECT_EQ(ui.window.caption, G("Quillon     解析XML文本失败"));
}

TEST_F(ApplicationTest, UnchangedOrCancelledLabelChangesNothing) {
    Parse(kSampleText);
    const int title = ui.tree.Find("title");
    EXPECT_TRUE(Rename(title, "title"));
    EXPECT_EQ(ui.source.content, kSampleText);
    EXPECT_EQ(app.State().LabelBeforeEdit, "title");
}

TEST_F(ApplicationTest, RenamingRewritesTheSourceOnOneLine) {
    Parse(kSampleText);
    EXPECT_TRUE(Rename(ui.tree.Find("title"), "caption&more"));
    const Text& source = ui.source.content;
    EXPECT_EQ(source.rfind("<?xml version=\"1.0\" encoding=\"gb18030\"?>", 0), 0u);
    EXPECT_EQ(source.find_first_of("\r\n\t"), Text::npos);
    EXPECT_NE(source.find("<caption&amp;more size=\"305\""), Text::npos);
    EXPECT_NE(source.find("</caption&amp;more>"), Text::npos);
    EXPECT_NE(source.find(G("我有一句话不知当讲不当讲")), Text::npos);

    Parse(source);
    EXPECT_EQ(ui.window.caption, G("Quillon     编码：gb18030"));
    EXPECT_EQ(ui.tree.Describe(), "msg(0)[item(1)[caption&more(1)] source(2)]");
}

TEST_F(ApplicationTest, RenamingTheRootKeepsPathsWorking) {
    Parse(kSampleText);
    EXPECT_TRUE(Rename(0, "card"));
    EXPECT_EQ(app.State().RootName, "card");
    SelectByMouse(ui.tree.Find("title"));
    EXPECT_EQ(ui.path.content, "card/@1/@1");
    EXPECT_EQ(ui.value.content, G("早安"));
    EXPECT_TRUE(Rename(ui.tree.Find("title"), "heading"));
    EXPECT_NE(ui.source.content.find("<card "), Text::npos);
    EXPECT_NE(ui.source.content.find("</heading>"), Text::npos);
}

TEST_F(ApplicationTest, RefusedRenameKeepsLabelAndSource) {
    Parse(kSampleText);
    EXPECT_FALSE(Rename(ui.tree.Find("title"), ""));
    EXPECT_EQ(ui.source.content, kSampleText);

    // After a failed parse the items outlive the document: a rename finds nothing to rename.
    Parse("<a></b>");
    ui.source.content = "typed by hand";
    EXPECT_FALSE(Rename(ui.tree.Find("source"), "origin"));
    EXPECT_EQ(ui.source.content, "typed by hand");
}

// Whatever name is typed, a rename either leaves a source that reloads as the same tree with just
// that element renamed, or is refused with label and source untouched.
TEST_F(ApplicationTest, AcceptedNamesSurviveWriteAndReload) {
    const Text source =
        "<?xml version=\"1.0\"?><r k=\"v\"><a x=\"1\">t<b/></a><c><![CDATA[d<]]></c><e/></r>";
    // The names that broke the rewritten source, then names drawn from a hostile alphabet; the
    // pieces before "!" alone always make a name.
    std::vector<Text> names = {"!--",  "?pi", "/x",  "a b",  "x y=\"1\"", "a\nb",
                               "a\tb", "a\r", "a/b", "\x81", "a\x81",     "\x81/"};
    const std::size_t known = names.size();
    const std::vector<std::string_view> pieces = {
        "a",  "Z",  "_",    "-",    ".",    "9", "\xB0\xA1", "\x81\x40", "&", ";",
        "\"", "'",  "<",    ">",    "!",    "?", "/",        "=",        " ", "\t",
        "\r", "\n", "\x81", "\xFF", "\x80", "@", "[",        "]",        "#"};
    const std::size_t safePieces = 12;
    std::mt19937 random(13);
    std::vector<bool> safe(names.size(), false);
    for (int i = 0; i < 2000; ++i) {
        Text name;
        bool allSafe = true;
        for (std::size_t n = 1 + random() % 5; n > 0; --n) {
            const std::size_t piece = random() % pieces.size();
            allSafe = allSafe && piece < safePieces;
            name += pieces[piece];
        }
        names.push_back(name);
        safe.push_back(allSafe);
    }
    int accepted = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "name #" << i << " '" << names[i] << "'");
        Parse(source);
        const int item = i < known ? 0 : static_cast<int>(i % ui.tree.Count());
        xml::XmlTree expected;
        expected.Load(toByteSet(source));
        expected.RenameNode(app.ItemPath(item), names[i]);

        if (!Rename(item, names[i])) {
            EXPECT_FALSE(safe[i]);
            EXPECT_EQ(ui.source.content, source);
            continue;
        }
        ++accepted;
        EXPECT_GE(i, known);
        xml::XmlTree reloaded;
        ASSERT_TRUE(reloaded.Load(toByteSet(ui.source.content)));
        EXPECT_EQ(xml::testing::Dump(reloaded), xml::testing::Dump(expected));
    }
    EXPECT_GT(accepted, 500);
}

TEST_F(ApplicationTest, FormattingPastItsLimitKeepsTheSourceAndSaysSo) {
    ui.source.content = "<a><b><c/></b></a>";
    app.SetFormatLimit(20);
    app.FormatSource();
    EXPECT_EQ(ui.source.content, "<a><b><c/></b></a>");
    using Message = testing::FakeDesktop::Message;
    EXPECT_EQ(ui.desktop.messages,
              (std::vector<Message>{{G("格式化失败：结果过大"), G("提示："), kOkButton}}));

    app.SetFormatLimit(1000);
    app.FormatSource();
    EXPECT_EQ(ui.source.content, "<a>\r\n    <b>\r\n        <c/>\r\n    </b>\r\n</a>");
    EXPECT_EQ(ui.desktop.messages.size(), 1u);
}

TEST_F(ApplicationTest, RunningOutOfMemoryWhileFillingFailsTheParse) {
    Parse(kSampleText);
    ui.tree.addsBeforeMemoryRunsOut = 2;
    Parse("<a><b/><c/></a>");
    EXPECT_EQ(ui.window.caption, G("Quillon     解析XML文本失败"));
    EXPECT_EQ(ui.tree.Count(), 0);
    EXPECT_FALSE(app.State().Document.IsLoaded());

    ui.tree.addsBeforeMemoryRunsOut = -1;
    Parse("<a><b/><c/></a>");
    EXPECT_EQ(ui.tree.Describe(), "a(0)[b(1) c(2)]");
}

TEST_F(ApplicationTest, FindSelectsTheNextElementHoldingTheText) {
    Parse(G("<r k=\"Alpha\"><a>text &amp; more</a><B x=\"y\"/><c><![CDATA[ Cd&lt; ]]></c>"
            "<中 v=\"中\"/><d>") +
          "\x81\x41</d></r>");
    struct Case {
        std::string needle;  // UTF-8
        int selected;        // before the search
        int found;           // -1: nothing, the selection stays
    };
    const Case cases[] = {
        {"alpha", -1, 0},  // an attribute value, letters in either case
        {"b", 0, 2},       // a name
        {"X", 1, 2},       // an attribute name
        {"& m", 0, 1},     // text as shown, references decoded
        {"&amp;", -1, -1},
        {"&lt;", 0, 3},  // CDATA as written
        {"中", 0, 4},
        {"a", 4, 0},    // wraps round; the second byte of a two-byte character is no letter
        {"x", 2, 1},    // the selected element itself comes last
        {"& m", 1, 1},  // and is found when it is the only one
        {"zzz", 3, -1},
        {"", 3, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.needle);
        ui.tree.Select(c.selected);
        ui.path.content = "before";
        EXPECT_EQ(app.FindNext(G(c.needle)), c.found >= 0);
        EXPECT_EQ(ui.tree.SelectedIndex(), c.found >= 0 ? c.found : c.selected);
        EXPECT_EQ(ui.path.content, c.found >= 0 ? app.ItemPath(c.found) : "before");
    }
}

TEST_F(ApplicationTest, ExitAndReleaseState) {
    Parse(kSampleText);
    app.BeginLabelEdit(0);
    app.ExitProgram();
    EXPECT_EQ(ui.window.endedWith, 0);
    app.ReleaseState();
    EXPECT_FALSE(app.State().Document.IsLoaded());
    EXPECT_EQ(app.State().RootName, "");
    EXPECT_EQ(app.State().DocumentEncoding, "");
    EXPECT_EQ(app.State().LabelBeforeEdit, "");
    app.ReleaseState();  // a second release is harmless
}

}  // namespace
}  // namespace quillon::app
