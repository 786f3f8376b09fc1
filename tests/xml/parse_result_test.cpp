// Why and where a load fails, and where an element's start tag stands in the input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

struct Failure {
    std::string_view xml;
    ParseStatus status;
    std::size_t offset;
};

// Offsets count the caller's bytes: comments and two-byte characters before the fault included.
TEST(ParseResult, EveryStatusWithItsOffset) {
    using S = ParseStatus;
    const Failure cases[] = {
        {"<a/>", S::Ok, 0},
        {"", S::EmptyInput, 0},
        {"<!-- only -->", S::EmptyInput, 0},
        {"text only <?pi?>", S::NoElement, 0},
        {"<!DOCTYPE d [<!ENTITY e 'x'>]><a/>", S::LtInsideTag, 13},
        {"<!--c--><a>1 > 0</a>", S::GtOutsideTag, 13},
        {"\xd6\xd0<a/>>", S::GtOutsideTag, 6},
        {"<!--c--><a>x<!x>y > </a>", S::GtOutsideTag, 18},
        {"<!--c-->  </>", S::BadName, 10},
        {"<a><!--c-->< b/></a>", S::BadName, 11},
        {"<a>\xd6\xd0<b x=\"1\" x=\"2\"/></a>", S::BadAttribute, 5},
        {"<a =\"1\"/>", S::BadAttribute, 0},
        {"<a/><!--c--></a>", S::EndTagWithoutStart, 12},
        {"<a>\xd6\xd0</b>", S::EndTagMismatch, 5},
        {std::string_view("<a>\0<!--c--></b>", 16), S::EndTagMismatch, 12},
        {"<!--c--><a>\xd6\xd0<b>", S::UnclosedElement, 13},
        {"<a><b", S::EndInsideTag, 3},
        {"<a x=\"1\"", S::EndInsideTag, 0},
        {"<a>\xd6\xd0<", S::EndInsideTag, 5},
        {"<a><!-- never closed</a>", S::EndInsideComment, 3},
        {"<!-- never closed", S::EndInsideComment, 0},
    };
    for (const Failure& c : cases) {
        XmlTree tree;
        EXPECT_EQ(tree.Load(toByteSet(c.xml)), c.status == S::Ok) << c.xml;
        const ParseResult& r = tree.LastResult();
        EXPECT_EQ(r.status, c.status) << c.xml << ": " << r.description();
        EXPECT_EQ(r.offset, c.offset) << c.xml;
        EXPECT_EQ(bool(r), r.ok());
        EXPECT_STRNE(r.description(), "");
    }
}

TEST(ParseResult, FileRoads) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quillon_result_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "empty.xml").close();
    std::ofstream(dir / "bad.xml", std::ios::binary) << "<!--\xd6\xd0-->\n<a></b>";
    const std::pair<std::filesystem::path, ParseResult> cases[] = {
        {dir / "missing.xml", {ParseStatus::FileUnreadable, 0}},
        {dir, {ParseStatus::FileUnreadable, 0}},
        {dir / "empty.xml", {ParseStatus::EmptyInput, 0}},
        {dir / "bad.xml", {ParseStatus::EndTagMismatch, 13}},
    };
    for (const auto& [path, expected] : cases) {
        XmlTree tree;
        EXPECT_FALSE(tree.Load(Text(path.string())));
        EXPECT_EQ(tree.LastResult().status, expected.status) << path;
        EXPECT_EQ(tree.LastResult().offset, expected.offset) << path;
    }
    XmlTree tree;
    ASSERT_FALSE(tree.Load(toByteSet("<a>")));
    EXPECT_FALSE(tree.Load(std::nullopt));  // an absent source changes nothing
    EXPECT_EQ(tree.LastResult().status, ParseStatus::UnclosedElement);
    EXPECT_TRUE(tree.Load(toByteSet("<a/>")));
    EXPECT_TRUE(tree.LastResult().ok());
    std::filesystem::remove_all(dir);
}

TEST(ParseResult, PositionsCountCharactersAndLineEnds) {
    struct Case {
        std::string_view text;
        std::size_t offset, line, column;
    };
    const Case cases[] = {
        {"ab", 0, 1, 1},
        {"ab", 1, 1, 2},
        {"ab", 9, 1, 3},
        {"a\nb", 2, 2, 1},
        {"a\r\nb", 3, 2, 1},
        {"a\r\nb", 2, 1, 2},
        {"a\rb", 2, 2, 1},
        {"a\r\n\r\n\nb", 6, 4, 1},
        {"\xd6\xd0x", 2, 1, 2},
        {"\xd6\xd0x", 1, 1, 1},
        {"\x81\x30\x81\x30x", 4, 1, 2},
        {"\n\xd6\xd0\xce\xc4<", 5, 2, 3},
    };
    for (const Case& c : cases) {
        const ByteView bytes(reinterpret_cast<const std::uint8_t*>(c.text.data()), c.text.size());
        const TextPosition p = PositionOf(bytes, c.offset);
        EXPECT_EQ(p.line, c.line) << ::testing::PrintToString(std::string(c.text)) << c.offset;
        EXPECT_EQ(p.column, c.column) << ::testing::PrintToString(std::string(c.text)) << c.offset;
    }
}

// A well-formed document with comments between and inside its parts, two-byte text, and the
// shapes that the general scan reads (zero bytes, CDATA sections, skipped constructs in text).
std::string Generate(std::mt19937& rng) {
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    const char* names[] = {"a", "b", "\xd6\xd0\xce\xc4", "c-d"};
    const char* bits[] = {"",
                          "<!--c-->",
                          "\xd6\xd0",
                          " ",
                          "\r\n",
                          "<!x>t",
                          "<![CDATA[\xce\xc4]]>",
                          "<!-- \xd6\xd0 -->",
                          std::string_view("\0", 1).data()};
    auto bit = [&] {
        const std::size_t k = pick(std::size(bits));
        return k + 1 == std::size(bits) ? std::string(1, '\0') : std::string(bits[k]);
    };
    std::string out = bit();
    std::vector<std::string> open;
    for (std::size_t k = 1 + pick(20); k > 0; --k) {
        while (!open.empty() && pick(3) == 0) {
            out += "</" + open.back() + ">" + bit();
            open.pop_back();
        }
        const std::string name = names[pick(std::size(names))];
        const char* inTag[] = {"", " ", "<!--c-->", "<!-- \xd6\xd0 -->"};
        out += "<" + name + (pick(2) ? " x=\"1<!--c-->\xd6\xd0\"" : "") + inTag[pick(4)];
        if (pick(4) == 0) {
            out += "/>" + bit();
        } else {
            out += ">" + bit();
            open.push_back(name);
        }
    }
    for (; !open.empty(); open.pop_back()) out += "</" + open.back() + ">" + bit();
    return out;
}

TEST(StartTagOffset, PointsAtTheElementsTagInTheInput) {
    std::mt19937 rng(11);
    int elements = 0;
    for (int round = 0; round < 3000; ++round) {
        const std::string xml = Generate(rng);
        XmlTree tree;
        ASSERT_TRUE(tree.Load(toByteSet(xml))) << ::testing::PrintToString(xml);
        Text root;
        tree.GetRootName(root);
        std::vector<std::pair<std::string, std::string>> pending{{root, root}};
        while (!pending.empty()) {
            const auto [path, name] = pending.back();
            pending.pop_back();
            ++elements;
            const std::optional<std::size_t> at = tree.StartTagOffset(path);
            ASSERT_TRUE(at.has_value());
            ASSERT_EQ(xml.substr(*at, name.size() + 1), "<" + name)
                << ::testing::PrintToString(xml) << " " << path;
            const TextArray kids = tree.GetChildNames(path);
            for (std::size_t i = 0; i < kids.size(); ++i)
                pending.emplace_back(path + "/@" + std::to_string(i + 1), kids[i]);
        }
        const std::optional<std::size_t> rootAt = tree.StartTagOffset("@1");
        ASSERT_TRUE(tree.RenameNode("@1", "renamed"));
        EXPECT_EQ(tree.StartTagOffset("@1"), rootAt);  // still the tag that was read
        EXPECT_EQ(tree.StartTagOffset("@1/@999"), std::nullopt);
    }
    EXPECT_GT(elements, 20000);
    XmlTree empty;
    EXPECT_EQ(empty.StartTagOffset("@1"), std::nullopt);
}

}  // namespace
}  // namespace quillon::xml
