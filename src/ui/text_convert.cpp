#include "ui/text_convert.h"

#include "runtime/codepage.h"

namespace quillon::ui {
namespace {

std::u16string_view Units(QStringView text) {
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

}  // namespace

// The code page writes straight into the string's storage: no byte makes more than one unit.
QString ToQString(std::string_view gbk) {
    QString text(static_cast<qsizetype>(gbk.size()), Qt::Uninitialized);
    auto* units = reinterpret_cast<char16_t*>(text.data());
    text.truncate(static_cast<qsizetype>(codepage::gbkToUtf16(gbk, units)));
    return text;
}

Text ToText(const QString& text) {
    return codepage::utf16ToGbk(Units(text));
}

}  // namespace quillon::ui
