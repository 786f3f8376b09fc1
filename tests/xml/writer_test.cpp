#include <gtest/gtest.h>

#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

std::string Written(std::string_view xml, const std::optional<Text>& encoding = std::nullopt,
                    const std::optional<Text>& lineBreak = std::nullopt,
                    const std::optional<Text>& indent = std::nullopt) {
    XmlTree t;
    EXPECT_TRUE(t.Load(toByteSet(xml))) << xml;
    bool ok = false;
    const ByteSet bytes = t.ToBytes(encoding, &ok, lineBreak, indent);
    EXPECT_TRUE(ok);
    return std::string(asChars(bytes));
}

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"gb18030\"?>";

TEST(Writer, DefaultLayoutIndentsChildren) {
    EXPECT_EQ(Written("<a x=\"1\"><b>t</b><c/></a>"),
              std::string(kDeclaration) + "\r\n<a x=\"1\">\r\n\t<b>t</b>\r\n\t<c/>\r\n</a>");
    EXPECT_EQ(Written("<a x=\"1\"><b>t</b><c/></a>", Text(), Text(), Text()),
              std::string(kDeclaration) + "<a x=\"1\"><b>t</b><c/></a>");
    EXPECT_EQ(Written("<a>v<b><c/></b></a>", Text(), Text("\n"), Text("  ")),
              std::string(kDeclaration) + "\n<a>v\n  <b>\n    <c/>\n  </b>\n</a>");
}

TEST(Writer, Declaration) {
    EXPECT_EQ(Written("<a/>", Text("utf-8"), Text(), Text()),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>");
    EXPECT_EQ(Written("<a/>", Text("x\"y"), Text(), Text()),
              "<?xml version=\"1.0\" encoding=\"x\"y\"?><a/>");  // neither escaped nor checked
}

TEST(Writer, StoredFormsComeBackUnchanged) {
    const std::string none = kDeclaration;
    EXPECT_EQ(Written("<a t=\"x &amp; y\">1 &lt; 2</a>", Text(), Text(), Text()),
              none + "<a t=\"x &amp; y\">1 &lt; 2</a>");
    EXPECT_EQ(Written("<a x='1' y=2 flag><b></b><c><![CDATA[<&>]]></c><d><![CDATA[]]></d></a>",
                      Text(), Text(), Text()),
              none + "<a x=\"'1'\" y=\"2\" flag=\"1\"><b/><c><![CDATA[<&>]]></c><d/></a>");
    EXPECT_EQ(Written("<!--c--><?pi?><a>x<b/>y<!--z--></a>", Text(), Text(), Text()),
              none + "<a>x<b/></a>");
    EXPECT_EQ(Written("<a\n  x=\"1\"\n  y=\"2\">v</a>", Text(), Text(), Text()),
              none + "<a x=\"1\" y=\"2\">v</a>");
}

TEST(Writer, RenamedElementsKeepTheirForm) {
    XmlTree t;
    ASSERT_TRUE(t.Load(toByteSet("<a><b/><c></c></a>")));
    ASSERT_TRUE(t.RenameNode("a/@1", "c&d"));
    ASSERT_TRUE(t.RenameNode("a/@2", "e"));
    const ByteSet bytes = t.ToBytes(Text(), nullptr, Text(), Text());
    EXPECT_EQ(asChars(bytes), std::string(kDeclaration) + "<a><c&amp;d/><e/></a>");
}

}  // namespace
}  // namespace quillon::xml
