#include "runtime/text_file.h"

#include <gtest/gtest.h>

#include <random>

#include "runtime/codepage.h"

namespace quillon::textfile {
namespace {

using std::string_literals::operator""s;

Text G(std::string_view utf8) {
    return codepage::utf8ToGbk(utf8);
}

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

std::string BigEndianUnits(std::string_view ascii) {
    std::string out;
    for (const char c : ascii) out += "00" + Hex(std::string_view(&c, 1));
    return out;
}

// Every road a file can take in; on success the text is given in UTF-8, on failure the offset
// and line of the fault.
TEST(TextFileDecode, EveryRoad) {
    const std::string gbBytes = G("<a>中文</a>");
    const std::string emoji = G("😀");  // a four-byte GB18030 character
    struct Row {
        const char* what;
        std::string bytes;
        DecodeError error;
        std::string encoding;
        std::string utf8;  // on success
        std::size_t offset = 0, line = 0;
    } rows[] = {
        {"UTF-8 mark", "\xEF\xBB\xBF<a>\xC3\xA9</a>", DecodeError::kNone, "UTF-8", "<a>é</a>"},
        {"UTF-16 LE mark", "\xFF\xFE<\0a\0>\0\x2D\x4E"s, DecodeError::kNone, "UTF-16LE", "<a>中"},
        {"UTF-16 BE mark", "\xFE\xFF\0<\xD8\x3D\xDE\x00"s, DecodeError::kNone, "UTF-16BE", "<😀"},
        {"UTF-16 LE, no mark", "<\0?\0x\0"s, DecodeError::kNone, "UTF-16LE", "<?x"},
        {"mark beats declaration", "\xEF\xBB\xBF<?xml version='1.0' encoding='gbk'?>\xC3\xA9",
         DecodeError::kNone, "UTF-8", "<?xml version='1.0' encoding='gbk'?>é"},
        {"declared gbk", "<?xml version=\"1.0\" encoding=\"gbk\"?>" + gbBytes, DecodeError::kNone,
         "GB18030", "<?xml version=\"1.0\" encoding=\"gbk\"?><a>中文</a>"},
        {"declared GB2312", "<?xml version='1.0' encoding = 'GB2312' ?>" + emoji,
         DecodeError::kNone, "GB18030", "<?xml version='1.0' encoding = 'GB2312' ?>😀"},
        {"declared iso-8859-1", "<?xml version='1.0' encoding='iso-8859-1'?>\xE9",
         DecodeError::kNone, "iso-8859-1", "<?xml version='1.0' encoding='iso-8859-1'?>é"},
        {"no declaration, UTF-8", "<a>\xE4\xB8\xAD</a>", DecodeError::kNone, "UTF-8", "<a>中</a>"},
        {"no declaration, GB18030", gbBytes, DecodeError::kNone, "GB18030", "<a>中文</a>"},
        {"empty file", "", DecodeError::kNone, "UTF-8", ""},
        {"declared utf-8, GB bytes", "<?xml version='1.0' encoding='utf-8'?>\n" + gbBytes,
         DecodeError::kInvalidBytes, "UTF-8", "", 42, 2},
        {"declared utf-8, overlong", "<?xml version='1.0' encoding='UTF8'?>\xC0\xAF",
         DecodeError::kInvalidBytes, "UTF-8", "", 37, 1},
        {"UTF-8 mark, invalid byte",
         "\xEF\xBB\xBF"
         "a\n\xFF",
         DecodeError::kInvalidBytes, "UTF-8", "", 5, 2},
        {"neither UTF-8 nor GB18030", "a\nb\n\x80", DecodeError::kInvalidBytes, "GB18030", "", 4,
         3},
        {"GB18030 four bytes past the end", "\x84\x31\xA5\x30", DecodeError::kInvalidBytes,
         "GB18030", "", 0, 1},
        {"NUL byte", "<a>\0\0\0</a>"s, DecodeError::kNulCharacter, "UTF-8", "", 3, 1},
        {"lone surrogate",
         "\xFF\xFE\x00\xD8"
         "a\0"s,
         DecodeError::kInvalidBytes, "UTF-16LE", "", 2, 1},
        {"odd UTF-16 length", "\xFE\xFF\0a\0"s, DecodeError::kInvalidBytes, "UTF-16BE", "", 4, 1},
        {"unknown name", "<?xml version='1.0' encoding='no-such-code'?>",
         DecodeError::kUnknownEncoding, "no-such-code", ""},
        {"name with iconv suffix", "<?xml version='1.0' encoding='ascii//IGNORE'?>",
         DecodeError::kUnknownEncoding, "ascii//IGNORE", ""},
        {"EBCDIC named in ASCII", "<?xml version='1.0' encoding='cp1047'?><a/>",
         DecodeError::kDeclarationMismatch, "cp1047", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Decoded decoded = Decode(row.bytes);
        EXPECT_EQ(decoded.error, row.error);
        EXPECT_EQ(decoded.encoding, row.encoding);
        if (row.error == DecodeError::kNone) {
            EXPECT_EQ(decoded.text, G(row.utf8));
        } else {
            EXPECT_EQ(decoded.text, "");
            EXPECT_EQ(decoded.offset, row.offset);
            EXPECT_EQ(decoded.line, row.line);
        }
    }
}

TEST(TextFileEncode, EveryRoadAndRefusal) {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"";
    struct Row {
        const char* what;
        std::string utf8;
        Form form;
        EncodeError error;
        std::string hex;  // the bytes written, on success
        char32_t character = 0;
        std::size_t line = 0;
    } rows[] = {
        {"no declaration: UTF-8", "é\r\n", {}, EncodeError::kNone, "C3A90D0A"},
        {"utf-8 with its mark, LF",
         decl + "utf-8\"?>\r\n",
         {true, false, true},
         EncodeError::kNone,
         "EFBBBF" + Hex(decl) + Hex("utf-8\"?>\n")},
        {"gb18030 as the box holds it",
         decl + "GBK\"?>中",
         {},
         EncodeError::kNone,
         Hex(decl) + Hex("GBK\"?>") + "D6D0"},
        {"utf-16 keeps the order read",
         "<?xml encoding='utf-16'?>",
         {true, true, false},
         EncodeError::kNone,
         "FEFF" + BigEndianUnits("<?xml encoding='utf-16'?>")},
        {"latin-1",
         decl + "ISO-8859-1\"?>é",
         {},
         EncodeError::kNone,
         Hex(decl) + Hex("ISO-8859-1\"?>") + "E9"},
        {"latin-1 refuses",
         decl + "ISO-8859-1\"?>\r\né\r\nx中",
         {},
         EncodeError::kUnrepresentable,
         "",
         U'中',
         3},
        {"ascii refuses the emoji",
         decl + "US-ASCII\"?>😀",
         {},
         EncodeError::kUnrepresentable,
         "",
         U'😀',
         1},
        {"unknown name", decl + "no-such-code\"?>", {}, EncodeError::kUnknownEncoding, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Encoded encoded = Encode(G(row.utf8), row.form);
        EXPECT_EQ(encoded.error, row.error);
        EXPECT_EQ(Hex(encoded.bytes), row.error == EncodeError::kNone ? row.hex : "");
        EXPECT_EQ(encoded.character, row.character);
        EXPECT_EQ(encoded.line, row.line);
    }
}

// What is written reads back as the same text, byte for byte the same file when written again,
// for random texts in every encoding that holds them all.
TEST(TextFileRoundTrip, WriteReadWriteIsStable) {
    const std::vector<std::string> pieces = {"a", "<", "\r\n", "中", "é", "😀", "𠀀", " ", "x\ty"};
    const std::vector<std::string> names = {"",      "utf-8",  "UTF-8",    "gbk",     "gb18030",
                                            "cp936", "utf-16", "UTF-16LE", "utf-16be"};
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string utf8;
        const std::string& name = names[round % names.size()];
        if (!name.empty()) utf8 = "<?xml version=\"1.0\" encoding=\"" + name + "\"?>";
        for (int k = random() % 40; k > 0; --k) utf8 += pieces[random() % pieces.size()];
        const Form form{round % 3 == 0, round % 4 == 0, round % 5 == 0};
        const Text text = G(utf8);
        const Encoded first = Encode(text, form);
        ASSERT_EQ(first.error, EncodeError::kNone) << utf8;
        const Decoded read = Decode(first.bytes);
        ASSERT_EQ(read.error, DecodeError::kNone) << utf8;
        const Encoded second = Encode(read.text, read.form);
        EXPECT_EQ(Hex(second.bytes), Hex(first.bytes)) << utf8;
        if (!form.lineFeedsOnly) {
            EXPECT_EQ(read.text, text) << utf8;
        }
    }
}

}  // namespace
}  // namespace quillon::textfile
