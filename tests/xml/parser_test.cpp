#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "dump.h"
#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

using testing::DumpOf;

TEST(Parser, ValuesAreTrimmedTextBeforeTheFirstChild) {
    EXPECT_EQ(DumpOf("<a>text</a>"), "a\ta\ttext\n");
    EXPECT_EQ(DumpOf("<a> \t text \r\n</a>"), "a\ta\ttext\n");
    EXPECT_EQ(DumpOf("<a>x<b/>y</a>"), "a\ta\tx\na/@1\tb\t\n");
    EXPECT_EQ(DumpOf("<a>\n  <b>1</b>\n</a>"), "a\ta\t\na/@1\tb\t1\n");
    EXPECT_EQ(DumpOf("<a>1 &gt; 0</a>"), "a\ta\t1 > 0\n");
    EXPECT_EQ(DumpOf("<a>say \"hi\"</a>"), "a\ta\tsay \"hi\"\n");
}

TEST(Parser, CdataSections) {
    EXPECT_EQ(DumpOf("<a> <![CDATA[ <x> ]]> </a>"), "a\ta\t<x>\n");
    EXPECT_EQ(DumpOf("<a>pre<![CDATA[1]]>mid<![CDATA[2]]>post</a>"), "a\ta\t2\n");
    EXPECT_EQ(DumpOf("<a><![CDATA[]]></a>"), "a\ta\t\n");
    // Two-byte characters after a section still reach the value.
    EXPECT_EQ(DumpOf("<a><![CDATA[x]]>\xd6\xd0</a>"), "a\ta\tx\xd6\xd0\n");
    EXPECT_EQ(DumpOf("<a><![CDATA[a>b]]></a>"), "a\ta\ta>b\n");
    EXPECT_EQ(DumpOf("<a><![CDATA[x]]"), "<fails>");
}

TEST(Parser, CommentsVanishEverywhere) {
    EXPECT_EQ(DumpOf("<!--c--><a t=\"1<!--x-->2\">v<!-- y -->w</a><!--z-->"),
              "a\ta\tvw\n\tt\t12\n");
    EXPECT_EQ(DumpOf("<a>1<!-- a -- b --->2--><b/></a>"), "a\ta\t1\na/@1\tb\t\n");
    EXPECT_EQ(DumpOf("<a>1<!-- x --->2</a>"), "<fails>");  // runs to the end of the input
    EXPECT_EQ(DumpOf("<a>1<!-- x ----->2</a>"), "a\ta\t12\n");
    EXPECT_EQ(DumpOf("<a><<!--x-->/a>"), "<fails>");  // "<<" : the second '<' opens nothing
    EXPECT_EQ(DumpOf("<!-- only -->"), "<fails>");
}

TEST(Parser, DeclarationsInstructionsAndDoctype) {
    EXPECT_EQ(DumpOf("<?xml version=\"1.0\"?>\n<a x=\"1\">t<b/>u</a>"),
              "a\ta\tt\n\tx\t1\na/@1\tb\t\n");
    EXPECT_EQ(DumpOf("<!DOCTYPE a>\n<a><?pi x?>v</a>"), "a\ta\t\n");
    EXPECT_EQ(DumpOf("<a>v<!DOCTYPE x>w</a>"), "a\ta\tvw\n");
    EXPECT_EQ(DumpOf("<!DOCTYPE a [<!ENTITY e \"x\">]><a/>"), "<fails>");
    EXPECT_EQ(DumpOf("\xef\xbb\xbf<a/>"), "<fails>");  // a byte-order mark swallows the '<'
}

TEST(Parser, StructureFailures) {
    for (const char* bad :
         {"<a>1 > 0</a>", "<a></b>", "<a>", "</a>", "text only", "<a x=\"1\" x=\"2\"/>", "< a/>",
          "<a/></>", "<a/>>", "<a><</a>", "<a =\"1\"/>", "<a x==\"1\"/>", "<a \"x\"/>"}) {
        EXPECT_EQ(DumpOf(bad), "<fails>") << bad;
    }
}

TEST(Parser, RootsAndTrailingText) {
    EXPECT_EQ(DumpOf("<a/><b/>"), "b\tb\t\n");
    EXPECT_EQ(DumpOf("<a/>xyz"), "a\ta\t\n");
    EXPECT_EQ(DumpOf("<a></a>trailing <b"), "a\ta\t\n");
    EXPECT_EQ(DumpOf("\n</>"), "<fails>");  // an element named "" could not be written back
}

TEST(Parser, Attributes) {
    EXPECT_EQ(DumpOf("<input disabled/>"), "input\tinput\t\n\tdisabled\t1\n");
    EXPECT_EQ(DumpOf("<a x='1'/>"), "a\ta\t\n\tx\t'1'\n");
    EXPECT_EQ(DumpOf("<a v=a=b=c/>"), "a\ta\t\n\tv\ta\n\tb\tc\n");
    EXPECT_EQ(DumpOf("<a a=b=c/>"), "a\ta\t\n\ta\tb\n\tc\t1\n");
    EXPECT_EQ(DumpOf("<a x = \"1\" y=2 z=\"\"/>"), "a\ta\t\n\tx\t1\n\ty\t2\n\tz\t\n");
    EXPECT_EQ(DumpOf("<a x=\"1\"y=\"2\"/>"), "a\ta\t\n\tx\t1\n\ty\t2\n");
    EXPECT_EQ(DumpOf("<a b\"c\"/>"), "a\ta\t\n\tb\t1\n\tc\t1\n");
    EXPECT_EQ(DumpOf("<a x=u\"v\"/>"), "a\ta\t\n\tx\tuv\n");
    EXPECT_EQ(DumpOf("<a x=\"&lt;&amp;\">v</a>"), "a\ta\tv\n\tx\t<&\n");
    EXPECT_EQ(DumpOf("<a x=/>"), "a\ta\t\n");
}

TEST(Parser, LineBreaksAndTabsInTagsActAsSpaces) {
    EXPECT_EQ(DumpOf("<a\n>v</a\n>"), "a\ta\tv\n");
    EXPECT_EQ(DumpOf("<a\r\n  x=\"1\"\n\ty=\"2\"\r\n/>"), "a\ta\t\n\tx\t1\n\ty\t2\n");
    EXPECT_EQ(DumpOf("<a\tx\t=\t\"1\"\n  flag\n/>"), "a\ta\t\n\tx\t1\n\tflag\t1\n");
    EXPECT_EQ(DumpOf("<\na/>"), "<fails>");
}

TEST(Parser, TwoByteCharactersAreNeverSplit) {
    // Trail bytes equal to '<', '>', '"' and '/' belong to their character.
    EXPECT_EQ(DumpOf("<a>\x81<\x82></a>"), "a\ta\t\x81<\x82>\n");
    EXPECT_EQ(DumpOf("<a x=\"\x81\">v</a>"), "a\ta\tv\n\tx\t\x81\"\n");
    EXPECT_EQ(DumpOf("<\x81/>"), "<fails>");    // "/>" is not seen: the name stays empty
    EXPECT_EQ(DumpOf("<a/>\x81"), "a\ta\t\n");  // a zero byte stands in for the partner
    EXPECT_EQ(DumpOf("<\xd6\xd0\xce\xc4 \xc3\xfb=\"\xd6\xb5\"/>"),
              "\xd6\xd0\xce\xc4\t\xd6\xd0\xce\xc4\t\n\t\xc3\xfb\t\xd6\xb5\n");
}

TEST(Parser, ZeroBytesAddNothing) {
    using namespace std::string_literals;
    EXPECT_EQ(DumpOf("<a\0b>v\0w</ab>"s), "ab\tab\tvw\n");
    EXPECT_EQ(DumpOf("<a x=\"1\0\"/\0>"s), "a\ta\t\n\tx\t1\n");
    // "\x81\0" is one character, so in the token the lead byte pairs with the '<' after it.
    EXPECT_EQ(DumpOf("<a>\x81\0<b/></a>"s), "a\ta\t\na/@1\tb\t\n");
}

std::filesystem::path TempFile(const std::string& name, std::string_view bytes) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("quillon_xml_" + std::to_string(::getpid()) + "_" + name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
}

TEST(FileInput, ReadsTheFileBytes) {
    const auto path = TempFile("ok.xml", "<?xml version=\"1.0\"?><a x=\"1\"><!--c--><b>t</b></a>");
    XmlTree t;
    ASSERT_TRUE(t.Load(Text(path.string())));
    EXPECT_EQ(testing::Dump(t), "a\ta\t\n\tx\t1\na/@1\tb\tt\n");
    std::filesystem::remove(path);
}

TEST(FileInput, MissingEmptyAndCommentOnlyFilesFail) {
    XmlTree t;
    ASSERT_TRUE(t.Load(toByteSet("<a/>")));
    EXPECT_FALSE(t.Load(Text("/nonexistent/quillon/none.xml")));
    EXPECT_FALSE(t.IsLoaded());
    for (const char* content : {"", "<!-- only a comment -->", "<!-- unterminated"}) {
        const auto path = TempFile("c.xml", content);
        EXPECT_FALSE(t.Load(Text(path.string()))) << content;
        std::filesystem::remove(path);
    }
    EXPECT_FALSE(t.Load(Text(std::filesystem::temp_directory_path().string())));  // a folder
}

TEST(FileInput, MissingCharactersAtTheEndReadAs0xFF) {
    // From bytes, a '<' at the very end is followed by a zero filler, which adds nothing; from a
    // file the filler is 0xFF, a lead byte without a partner, and the load fails.
    const std::string xml = "<a/><";
    XmlTree t;
    EXPECT_TRUE(t.Load(toByteSet(xml)));
    const auto path = TempFile("end.xml", xml);
    EXPECT_FALSE(t.Load(Text(path.string())));
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace quillon::xml
