#include <gtest/gtest.h>

#include <random>

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

// Collects the pieces a streamed write hands over; refuses every piece after the first `accept`.
class PieceSink : public WriteSink {
  public:
    PieceSink(std::size_t pieceSize, std::size_t accept) : pieceSize_(pieceSize), accept_(accept) {}
    bool write(std::string_view piece) override {
        if (piece.empty() || piece.size() > pieceSize_) ++badPieces;
        if (pieces++ >= accept_) return false;
        bytes += piece;
        return true;
    }
    std::size_t pieceSize() const override { return pieceSize_; }

    std::string bytes;
    std::size_t pieces = 0, badPieces = 0;

  private:
    std::size_t pieceSize_, accept_;
};

// A random well-formed document: nested elements with attributes, plain, referenced, CDATA and
// two-byte text, self-closing and empty elements.
std::string RandomDocument(std::mt19937& rng) {
    const char* names[] = {"a", "item", "\xd6\xd0\xce\xc4", "x-y"};
    const char* texts[] = {"", "t", "1 &lt; 2", "\xd4\xe7\xb0\xb2 words", "  padded  "};
    auto pick = [&](auto& table) { return table[rng() % std::size(table)]; };
    std::string xml;
    std::vector<std::string> open;
    const int elements = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < elements; ++i) {
        std::string name = pick(names);
        xml += "<" + name;
        for (unsigned k = rng() % 3; k > 0; --k)
            xml += " k" + std::to_string(k) + "=\"" + pick(texts) + "\"";
        if (i > 0 && rng() % 4 == 0) {
            xml += "/>";
        } else {
            xml += ">";
            xml += rng() % 5 == 0 ? std::string("<![CDATA[<&>]]>") : std::string(pick(texts));
            open.push_back(name);
        }
        for (unsigned close = rng() % 3; close > 0 && open.size() > 1; --close) {
            xml += "</" + open.back() + ">";
            open.pop_back();
        }
    }
    while (!open.empty()) {
        xml += "</" + open.back() + ">";
        open.pop_back();
    }
    return xml;
}

TEST(Writer, StreamedPiecesJoinToTheBytesOfToBytes) {
    std::mt19937 rng(12);
    const std::optional<Text> layouts[][2] = {
        {std::nullopt, std::nullopt}, {Text(), Text()}, {Text("\n"), Text("  ")}};
    for (int round = 0; round < 300; ++round) {
        const std::string xml = RandomDocument(rng);
        XmlTree t;
        ASSERT_TRUE(t.Load(toByteSet(xml))) << xml;
        const auto& [lineBreak, indent] = layouts[round % 3];
        const ByteSet whole = t.ToBytes(Text("enc"), nullptr, lineBreak, indent);
        const std::size_t pieceSize = 1 + rng() % 9;
        PieceSink all(pieceSize, SIZE_MAX);
        ASSERT_TRUE(t.WriteTo(all, Text("enc"), lineBreak, indent));
        EXPECT_EQ(all.bytes, asChars(whole)) << xml;
        EXPECT_EQ(all.badPieces, 0u);

        // A destination that fails stops the write: no piece is offered after the refused one.
        const std::size_t accept = rng() % (whole.size() / pieceSize);
        PieceSink failing(pieceSize, accept);
        EXPECT_FALSE(t.WriteTo(failing, Text("enc"), lineBreak, indent));
        EXPECT_EQ(failing.pieces, accept + 1);
    }
    PieceSink unused(4, SIZE_MAX);
    EXPECT_FALSE(XmlTree().WriteTo(unused, std::nullopt));
}

}  // namespace
}  // namespace quillon::xml
