#include <gtest/gtest.h>

#include "runtime/codepage.h"
#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

XmlTree Loaded(std::string_view xml) {
    XmlTree tree;
    EXPECT_TRUE(tree.Load(toByteSet(xml))) << xml;
    return tree;
}

TEST(Commands, ReadsElementsByNameAndPosition) {
    XmlTree t = Loaded(R"(<a x="1&amp;2"><b/><b>t</b></a>)");
    Text name;
    ASSERT_TRUE(t.GetRootName(name));
    EXPECT_EQ(name, "a");
    bool ok = false;
    EXPECT_EQ(t.GetChildNames("a", &ok), (TextArray{"b", "b"}));
    EXPECT_TRUE(ok);
    Text value = "old";
    ASSERT_TRUE(t.GetNodeValue("a/b", value));
    EXPECT_EQ(value, "");
    ASSERT_TRUE(t.GetNodeValue("a/@2", value));
    EXPECT_EQ(value, "t");
    EXPECT_EQ(t.GetAttributeValue("a", "x", &ok), "1&2");
    EXPECT_TRUE(ok);
    EXPECT_EQ(t.GetAttributeValue("a", "@1"), "1&2");
    EXPECT_EQ(t.GetAttributeValue("a", "@2", &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(t.GetAttributeValue("a", "y", &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(t.GetAttributeValue("a", "@0", &ok), "");
    EXPECT_FALSE(ok);
    EXPECT_EQ(t.GetAttributeNames("a", &ok), TextArray{"x"});
    EXPECT_TRUE(ok);
    EXPECT_TRUE(t.GetAttributeNames("a/@1", &ok).empty());
    EXPECT_FALSE(ok);
}

TEST(Commands, PathForms) {
    XmlTree t = Loaded("<a><b><c>deep</c></b><d/></a>");
    Text v;
    const std::pair<const char*, bool> cases[] = {
        {"a", true},        {"a/", true},        {"@1", true},
        {"@2", false},      {"/a", false},       {"a//b", false},
        {"a/@0", false},    {"a/@", false},      {"a/@1x", false},
        {"a/@01", true},    {"a/@3", false},     {"A", false},
        {"a/b/c", true},    {"@1/@1/@1/", true}, {"a/@99999999999999999999999", false},
        {"a/d/", true},     {"a/e", false},      {"a/b/c/", true},
        {"a/b/c//", false},
    };
    for (const auto& [path, found] : cases) EXPECT_EQ(t.GetNodeValue(path, v), found) << path;
    ASSERT_TRUE(t.GetNodeValue("a/@1/@1", v));
    EXPECT_EQ(v, "deep");
    bool ok = true;
    EXPECT_TRUE(t.GetChildNames("a/b/c", &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(t.GetChildNames("nothing", &ok).empty());
    EXPECT_FALSE(ok);
}

TEST(Commands, NameSegmentsPickTheFirstMatchAndPositionsReachAnyChild) {
    std::string xml = "<r>";
    for (int i = 0; i < 1000; ++i) xml += "<k>" + std::to_string(i) + "</k>";
    xml += "</r>";
    XmlTree t = Loaded(xml);
    Text v;
    ASSERT_TRUE(t.GetNodeValue("r/k", v));
    EXPECT_EQ(v, "0");
    ASSERT_TRUE(t.GetNodeValue("r/@1000", v));
    EXPECT_EQ(v, "999");
    EXPECT_FALSE(t.GetNodeValue("r/@1001", v));
}

TEST(Commands, ValuesDecodeReferencesExceptInCdata) {
    XmlTree t =
        Loaded("<a><b>&#65;</b><c>&quote;&lt;&amp;lt;&bad;&</c><d><![CDATA[&lt; <]]></d></a>");
    Text v;
    ASSERT_TRUE(t.GetNodeValue("a/b", v));
    EXPECT_EQ(v, "&#65;");
    ASSERT_TRUE(t.GetNodeValue("a/c", v));
    EXPECT_EQ(v, "\"<&lt;&bad;&");
    ASSERT_TRUE(t.GetNodeValue("a/d", v));
    EXPECT_EQ(v, "&lt; <");
}

TEST(Commands, RenameEscapesAndLaterPathsUseThePlainName) {
    XmlTree t = Loaded("<a><b/></a>");
    EXPECT_TRUE(t.RenameNode("a/@1", "c&d"));
    EXPECT_EQ(t.GetChildNames("a"), TextArray{"c&d"});
    Text v;
    EXPECT_TRUE(t.GetNodeValue("a/c&d", v));
    EXPECT_TRUE(t.RenameNode("a/c&d", "e"));  // a second rename replaces the first
    EXPECT_EQ(t.GetChildNames("a"), TextArray{"e"});
    EXPECT_TRUE(t.RenameNode("a", "root"));
    EXPECT_FALSE(t.GetNodeValue("a", v));
    EXPECT_TRUE(t.GetNodeValue("root/e", v));
    Text name;
    t.GetRootName(name);
    EXPECT_EQ(name, "root");
}

TEST(Commands, EmptyArgumentsAndAnEmptyTreeFailWithoutChanges) {
    XmlTree t = Loaded("<a x=\"1\">v</a>");
    Text v = "kept";
    EXPECT_FALSE(t.GetNodeValue("", v));
    EXPECT_EQ(v, "kept");
    EXPECT_FALSE(t.RenameNode("a", ""));
    EXPECT_FALSE(t.RenameNode("", "b"));
    EXPECT_EQ(t.GetAttributeValue("a", ""), "");
    EXPECT_EQ(t.GetAttributeValue("", "x"), "");
    EXPECT_TRUE(t.GetChildNames("").empty());

    XmlTree empty;
    Text name = "kept";
    EXPECT_FALSE(empty.GetRootName(name));
    EXPECT_EQ(name, "kept");
    EXPECT_FALSE(empty.GetNodeValue("a", v));
    EXPECT_FALSE(empty.RenameNode("a", "b"));
    bool ok = true;
    EXPECT_TRUE(empty.ToBytes(std::nullopt, &ok).empty());
    EXPECT_FALSE(ok);
    EXPECT_FALSE(empty.Clear());
}

TEST(Commands, LoadAndClearLifecycle) {
    XmlTree t;
    EXPECT_FALSE(t.Load(std::nullopt));
    ASSERT_TRUE(t.Load(toByteSet("<a/>")));
    EXPECT_FALSE(t.Load(std::nullopt));  // an absent source leaves the tree alone
    EXPECT_TRUE(t.IsLoaded());
    EXPECT_FALSE(t.Load(Text()));  // so does an empty file name
    EXPECT_TRUE(t.IsLoaded());
    EXPECT_FALSE(t.Load(toByteSet("<a>")));  // a failed load still released the old tree
    EXPECT_FALSE(t.IsLoaded());
    ASSERT_TRUE(t.Load(toByteSet("<a/>")));
    EXPECT_FALSE(t.Load(ByteSet{}));
    EXPECT_FALSE(t.IsLoaded());
    ASSERT_TRUE(t.Load(toByteSet("<a/>")));
    EXPECT_TRUE(t.Clear());
    EXPECT_FALSE(t.Clear());
    EXPECT_EQ(t.MemoryUsage(), 0u);
}

TEST(Commands, SampleCardMessage) {
    const char* sample =
        R"(<?xml version="1.0" encoding="utf-8"?><msg serviceID="1" templateID="19" action="plugin" a_actionData="q://c?src=s&amp;ver=1" i_actionData="q://c?src=s&amp;ver=1" brief="我有一句话" url="" flag="0" multiMsgFlag="0"><item layout="0"><title size="305" color="#ff6644">早安</title></item><source name="" icon="" action="" appid="-1"/></msg>)";
    XmlTree t = Loaded(codepage::utf8ToGbk(sample));
    EXPECT_EQ(t.GetAttributeNames("msg").size(), 9u);
    EXPECT_EQ(t.GetChildNames("msg"), (TextArray{"item", "source"}));
    EXPECT_EQ(t.GetAttributeValue("msg", "a_actionData"), "q://c?src=s&ver=1");
    Text v;
    ASSERT_TRUE(t.GetNodeValue("msg/@1/@1", v));
    EXPECT_EQ(codepage::gbkToUtf8(v), "早安");
    EXPECT_EQ(t.GetAttributeNames("msg/@1/@1"), (TextArray{"size", "color"}));
    EXPECT_EQ(t.GetAttributeValue("msg/@1/@1", "color"), "#ff6644");
    EXPECT_EQ(t.GetAttributeNames("msg/@2"), (TextArray{"name", "icon", "action", "appid"}));
    bool ok = false;
    EXPECT_EQ(t.GetAttributeValue("msg/@2", "name", &ok), "");
    EXPECT_TRUE(ok);
    ASSERT_TRUE(t.GetNodeValue("msg/@2", v));
    EXPECT_EQ(v, "");
}

TEST(Escaping, EscapeAndUnescape) {
    EXPECT_EQ(EscapeText(R"(a"b&c'd<e>f)"), "a&quot;b&amp;c&apos;d&lt;e&gt;f");
    EXPECT_EQ(EscapeText("&amp;"), "&amp;amp;");
    EXPECT_EQ(EscapeText("\x81<x\x81"), "\x81<x\x81");        // a trail byte is never escaped
    EXPECT_EQ(EscapeText(std::string_view("a\0<", 3)), "a");  // a text ends at a zero byte
    EXPECT_EQ(UnescapeText("&amp;lt;"), "&lt;");
    EXPECT_EQ(UnescapeText("&&lt;"), "&<");
    EXPECT_EQ(UnescapeText("&LT; &lt &#x41; x;"), "&LT; &lt &#x41; x;");
    EXPECT_EQ(UnescapeText("&l\x81;t;"), "&l\x81;t;");  // a lead byte ends a pending reference
    EXPECT_EQ(UnescapeText("&apos;&quot;&quote;&gt;"), "'\"\">");
}

}  // namespace
}  // namespace quillon::xml
