#include "ui/edit_boxes.h"

#include <limits>

#include "ui/text_convert.h"

namespace quillon::ui {
namespace {

// Black on white; the selection disappears while the box has no focus.
void Dress(QWidget& box) {
    QPalette colours = box.palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    colours.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
    box.setPalette(colours);
}

}  // namespace

LineBox::LineBox(QWidget* parent) : QLineEdit(parent) {
    Dress(*this);
    setMaxLength(std::numeric_limits<int>::max());  // paths of deep documents are long
}

Text LineBox::Content() const {
    return ToText(text());
}

void LineBox::SetContent(const Text& text) {
    setText(ToQString(text));
}

}  // namespace quillon::ui
