#include "ui/text_convert.h"

#include <algorithm>

#include "runtime/codepage.h"

namespace quillon::ui {
namespace {

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

}  // namespace

// ASCII is the same in every direction; skipping the converter for it keeps large documents fast.
QString ToQString(std::string_view gbk) {
    if (IsAscii(gbk)) return QString::fromLatin1(gbk.data(), static_cast<qsizetype>(gbk.size()));
    const std::u16string wide = codepage::gbkToUtf16(gbk);
    return QString(reinterpret_cast<const QChar*>(wide.data()),
                   static_cast<qsizetype>(wide.size()));
}

Text ToText(const QString& text) {
    if (IsAscii(text)) {
        const QByteArray latin = text.toLatin1();
        return Text(latin.constData(), static_cast<std::size_t>(latin.size()));
    }
    return codepage::utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                    static_cast<std::size_t>(text.size())));
}

Text ToCrLfText(const QString& rawText) {
    QString text = rawText;
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return ToText(text);
}

}  // namespace quillon::ui
