// What a load keeps survives a write and a reload: generated documents of valid GBK text are
// loaded, written, loaded again, and must list the same tree.
#include <gtest/gtest.h>

#include <random>

#include "dump.h"
#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

// Pieces of valid GBK text: whole characters only (trail bytes such as '@', ']' and 0x80
// included), so that no edit splits a character.
const std::vector<std::string> kPieces = {"<a",
                                          "<b",
                                          "</a>",
                                          "</b>",
                                          ">",
                                          "/>",
                                          "<",
                                          "/",
                                          " ",
                                          "  ",
                                          "\t",
                                          "\n",
                                          "\r\n",
                                          "\r",
                                          "x=\"1\"",
                                          "y='2'",
                                          "z=3",
                                          "=",
                                          "\"",
                                          "'",
                                          "t",
                                          "&amp;",
                                          "&lt;",
                                          "&",
                                          ";",
                                          "<!--",
                                          "-->",
                                          "-",
                                          "<![CDATA[",
                                          "]]>",
                                          "]]",
                                          "]",
                                          "[",
                                          "<?pi?>",
                                          "<!DOCTYPE d>",
                                          "<!x>",
                                          "<!",
                                          "<?",
                                          "?>",
                                          "\xd6\xd0",
                                          "\xce\xc4",
                                          "\x81\x40",
                                          "\x81\x5d",
                                          "\xfe\x7e",
                                          "\x81\x80",
                                          "\xa1\xa1",
                                          "<a><b/></a>",
                                          "<a x=\"1\">v</a>",
                                          "\x81\x30\x81\x30"};

using Pieces = std::vector<std::string>;

// A well-formed document of random shape, as pieces.
Pieces Document(std::mt19937& rng) {
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    const char* names[] = {"a", "b", "\xd6\xd0", "c-d", "\x81\x5d", "e\x81\x40"};
    const char* texts[] = {"",          "t",        " text ",
                           "&amp;&lt;", "\xce\xc4", "\n  ",
                           "a\"b",      "\x81]]",   "<![CDATA[ x<y \x81]]]>",
                           "<!--c-->",  "1 &gt; 0", "<!x>tail"};
    const char* attrs[] = {"",
                           " x=\"1\"",
                           " y=\"&amp;\"",
                           "\n  z=\"2\"",
                           " flag",
                           " q='v'",
                           " u=\"\xd6\xd0\"",
                           " w=\"\"",
                           "\tv = \"3\"",
                           " p=\"a>b<c\"",
                           " k=\"\x81]\""};
    Pieces out;
    if (pick(3) == 0) out.push_back("<?xml version=\"1.0\"?>\n");
    std::vector<std::string> open;
    for (std::size_t k = 1 + pick(12); k > 0; --k) {
        while (!open.empty() && pick(3) == 0) {
            out.push_back("</" + open.back() + ">");
            out.push_back(texts[pick(std::size(texts))]);
            open.pop_back();
        }
        const std::string name = names[pick(std::size(names))];
        out.push_back("<" + name);
        out.push_back(attrs[pick(std::size(attrs))]);
        out.push_back(attrs[pick(std::size(attrs))]);
        if (pick(4) == 0) {
            out.push_back("/>");
        } else {
            out.push_back(">");
            out.push_back(texts[pick(std::size(texts))]);
            open.push_back(name);
        }
    }
    for (; !open.empty(); open.pop_back()) out.push_back("</" + open.back() + ">");
    return out;
}

// A document with a few edits at piece boundaries, or pieces glued at random.
std::string Generate(std::mt19937& rng, bool soup) {
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    Pieces pieces;
    if (soup) {
        for (std::size_t k = 1 + pick(24); k > 0; --k)
            pieces.push_back(kPieces[pick(kPieces.size())]);
    } else {
        pieces = Document(rng);
        for (std::size_t e = pick(4); e > 0 && !pieces.empty(); --e) {
            const std::size_t at = pick(pieces.size() + 1);
            if (pick(2) == 0) {
                pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(at),
                              kPieces[pick(kPieces.size())]);
            } else if (at < pieces.size()) {
                pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
    }
    std::string text;
    for (const std::string& p : pieces) text += p;
    return text;
}

TEST(RoundTrip, ValidGbkDocumentsReloadAsWritten) {
    std::mt19937 rng(8);
    int loaded = 0;
    for (int round = 0; round < 40000; ++round) {
        const std::string xml = Generate(rng, round % 2 == 1);
        XmlTree first;
        if (!first.Load(toByteSet(xml))) continue;
        ++loaded;
        for (const auto& [l, i] : {std::pair<Text, Text>{"\r\n", "\t"}, {"", ""}}) {
            const ByteSet bytes = first.ToBytes(Text(), nullptr, l, i);
            XmlTree second;
            ASSERT_TRUE(second.Load(bytes))
                << ::testing::PrintToString(xml) << " -> "
                << ::testing::PrintToString(std::string(asChars(bytes)));
            ASSERT_EQ(testing::Dump(second), testing::Dump(first)) << ::testing::PrintToString(xml);
        }
    }
    EXPECT_GT(loaded, 6000);
}

}  // namespace
}  // namespace quillon::xml
