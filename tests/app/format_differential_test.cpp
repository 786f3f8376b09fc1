// The native formatter against the reference script (format_reference.js) run in the project's
// script engine: both must give the same bytes for the same text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/format_xml.h"
#include "app/sample_text.h"
#include "runtime/codepage.h"
#include "script/script_host.h"

namespace quillon::app {
namespace {

std::string readReference() {
    std::ifstream file(QUILLON_SOURCE_DIR "/tests/app/format_reference.js", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Shows control characters and non-ASCII bytes, so that a failing case can be read and pasted.
std::string visible(std::string_view text) {
    static const char* const kNames[] = {"\\t", "\\n", "\\v", "\\f", "\\r"};
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c >= '\t' && c <= '\r') {
            out += kNames[c - '\t'];
        } else if (byte < 0x20 || byte >= 0x7F || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

class ReferenceScript : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        host_ = new script::ScriptHost;
        host_->Initialize();
        host_->Timeout(-1);
        loaded_ = host_->ExecuteStatement(readReference());
    }
    static void TearDownTestSuite() {
        host_->Destroy();
        delete host_;
        host_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(loaded_) << "the reference script did not load"; }

    // True when both give the same text; the case is shown otherwise.
    static ::testing::AssertionResult sameResult(std::string_view input) {
        const Text scripted = host_->Run("formatXml", input);
        const Text native = formatXml(input);
        if (scripted == native) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "input:  \"" << visible(input) << "\"\nscript: \"" << visible(scripted)
               << "\"\nnative: \"" << visible(native) << "\"";
    }

    static script::ScriptHost* host_;
    static bool loaded_;
};

script::ScriptHost* ReferenceScript::host_ = nullptr;
bool ReferenceScript::loaded_ = false;

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

TEST_F(ReferenceScript, TheScriptItselfGivesTheWorkedExample) {
    const Text result = host_->Run("formatXml", kSampleText);
    EXPECT_EQ(std::count(result.begin(), result.end(), '\n'), 6) << visible(result);
    EXPECT_TRUE(sameResult(kSampleText));
}

TEST_F(ReferenceScript, AgreesOnTheEdgeCases) {
    const std::vector<std::string> cases = {
        "",
        "just text  \r\n\t ",
        "<a></a>",
        "<ab></ab>",
        "<a>\r\n<b>x</b>\r\n</a>",
        "<r><a><b/><c/></a><d/></r>",
        "<r><a x=\"1\"/><b\ty='2'>t</b></r>",
        "<r><t>line one\r\nline two</t><u/></r>",
        "<r><t\r\n   x=\"1\"\r\n   y=\"2\">v</t><u/></r>",
        "<r><!-- c1 --><a/>  <!--\r\n   two\r\n     lines\r\n--></r>",
        "<r>\r\n  <!-- a <b> c -->\r\n  <x/>\r\n</r>",
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE r>\r\n<r><![CDATA[ <a> ]]></r>",
        "<r><!----><!-- x --></r>",
        "<r><!-- unterminated <a/></r>",
        "<r>\r\n\r\n<a/>\r\n</r>\r\n\r\n",
        "<r><a/ ><b / ></r>",
        "< a>< /a><>< ></a>",
        "<r>a\rb\rc</r>",
        "<a>\v\f<b>\f</b>\v</a>",
        "<r><a>x</a><a>y</a></r><r/>",
        "<r><x></x></r></r></r><y/>",
        "<a b='1'><a><a/></a></a>",
        "\n<\n<a>\n<\n/a>",
        "<r><!-- x\r\n\r\n   y\r\n --></r>",
        G("<根 名=\"值\">早安\r\n<子/></根>"),
        G("<r>\u3000<a>\u3000</a>\u3000</r>"),  // full-width space is no white space
    };
    for (const std::string& input : cases) EXPECT_TRUE(sameResult(input));
}

// XML-like texts, well-formed or not: the pieces a pasted document is made of, with the white
// space, line breaks and characters that the rules treat specially.
class TextGenerator {
  public:
    explicit TextGenerator(std::uint32_t seed) : rng_(seed) {}

    std::string next() {
        std::string text;
        open_.clear();
        const int pieces = 1 + pick(24);
        for (int i = 0; i < pieces; ++i) {
            text += piece();
            if (chance(40)) text += space();
        }
        while (!open_.empty() && chance(80)) text += closeTag();
        return text;
    }

  private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    template <std::size_t N>
    std::string_view oneOf(const std::string_view (&items)[N]) {
        return items[pick(static_cast<int>(N))];
    }

    std::string name() {
        static const std::string_view kKnown[] = {"a", "b", "ab", "item", "title", "x_1", "msg"};
        if (chance(60)) return std::string(oneOf(kKnown));
        std::string out;
        const int length = 1 + pick(8);
        for (int i = 0; i < length; ++i) out += static_cast<char>('a' + pick(26));
        return out;
    }
    std::string space() {
        static const std::string_view kSpaces[] = {" ",  "  ",       "\r\n", "\n",
                                                   "\t", "\r\n    ", "\v",   "\f",
                                                   "\r", "\r\n\r\n", " \t ", "\n\t"};
        return std::string(oneOf(kSpaces));
    }
    // Text between tags: ASCII, GBK with letters as second bytes, a character outside the BMP.
    std::string words() {
        static const std::string_view kWords[] = {
            "text",
            "a b",
            "x=1",
            "\xD4\xE7\xB0\xB2",
            "\x81\x41\x95\x5F",
            "\xAA\x61",
            "\x95\x32\x82\x36",
            "a/b",
            "1 > 0",
            "&amp;",
            "-",
            "--",
            "?",
            "!",
        };
        std::string out(oneOf(kWords));
        if (chance(30)) out += space() + std::string(oneOf(kWords));
        return out;
    }
    std::string attributes() {
        std::string out;
        const int count = pick(4);
        for (int i = 0; i < count; ++i) {
            out += chance(80) ? space() : "";
            out += name() + "=";
            out += chance(70) ? "\"" + valueText() + "\"" : "'" + valueText() + "'";
        }
        if (chance(20)) out += space();
        return out;
    }
    std::string valueText() {
        static const std::string_view kValues[] = {
            "1", "", "a b", "x/>y", "\xCE\xD2 k=v", "<t>", "#ff6644", "a\r\nb"};
        return std::string(oneOf(kValues));
    }
    std::string startTag() {
        std::string n = name();
        std::string tag = "<" + n + attributes();
        if (chance(25)) {
            tag += chance(50) ? "/>" : " />";
            return tag;
        }
        tag += chance(10) ? space() + ">" : ">";
        open_.push_back(n);
        if (chance(25)) tag += words() + closeTag();  // text and end tag on the same line
        return tag;
    }
    std::string closeTag() {
        if (open_.empty() || chance(10)) return "</" + name() + ">";
        std::string tag = "</" + open_.back() + (chance(10) ? " >" : ">");
        open_.pop_back();
        return tag;
    }
    std::string comment() {
        static const std::string_view kInside[] = {
            " note ", "<a>x</a>",   "\r\n   two\r\n  lines\r\n",
            "-",      " a -- b ",   "\xB0\xA1 % %41",
            "",       "<!-- inner", "\r\n\r\n",
            "x/>",    "\t"};
        std::string body(oneOf(kInside));
        if (chance(40)) body += oneOf(kInside);
        return "<!--" + body + (chance(90) ? "-->" : "->");
    }
    std::string special() {
        static const std::string_view kSpecial[] = {"<?xml version=\"1.0\" encoding=\"gb2312\"?>",
                                                    "<!DOCTYPE r>",
                                                    "<![CDATA[ <a> & ]]>",
                                                    "<?pi x?>",
                                                    "<",
                                                    ">",
                                                    "< a>",
                                                    "</>",
                                                    "<a/ >",
                                                    "<!>",
                                                    "<!DOCTYPE r [\r\n<!ELEMENT r ANY>\r\n]>"};
        return std::string(oneOf(kSpecial));
    }
    std::string piece() {
        switch (pick(10)) {
            case 0:
            case 1:
            case 2:
                return startTag();
            case 3:
            case 4:
                return closeTag();
            case 5:
            case 6:
                return words();
            case 7:
                return comment();
            case 8:
                return special();
            default:
                return space() + startTag();
        }
    }

    std::mt19937 rng_;
    std::vector<std::string> open_;
};

TEST_F(ReferenceScript, AgreesOnGeneratedTexts) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kTexts = 500;  // the engine's regular expressions are slow under the sanitizer
#else
    constexpr int kTexts = 3000;
#endif
    TextGenerator generator(20261208);
    int failures = 0;
    for (int i = 0; i < kTexts && failures < 5; ++i) {
        const std::string input = generator.next();
        const ::testing::AssertionResult same = sameResult(input);
        EXPECT_TRUE(same) << "text " << i;
        if (!same) ++failures;
    }
}

// Short runs of the characters the rules react to, in any order: the corners of every pattern.
TEST_F(ReferenceScript, AgreesOnScrambledMarkup) {
    static const std::string_view kAtoms[] = {
        "<",  ">",    "/",  "!",        "-",        "?",    " ",   "\t",   "\r",
        "\n", "\r\n", "\v", "a",        "b",        "ab",   "=",   "\"",   "%",
        "x",  "_",    "1",  "\xB0\xA1", "\x81\x41", "<!--", "-->", "</a>", "/>"};
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kTexts = 1000;
#else
    constexpr int kTexts = 4000;
#endif
    std::mt19937 rng(7);
    int failures = 0;
    for (int i = 0; i < kTexts && failures < 5; ++i) {
        std::string input;
        for (int length = static_cast<int>(rng() % 40); length > 0; --length)
            input += kAtoms[rng() % std::size(kAtoms)];
        const ::testing::AssertionResult same = sameResult(input);
        EXPECT_TRUE(same) << "text " << i;
        if (!same) ++failures;
    }
}

}  // namespace
}  // namespace quillon::app
