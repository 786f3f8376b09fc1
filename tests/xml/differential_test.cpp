// Checks the library against the plain model in reference.cpp on many generated inputs: every
// element, value and attribute as the commands report them, and the written document.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "dump.h"
#include "reference.h"
#include "xml/parser.h"
#include "xml/xml_tree.h"

namespace quillon::xml {
namespace {

const std::vector<std::string> kPieces = {"<a",
                                          "<b",
                                          "<c d",
                                          "</a>",
                                          "</b>",
                                          "</c d>",
                                          ">",
                                          "/>",
                                          "<",
                                          "/",
                                          " ",
                                          "  ",
                                          "\t",
                                          "\n",
                                          "\r\n",
                                          "x=\"1\"",
                                          "y='2'",
                                          "z=3",
                                          "=",
                                          "\"",
                                          "'",
                                          "t",
                                          "word",
                                          "&amp;",
                                          "&lt;",
                                          "&quote;",
                                          "&#65;",
                                          "&",
                                          ";",
                                          "<!--",
                                          "-->",
                                          "--->",
                                          "-",
                                          "--",
                                          "<![CDATA[",
                                          "]]>",
                                          "]]",
                                          "<?pi?>",
                                          "<!DOCTYPE d>",
                                          "<!x>",
                                          "<!",
                                          "<!-",
                                          "\xd6\xd0",
                                          "\x81<",
                                          "\x81>",
                                          "\x81\"",
                                          "\x81/",
                                          "\x81",
                                          std::string(1, '\0'),
                                          "\x80",
                                          "\xff",
                                          "@",
                                          "?",
                                          "[",
                                          "<a><b/></a>",
                                          "<a x=\"1\">v</a>"};

// A well-formed document of random shape, then a few random edits.
std::string Generate(std::mt19937& rng) {
    auto pick = [&](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    const char* names[] = {"a", "b", "\xd6\xd0", "c-d", "e.f"};
    const char* texts[] = {"",         "t",       " text ", "&amp;&lt;",
                           "\xce\xc4", "\n  ",    "a\"b",   "<![CDATA[ x<y ]]>",
                           "<!--c-->", "1 &gt; 0"};
    const char* attrs[] = {"",       " x=\"1\"",        " y=\"&amp;\"", "\n  z=\"2\"", " flag",
                           " q='v'", " u=\"\xd6\xd0\"", " w=\"\"",      "\tv = \"3\""};
    std::string out = pick(3) == 0 ? "<?xml version=\"1.0\"?>\n" : "";
    std::vector<std::string> open;
    const std::size_t elements = 1 + pick(12);
    for (std::size_t k = 0; k < elements; ++k) {
        while (!open.empty() && pick(3) == 0) {
            out += "</" + open.back() + ">" + texts[pick(std::size(texts))];
            open.pop_back();
        }
        const std::string name = names[pick(std::size(names))];
        out += "<" + name + attrs[pick(std::size(attrs))] + attrs[pick(std::size(attrs))];
        if (pick(4) == 0) {
            out += "/>";
        } else {
            out += std::string(">") + texts[pick(std::size(texts))];
            open.push_back(name);
        }
    }
    while (!open.empty()) {
        out += "</" + open.back() + ">";
        open.pop_back();
    }
    const std::size_t edits = pick(4);
    for (std::size_t e = 0; e < edits && !out.empty(); ++e) {
        const std::size_t at = pick(out.size() + 1);
        switch (pick(3)) {
            case 0:
                out.insert(at, kPieces[pick(kPieces.size())]);
                break;
            case 1:
                out.erase(at, 1 + pick(4));
                break;
            default:
                out.resize(at);
                break;
        }
    }
    return out;
}

// Random pieces glued together: mostly failures, exercising every early exit.
std::string Soup(std::mt19937& rng) {
    std::string out;
    const std::size_t n = std::uniform_int_distribution<std::size_t>(1, 24)(rng);
    for (std::size_t k = 0; k < n; ++k) out += kPieces[rng() % kPieces.size()];
    return out;
}

void ExpectSame(std::string_view xml, int& loaded) {
    XmlTree fast;
    reference::Tree model;
    const bool ok = fast.Load(toByteSet(xml));
    ASSERT_EQ(ok, model.Load(xml)) << "input: " << ::testing::PrintToString(std::string(xml));
    ASSERT_EQ(fast.LastResult().ok(), ok);
    ASSERT_LE(fast.LastResult().offset, xml.size());
    if (!ok) return;
    ++loaded;
    ASSERT_EQ(testing::Dump(fast), testing::Dump(model))
        << ::testing::PrintToString(std::string(xml));
    Text rootValue;  // a root name that does not escape back to itself hides the rest from paths
    if (fast.GetNodeValue(fast.NodeName(fast.Root()), rootValue)) {
        ASSERT_EQ(testing::DumpByNode(fast), testing::Dump(fast, true));
    }
    for (const auto& [l, i] : {std::pair<Text, Text>{"\r\n", "\t"}, {"", ""}}) {
        const ByteSet bytes = fast.ToBytes(Text(), nullptr, l, i);
        ASSERT_EQ(std::string(asChars(bytes)), model.Write(l, i))
            << ::testing::PrintToString(std::string(xml));
    }
}

TEST(Differential, GeneratedDocumentsMatchTheModel) {
    std::mt19937 rng(20170107);
    int loaded = 0;
    for (int round = 0; round < 20000; ++round) {
        ExpectSame(Generate(rng), loaded);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(loaded, 3000);  // the generator must reach deep into successful loads
}

TEST(Differential, PieceSoupMatchesTheModel) {
    std::mt19937 rng(936);
    int loaded = 0;
    for (int round = 0; round < 20000; ++round) {
        ExpectSame(Soup(rng), loaded);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(loaded, 200);
}

// Tags with up to forty attributes whose names share lengths and outer bytes, so that names that
// differ often look alike to the one-pass reader's first test, and some names repeat.
TEST(Differential, ManyLookAlikeAttributesMatchTheModel) {
    std::mt19937 rng(5);
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string xml = "<r";
        const std::size_t count = 1 + pick(40);
        for (std::size_t k = 0; k < count; ++k) {
            std::string name = "a";
            for (std::size_t inner = pick(4); inner > 0; --inner) name += char('b' + pick(4));
            name += 'z';
            xml += (pick(5) == 0 ? "\n  " : " ") + name + "=\"" + std::to_string(pick(100)) + "\"";
        }
        xml += pick(2) == 0 ? "/>" : ">t</r>";
        ExpectSame(xml, loaded);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(loaded, 300);  // short tags load; long ones mostly repeat a name and fail
}

// Comment removal into a second buffer, checked against removal in place (the file road's way).
std::string Stripped(std::string_view in, unsigned char filler) {
    std::string out(in.size() + 1, '\0');
    out.resize(StripComments(reinterpret_cast<const unsigned char*>(in.data()), in.size(), filler,
                             reinterpret_cast<unsigned char*>(out.data())));
    std::string inPlace(in);
    inPlace.push_back('\0');
    auto* bytes = reinterpret_cast<unsigned char*>(inPlace.data());
    inPlace.resize(StripComments(bytes, in.size(), filler, bytes));
    EXPECT_EQ(inPlace, out) << "in place: " << ::testing::PrintToString(in);
    return out;
}

TEST(Differential, CommentRemovalMatchesTheModel) {
    std::mt19937 rng(4);
    const unsigned char filler[] = {0, 0xFF};
    // Dense runs of markup bytes and lead bytes, where look-ahead and pairing decide everything.
    const std::string_view marks[] = {"<",    "!",    "-", "<!--", "-->",
                                      "\x81", "\xfe", ">", "a",    "\x80"};
    for (int round = 0; round < 20000; ++round) {
        std::string in;
        if (round % 4 == 0) {
            in = Soup(rng);
        } else if (round % 4 == 2) {
            for (int k = 0; k < 6; ++k) in += Soup(rng);  // long enough for the bulk copy
        } else {
            for (std::size_t k = rng() % 80; k > 0; --k) in += marks[rng() % std::size(marks)];
        }
        for (unsigned char f : filler) {
            ASSERT_EQ(Stripped(in, f), reference::StripComments(in, static_cast<char>(f)))
                << ::testing::PrintToString(in);
        }
    }
}

// Long runs of '<', '!' and '-' that mostly do not open a comment: the same result as the model,
// and (at megabytes) in time that grows with the input, not with its square.
TEST(Differential, LongMarkupRunsMatchTheModel) {
    std::mt19937 rng(13);
    const std::string_view marks[] = {"<", "!", "-", "<!<!--", "<<!--", "<!--", "-->", "\x81", "a"};
    for (int round = 0; round < 300; ++round) {
        std::string in;
        const std::size_t rare = 7 + rng() % 3;  // comments and other bytes now and then
        for (std::size_t k = 500 + rng() % 3000; k > 0; --k) {
            const std::size_t pick = rng() % std::size(marks);
            in += marks[pick < rare || rng() % 20 == 0 ? pick : rng() % 5];
        }
        ASSERT_EQ(Stripped(in, 0), reference::StripComments(in, '\0'))
            << ::testing::PrintToString(in);
    }
    for (const std::string_view unit : {"<!<!--", "<<!--", "\xd6\xd0<!<!--"}) {
        std::string run;
        for (std::size_t k = 0; k < (std::size_t(3) << 20) / unit.size(); ++k) run += unit;
        const std::string xml = "<r a=\"" + run + "\">text</r>";
        ASSERT_EQ(Stripped(xml, 0), xml);  // nothing in it opens a comment
        XmlTree tree;
        ASSERT_TRUE(tree.Load(toByteSet(xml)));
        EXPECT_EQ(tree.GetAttributeValue("r", "a"), run);
    }
}

// Every byte value ends a name, or does not, exactly as the model says, in element, end-tag and
// attribute names of any length.
TEST(Differential, NameBytesAtBlockEdges) {
    int loaded = 0;
    for (int byte = 1; byte < 256; ++byte) {
        const std::string b(1, static_cast<char>(byte));
        for (std::size_t k : {0, 1, 7, 16}) {
            const std::string name = "n" + std::string(k, 'x');
            for (const std::string& xml :
                 {"<r><" + name + b + " y=\"1\"/></r>",
                  "<r><" + name + b + "></" + name + b + "></r>",
                  "<r a" + name + b + "=\"1\" c=\"2\">t</r>", "<" + name + b + "/>"}) {
                ExpectSame(xml, loaded);
                if (HasFatalFailure()) return;
            }
        }
    }
    EXPECT_GT(loaded, 1000);
}

// The bulk copy works in blocks; openers, dashes and lead bytes placed on every offset around a
// block's edges must read as they do one character at a time.
TEST(Differential, CommentRemovalAtEveryOffset) {
    const std::string_view around[] = {"", "\x81", "\x81\x81", "<", "<!", "-", "\x80"};
    const std::string_view comments[] = {"<!--x-->", "<!-- \x81-->-->", "<!----->", "<!--\x81"};
    for (std::size_t offset = 0; offset < 150; ++offset) {
        for (std::string_view before : around) {
            for (std::string_view comment : comments) {
                std::string in(offset, 'a');
                in += before;
                in += comment;
                in += std::string(offset % 70, 'b') + "<!--y-->z";
                ASSERT_EQ(Stripped(in, 0), reference::StripComments(in, '\0'))
                    << ::testing::PrintToString(in);
            }
        }
    }
}

TEST(Differential, FileRoadMatchesTheModel) {
    std::mt19937 rng(1);
    const auto path = std::filesystem::temp_directory_path() /
                      ("quillon_xml_diff_" + std::to_string(::getpid()) + ".xml");
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        const std::string xml = round % 2 ? Generate(rng) : Soup(rng);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(xml.data(), std::streamsize(xml.size()));
        XmlTree fast;
        reference::Tree model;
        const bool ok = fast.Load(Text(path.string()));
        ASSERT_EQ(ok, model.Load(xml, true)) << ::testing::PrintToString(xml);
        if (ok) {
            ++loaded;
            ASSERT_EQ(testing::Dump(fast), testing::Dump(model)) << ::testing::PrintToString(xml);
        }
    }
    std::filesystem::remove(path);
    EXPECT_GT(loaded, 30);
}

}  // namespace
}  // namespace quillon::xml
