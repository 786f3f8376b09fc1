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

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent) {
    Dress(*this);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(WidgetWidth);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    FollowDocument();
}

void TextBox::FollowDocument() const {
    disconnect(following_);
    content_.emplace(*document());
    followed_ = document();
    following_ =
        connect(document(), &QTextDocument::contentsChange, this,
                [this](int position, int, int added) { content_->Changed(position, added); });
}

// Every character comes back as typed (no-break spaces too); block separators become CR LF.
Text TextBox::Content() const {
    if (followed_ != document()) FollowDocument();
    return content_->Bytes();
}

void TextBox::SetContent(const Text& text) {
    setPlainText(ToQString(text));
}

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
