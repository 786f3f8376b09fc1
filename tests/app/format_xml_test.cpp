// The formatter's own rules: what each kind of input becomes, what the two line-break and
// one-letter-name rules mend, and that no input can make it run away.
#include "app/format_xml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "app/format_source.h"
#include "app/sample_text.h"
#include "runtime/codepage.h"

namespace quillon::app {
namespace {

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

TEST(FormatXml, TheSampleBecomesSevenLines) {
    const Text link =
        "quillon://card/open?src=sample&amp;ver=1&amp;id=20170107&amp;type=group"
        "&amp;from=message";
    const Text expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<msg  serviceID=\"1\" templateID=\"19\" action=\"plugin\" a_actionData=\"" +
        link + "\" i_actionData=\"" + link + "\" brief=\"" + G("我有一句话不知当讲不当讲") +
        "\" url=\"\" flag=\"0\" multiMsgFlag=\"0\">\r\n"
        "    <item  layout=\"0\">\r\n"
        "        <title  size=\"305\" color=\"#ff6644\">" +
        G("早安") +
        "</title>\r\n"
        "    </item>\r\n"
        "    <source  name=\"\" icon=\"\" action=\"\" appid=\"-1\"/>\r\n"
        "</msg>";
    EXPECT_EQ(formatXml(kSampleText), expected);
}

TEST(FormatXml, TextWithoutTagsLosesOnlyTrailingSpace) {
    EXPECT_EQ(formatXml(""), "");
    EXPECT_EQ(formatXml(" \r\n\t"), "");
    EXPECT_EQ(formatXml("just  text \r\n\v\f"), "just  text");
    EXPECT_EQ(formatXml("one\r\ntwo\nthree\rfour"), "one\r\ntwo\r\nthree\r\nfour");
}

TEST(FormatXml, OneTagPerLineIndentedByOpenElements) {
    EXPECT_EQ(formatXml("<ab></ab>"), "<ab>\r\n</ab>");
    // A name gets one more space after it; white space before "name=" becomes one space.
    EXPECT_EQ(formatXml("<r>\r\n\t<x  k = \"1\" >v</x>   <y\t\vk=\"2\"/></r>"),
              "<r>\r\n    <x   k = \"1\" >v</x>\r\n    <y  k=\"2\"/>\r\n</r>");
    EXPECT_EQ(getPrefix(2), "        ");
    EXPECT_EQ(getPrefix(-1), "");
    // Stray end tags never indent below the left margin.
    EXPECT_EQ(formatXml("</a></b><c/>"), "</a>\r\n</b>\r\n<c/>");
}

TEST(FormatXml, OneLetterNamesIndentLikeLongerOnes) {
    EXPECT_EQ(formatXml("<a><b/><c>x</c><d></d></a><e/>"),
              "<a>\r\n    <b/>\r\n    <c>x</c>\r\n    <d>\r\n    </d>\r\n</a>\r\n<e/>");
}

TEST(FormatXml, ACrLfPairIsOneLineBreak) {
    // Text spanning lines keeps its one break however often it is formatted.
    const Text once = formatXml("<r><t>one\r\ntwo</t></r>");
    EXPECT_NE(once.find("<t>one\r\ntwo</t>"), Text::npos) << once;
    EXPECT_EQ(formatXml(once), once);
    EXPECT_EQ(formatXml(formatXml(once)), once);
    // A tag broken right after its name is joined; broken between attributes it stays open.
    EXPECT_EQ(formatXml("<r><t\r\n  x=\"1\">v</t><u/></r>"),
              "<r>\r\n    <t  x=\"1\">v</t>\r\n    <u/>\r\n</r>");
    EXPECT_EQ(formatXml("<r><t x=\"1\"\r\n y=\"2\"/><u/></r>"),
              "<r>\r\n    <t x=\"1\"\r\n y=\"2\"/>\r\n        <u/>\r\n    </r>");
}

TEST(FormatXml, FormattedTextFormatsToItself) {
    for (std::string_view text :
         {std::string_view(kSampleText), std::string_view("<a><b x=\"1\"><c/></b><d>t</d></a>"),
          std::string_view("<?xml version=\"1.0\"?>\r\n<!DOCTYPE a>\r\n<a>\r\n</a>")}) {
        const Text once = formatXml(text);
        EXPECT_EQ(formatXml(once), once) << once;
    }
}

TEST(FormatXml, CommentsGetLinesOfTheirOwnAfterABareLineFeed) {
    EXPECT_EQ(formatXml("<r><!-- a <b> c --><x/></r>"),
              "<r>\n    <!--    a <b> c -->\r\n    <x/>\r\n</r>");
    // Each line of a comment starts with the comment's indentation instead of its own.
    EXPECT_EQ(formatXml("<r>\r\n  <!-- a\r\n      b\r\n  c --></r>"),
              "<r>\n    <!--    a\n    b\n    c -->\r\n</r>");
    // Markup inside a comment is split like any other but indented as comment lines.
    EXPECT_EQ(formatXml(G("<r><!--<a>早</a>\t<b/>--></r>")),
              G("<r>\n    <!--    <a>早</a>\n    <b/>-->\r\n</r>"));
    // Without its end a comment is plain text.
    EXPECT_EQ(formatXml("<r><!-- open <a/></r>"), "<r>\r\n    <!-- open <a/>\r\n</r>");
}

TEST(FormatXml, GbkSecondBytesAreNotWordCharacters) {
    // \x81\x41 and \x95\x5F end in "A" and "_": they must not read as an attribute name.
    const Text tag = "<a \x81\x41=\"1\"  \x95\x5F=\"2\">";
    EXPECT_EQ(formatXml(tag), "<a  \x81\x41=\"1\"  \x95\x5F=\"2\">");
    EXPECT_EQ(formatXml("<a>\x81\x41</a>\x95\x5F<b/>"), "<a>\x81\x41</a>\x95\x5F<b/>");
}

Text nested(int depth) {
    Text text;
    for (int i = 0; i < depth; ++i) text += "<e>";
    for (int i = 0; i < depth; ++i) text += "</e>";
    return text;
}

TEST(FormatXml, RefusesToGrowPastTheLimit) {
    // Indentation grows with the square of the depth: 2000 levels need about 16 MB.
    EXPECT_THROW(formatXml(nested(2000), 1 << 20), std::length_error);
    // A comment with many lines after a long run of white space grows the same way.
    Text comment = Text(100000, ' ') + "<!--";
    for (int i = 0; i < 100000; ++i) comment += "x\n";
    comment += "-->";
    EXPECT_THROW(formatXml(comment, 1 << 20), std::length_error);
    EXPECT_EQ(formatXml(nested(3), 1 << 20), formatXml(nested(3)));
}

TEST(FormatXml, LongLinesOfUnfinishedMarkupAreReadOnce) {
    // Each would make a scanner that looks ahead from every "<" read the rest of the line again.
    Text unclosed;
    for (int i = 0; i < 200000; ++i) unclosed += "<a b ";
    EXPECT_TRUE(formatXml(unclosed) == unclosed.substr(0, unclosed.size() - 1));

    Text openers;
    for (int i = 0; i < 200000; ++i) openers += "<!--";
    EXPECT_TRUE(formatXml(openers) == openers);

    // A name full of "</x" followed on its line by as many near-misses of its end tag.
    Text line = "<x";
    for (int i = 0; i < 50000; ++i) line += "</x";
    line += ">y";
    for (int i = 0; i < 50000; ++i) line += "</x";
    EXPECT_TRUE(formatXml(line) == line);
}

class MemoryBox : public EditBox {
  public:
    explicit MemoryBox(Text text) : content(std::move(text)) {}
    Text Content() const override { return content; }
    void SetContent(const Text& text) override {
        content = text;
        ++writes;
    }
    Text content;
    int writes = 0;
};

TEST(FormatEditBox, WritesTheFormattedTextBack) {
    MemoryBox box("<a><b/></a>");
    EXPECT_TRUE(FormatEditBox(box));
    EXPECT_EQ(box.content, "<a>\r\n    <b/>\r\n</a>");
    EXPECT_EQ(box.writes, 1);
}

TEST(FormatEditBox, KeepsTheTextWhenFormattingFails) {
    MemoryBox box(nested(2000));
    EXPECT_FALSE(FormatEditBox(box, 1 << 20));
    EXPECT_TRUE(box.content == nested(2000));
    EXPECT_EQ(box.writes, 0);
}

}  // namespace
}  // namespace quillon::app
