#include <gtest/gtest.h>

#include <thread>

#include "dump.h"
#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

TEST(Robustness, AMillionLevelsDeep) {
    constexpr int kDepth = 1000000;
    std::string xml;
    xml.reserve(kDepth * 9 + 16);
    for (int i = 0; i < kDepth; ++i) xml += "<e>";
    xml += "leaf";
    for (int i = 0; i < kDepth; ++i) xml += "</e>";

    XmlTree t;
    ASSERT_TRUE(t.Load(toByteSet(xml)));
    std::string path = "e";
    path.reserve(kDepth * 3 + 1);
    for (int i = 1; i < kDepth; ++i) path += "/@1";
    Text value;
    ASSERT_TRUE(t.GetNodeValue(path, value));
    EXPECT_EQ(value, "leaf");
    EXPECT_EQ(t.GetChildNames(path).size(), 0u);
    EXPECT_TRUE(t.GetAttributeNames(path).empty());
    EXPECT_EQ(t.GetAttributeValue(path, "x"), "");
    EXPECT_TRUE(t.RenameNode(path, "last"));
    const ByteSet bytes = t.ToBytes(Text(), nullptr, Text(), Text());
    const std::string_view out = asChars(bytes);
    EXPECT_EQ(out.size(), 40 + xml.size() + 6);  // declaration, and "last" twice for "e"
    EXPECT_EQ(out.substr(40 + 3 * (kDepth - 1), 21), "<last>leaf</last></e>");
    EXPECT_TRUE(out.ends_with("</e></e>"));
    // An indent repeated a million levels deep would need more bytes than memory can hold.
    bool ok = true;
    EXPECT_TRUE(t.ToBytes(Text(), &ok, Text(), Text(20'000'000, ' ')).empty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(t.Clear());
}

TEST(Robustness, TwoTreesOnTwoThreads) {
    auto work = [](char tag, std::string* result) {
        std::string xml = std::string("<") + tag + ">";
        for (int i = 0; i < 2000; ++i) xml += "<i n=\"" + std::to_string(i) + "\">v<!--c--></i>";
        xml += std::string("</") + tag + ">";
        for (int round = 0; round < 20; ++round) {
            XmlTree t;
            if (!t.Load(toByteSet(xml))) {
                *result = "load failed";
                return;
            }
            *result = testing::Dump(t);
        }
    };
    std::string a, b;
    std::thread first(work, 'a', &a);
    std::thread second(work, 'b', &b);
    first.join();
    second.join();
    XmlTree check;
    ASSERT_NE(a, "load failed");
    EXPECT_EQ(a.substr(0, 6), "a\ta\t\na");
    EXPECT_EQ(b.substr(0, 6), "b\tb\t\nb");
    std::string aAsB = a;
    for (std::size_t at = 0; (at = aAsB.find("a", at)) != std::string::npos;) aAsB[at] = 'b';
    EXPECT_EQ(aAsB, b);
}

TEST(Robustness, ManyAttributesAndDuplicatesFarApart) {
    std::string xml = "<a";
    for (int i = 0; i < 5000; ++i)
        xml += " k" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    XmlTree t;
    ASSERT_TRUE(t.Load(toByteSet(xml + "/>")));
    EXPECT_EQ(t.GetAttributeNames("a").size(), 5000u);
    EXPECT_EQ(t.GetAttributeValue("a", "k4999"), "4999");
    EXPECT_EQ(t.GetAttributeValue("a", "@5000"), "4999");
    EXPECT_FALSE(t.Load(toByteSet(xml + " k17=\"x\"/>")));
}

TEST(Robustness, TruncatedInputsNeverCrash) {
    const std::string xml =
        "<?xml version=\"1.0\"?><!DOCTYPE r><r a=\"1\" b='2' c>t&amp;<![CDATA[x]]>\xd6\xd0"
        "<!--c--><s\n x=\"\x81\"\"/><u>v</u></r>";
    // Every cut loads or fails the same way twice (a stale byte or state would differ), and what
    // loads writes out and reloads as the same tree.
    for (std::size_t n = 0; n <= xml.size(); ++n) {
        const ByteSet bytes = toByteSet(std::string_view(xml).substr(0, n));
        XmlTree first, second;
        const bool loaded = first.Load(bytes);
        ASSERT_EQ(second.Load(bytes), loaded) << n;
        EXPECT_EQ(second.LastResult().status, first.LastResult().status) << n;
        EXPECT_EQ(second.LastResult().offset, first.LastResult().offset) << n;
        EXPECT_LE(first.LastResult().offset, n);
        const std::string listing = testing::Dump(first);
        EXPECT_EQ(testing::Dump(second), listing) << n;
        if (!loaded) continue;
        XmlTree again;
        ASSERT_TRUE(again.Load(first.ToBytes(std::nullopt))) << n;
        EXPECT_EQ(testing::Dump(again), listing) << n;
    }
}

}  // namespace
}  // namespace quillon::xml
