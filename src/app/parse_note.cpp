#include "app/parse_note.h"

#include <string>
#include <string_view>

namespace quillon::app {
namespace {

std::string_view Reason(xml::ParseStatus status) {
    using xml::ParseStatus;
    switch (status) {
        case ParseStatus::EmptyInput:
            return "\xCE\xC4\xB1\xBE\xCE\xAA\xBF\xD5";  // 文本为空
        case ParseStatus::NoElement:                    // 文本中没有元素
            return "\xCE\xC4\xB1\xBE\xD6\xD0\xC3\xBB\xD3\xD0\xD4\xAA\xCB\xD8";
        case ParseStatus::LtInsideTag:  // 标签里出现了“<”
            return "\xB1\xEA\xC7\xA9\xC0\xEF\xB3\xF6\xCF\xD6\xC1\xCB\xA1\xB0<\xA1\xB1";
        case ParseStatus::GtOutsideTag:  // 标签外出现了“>”
            return "\xB1\xEA\xC7\xA9\xCD\xE2\xB3\xF6\xCF\xD6\xC1\xCB\xA1\xB0>\xA1\xB1";
        case ParseStatus::BadName:
            return "\xD4\xAA\xCB\xD8\xC3\xFB\xCE\xDE\xD0\xA7";  // 元素名无效
        case ParseStatus::BadAttribute:                         // 属性写法有误
            return "\xCA\xF4\xD0\xD4\xD0\xB4\xB7\xA8\xD3\xD0\xCE\xF3";
        case ParseStatus::EndTagWithoutStart:  // 结束标签没有对应的开始标签
            return "\xBD\xE1\xCA\xF8\xB1\xEA\xC7\xA9\xC3\xBB\xD3\xD0\xB6\xD4\xD3\xA6\xB5\xC4\xBF"
                   "\xAA"
                   "\xCA\xBC\xB1\xEA\xC7\xA9";
        case ParseStatus::EndTagMismatch:  // 结束标签与开始标签不一致
            return "\xBD\xE1\xCA\xF8\xB1\xEA\xC7\xA9\xD3\xEB\xBF\xAA\xCA\xBC\xB1\xEA\xC7\xA9\xB2"
                   "\xBB"
                   "\xD2\xBB\xD6\xC2";
        case ParseStatus::UnclosedElement:  // 元素没有结束标签
            return "\xD4\xAA\xCB\xD8\xC3\xBB\xD3\xD0\xBD\xE1\xCA\xF8\xB1\xEA\xC7\xA9";
        case ParseStatus::EndInsideTag:  // 文本在标签中间结束
            return "\xCE\xC4\xB1\xBE\xD4\xDA\xB1\xEA\xC7\xA9\xD6\xD0\xBC\xE4\xBD\xE1\xCA\xF8";
        case ParseStatus::EndInsideComment:  // 注释没有结束
            return "\xD7\xA2\xCA\xCD\xC3\xBB\xD3\xD0\xBD\xE1\xCA\xF8";
        case ParseStatus::FileUnreadable:  // 文件无法读取
            return "\xCE\xC4\xBC\xFE\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1";
        case ParseStatus::TooLarge:
            return "\xCE\xC4\xB1\xBE\xB9\xFD\xB4\xF3";  // 文本过大
        case ParseStatus::OutOfMemory:
            return "\xC4\xDA\xB4\xE6\xB2\xBB\xD7\xE3";  // 内存不足
        case ParseStatus::Ok:
            break;
    }
    return "\xCE\xDE\xB7\xA8\xBD\xE2\xCE\xF6";  // 无法解析
}

}  // namespace

SourceRange FailureRange(ByteView source, std::size_t offset) {
    if (offset >= source.size()) return {source.size(), source.size()};
    if (source[offset] != '<') return {offset, offset + gbCharSize(asChars(source), offset)};
    std::size_t at = offset + 1;
    for (char quote = 0; at < source.size(); ++at) {
        const char c = static_cast<char>(source[at]);
        if (quote == 0 && (c == '\r' || c == '\n' || c == '<')) return {offset, at};
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return {offset, at + 1};
        }
    }
    return {offset, at};
}

Text FailureNote(ByteView source, const xml::ParseResult& result) {
    const xml::TextPosition at = xml::PositionOf(source, result.offset);
    Text note = "\xB5\xDA";  // 第
    note += std::to_string(at.line);
    note += "\xD0\xD0\xB5\xDA";  // 行第
    note += std::to_string(at.column);
    note += "\xC1\xD0\xA3\xBA";  // 列：
    note += Reason(result.status);
    return note;
}

}  // namespace quillon::app
