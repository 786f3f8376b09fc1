#pragma once
// The bytes of a text file and the GB18030 text they hold, both ways.
//
// Reading decides the encoding in this order: a byte order mark (UTF-8, UTF-16 LE or BE); else a
// declaration written in UTF-16 without a mark ("<?" as two-byte units); else the encoding that
// the XML declaration names (utf-8; gbk, gb2312, gb18030 and cp936 read as GB18030; any other
// name iconv knows); else UTF-8 when the bytes are valid UTF-8, else GB18030. Bytes that are not
// valid in the encoding so decided, and the character U+0000 (which no XML text holds, and which
// marks binary files), refuse the whole file: nothing is replaced or dropped.
//
// Writing uses the encoding that the text's own declaration names, and refuses a text with a
// character that encoding cannot hold.
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace quillon::textfile {

// How a file wrote what Decode took away, so Encode can write it back the same way.
struct Form {
    bool byteOrderMark = false;  // the file began with a byte order mark
    bool bigEndian = false;      // UTF-16 without LE/BE in its name: the byte order read
    bool lineFeedsOnly = false;  // the first line break was LF alone (else CR LF)
};

enum class DecodeError {
    kNone,
    kInvalidBytes,         // `offset` is the first byte that the encoding does not allow
    kNulCharacter,         // U+0000 at `offset`
    kUnknownEncoding,      // the declaration names an encoding that cannot be read
    kDeclarationMismatch,  // read in the named encoding, the text no longer holds its declaration
};

struct Decoded {
    DecodeError error = DecodeError::kNone;
    Text text;             // GB18030, with the file's line breaks; empty on error
    std::string encoding;  // the encoding used: "UTF-8", "UTF-16LE", "GB18030", or a declared name
    Form form;
    std::size_t offset = 0;  // on error: byte offset in the file, after any byte order mark
    std::size_t line = 0;    // on error: 1-based line of `offset`
};

// `bytes` is taken by value: a GB18030 file becomes the text without a copy.
Decoded Decode(std::string bytes);

enum class EncodeError {
    kNone,
    kUnknownEncoding,  // the declaration names an encoding that iconv cannot write
    kUnrepresentable,  // `character` on `line` has no code in `encoding`
};

struct Encoded {
    EncodeError error = EncodeError::kNone;
    std::string bytes;
    std::string encoding;    // as for Decoded
    char32_t character = 0;  // on kUnrepresentable
    std::size_t line = 0;    // on kUnrepresentable: 1-based
};

// `text` is GB18030 with CR LF line breaks (as the source box hands it out); `form` says which
// breaks and marks to write.
Encoded Encode(std::string_view text, const Form& form);

// The encoding name in the XML declaration that starts `text` (after white space), exactly as
// written; empty when there is no declaration or it names none. A name that is not spelled as
// encoding names are (a letter, then letters, digits, '.', '_' and '-') is unknown to both
// directions.
std::string_view DeclaredEncoding(std::string_view text);

}  // namespace quillon::textfile
