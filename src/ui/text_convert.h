#pragma once
// Crossing between the handlers' GBK bytes and Qt's UTF-16 strings, through GB18030, so any
// character a person types or pastes survives the trip.
#include <QString>
#include <string_view>

#include "runtime/text.h"

namespace quillon::ui {

QString ToQString(std::string_view gbk);
Text ToText(const QString& text);

}  // namespace quillon::ui
