#include "ui/text_box/text_box.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <algorithm>
#include <cctype>
#include <climits>

#include "ui/text_box/gb_bytes.h"
#include "ui/text_convert.h"

namespace quillon::ui {
namespace {

// Room between the frame and the text, as a document margin.
constexpr int kMargin = 4;
// Undo keeps at least the last step; older ones go once the kept bytes pass this.
constexpr std::size_t kHistoryBudget = std::size_t{128} << 20;

}  // namespace

TextBox::TextBox(QWidget* parent) : QAbstractScrollArea(parent) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

TextBox::~TextBox() = default;

Text TextBox::Content() const {
    return bytes_.Copy(0, bytes_.size());
}

void TextBox::SetContent(const Text& text) {
    Text canonical = gb::canonical(text);
    Text old = Content();
    if (old == canonical) return;
    const std::size_t size = canonical.size();
    bytes_.Assign(std::move(canonical));
    // Into an empty box there is nothing to bring back: the history starts afresh there.
    if (old.empty())
        history_.Clear();
    else
        history_.Record(0, std::move(old), size, EditHistory::Kind::kOther, kHistoryBudget);
    InvalidateLayout();
    cursor_ = anchor_ = 0;
    goalX_ = -1;
    verticalScrollBar()->setValue(0);
    Changed(false);
}

QString TextBox::toPlainText() const {
    return gb::toUnicode(Content());
}

void TextBox::setPlainText(const QString& text) {
    SetContent(gb::fromUnicode(text));
}

void TextBox::insertPlainText(const QString& text) {
    Edit(gb::fromUnicode(text), EditHistory::Kind::kOther);
}

void TextBox::SetSelection(std::size_t anchor, std::size_t position) {
    anchor_ = Snap(anchor);
    MoveCursor(position, true);
}

QString TextBox::SelectedText() const {
    return gb::toUnicode(bytes_.Copy(SelectionStart(), SelectionEnd()));
}

void TextBox::MarkBytes(std::size_t from, std::size_t to) {
    markFrom_ = Snap(from);
    markTo_ = std::max(markFrom_, Snap(to));
    if (markTo_ < std::min(to, bytes_.size())) markTo_ = Forward(markTo_);  // all of its last one
    anchor_ = cursor_ = markFrom_;
    goalX_ = -1;
    history_.Seal();
    EnsureCursorVisible();
    viewport()->update();
}

void TextBox::ClearMark() {
    if (markFrom_ == markTo_) return;
    markFrom_ = markTo_ = 0;
    viewport()->update();
}

void TextBox::undo() {
    if (EditHistory::Step* step = history_.Undo()) Swap(*step);
}

void TextBox::redo() {
    if (EditHistory::Step* step = history_.Redo()) Swap(*step);
}

void TextBox::cut() {
    if (SelectionStart() == SelectionEnd()) return;
    copy();
    DeleteRange(SelectionStart(), SelectionEnd(), EditHistory::Kind::kOther);
}

void TextBox::copy() const {
    if (SelectionStart() != SelectionEnd()) QApplication::clipboard()->setText(SelectedText());
}

void TextBox::paste() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty()) insertPlainText(text);
}

void TextBox::selectAll() {
    anchor_ = 0;
    MoveCursor(bytes_.size(), true);
}

// ---- Editing ----------------------------------------------------------------------------------

// The one place the text changes: the lines are laid out again from the line before the edit
// (whose last word may now fit or not) until they meet the old ones.
void TextBox::Replace(std::size_t at, std::size_t removed, std::string_view inserted) {
    if (!wrapper_) {
        bytes_.Replace(at, removed, inserted);
        return;
    }
    const std::size_t line = lines_.LineOf(at);
    bytes_.Replace(at, removed, inserted);
    lines_.Rewrap(line > 0 ? line - 1 : 0, at, removed, inserted.size(),
                  [this](std::size_t start) { return wrapper_->Next(bytes_, start); });
}

// The selection gives way to `bytes`; the cursor ends after them.
void TextBox::Edit(std::string_view bytes, EditHistory::Kind kind) {
    const std::size_t from = SelectionStart(), to = SelectionEnd();
    if (from == to && bytes.empty()) return;
    Text removed = bytes_.Copy(from, to);
    Replace(from, to - from, bytes);
    history_.Record(from, std::move(removed), bytes.size(), kind, kHistoryBudget);
    anchor_ = cursor_ = from + bytes.size();
    goalX_ = -1;
    Changed(true);
}

void TextBox::DeleteRange(std::size_t from, std::size_t to, EditHistory::Kind kind) {
    if (from == to) return;
    Text removed = bytes_.Copy(from, to);
    Replace(from, to - from, {});
    history_.Record(from, std::move(removed), 0, kind, kHistoryBudget);
    anchor_ = cursor_ = from;
    goalX_ = -1;
    Changed(true);
}

// Undo and redo alike: the step's bytes go into the text, the text's bytes into the step.
void TextBox::Swap(EditHistory::Step& step) {
    Text out = bytes_.Copy(step.at, step.at + step.length);
    Replace(step.at, step.length, step.other);
    step.length = step.other.size();
    step.other = std::move(out);
    anchor_ = cursor_ = step.at + step.length;
    goalX_ = -1;
    Changed(true);
}

void TextBox::Changed(bool byUser) {
    ++revision_;
    markFrom_ = markTo_ = 0;
    preedit_.clear();
    UpdateScrollBar();
    EnsureCursorVisible();
    ResetBlink();
    viewport()->update();
    if (byUser) emit edited();
}

// ---- Characters -------------------------------------------------------------------------------

std::size_t TextBox::Forward(std::size_t at) const {
    const std::size_t size = bytes_.size();
    if (at >= size) return size;
    const unsigned char next = at + 1 < size ? bytes_[at + 1] : 0;
    return std::min(size, at + gb::charSize(bytes_[at], next));
}

// Bytes are read forwards from a line start, the nearest place known to start a character.
std::size_t TextBox::Backward(std::size_t at) const {
    if (at == 0) return 0;
    if (at >= 2 && bytes_[at - 1] == '\n') return at - 2;
    EnsureLayout();
    std::size_t from = lines_.Start(lines_.LineOf(at - 1));
    for (std::size_t next; (next = Forward(from)) < at;) from = next;
    return from;
}

std::size_t TextBox::Snap(std::size_t at) const {
    at = std::min(at, bytes_.size());
    EnsureLayout();
    std::size_t from = lines_.Start(lines_.LineOf(at));
    for (std::size_t next; from < at && (next = Forward(from)) <= at;) from = next;
    return from;
}

// 0: white space and line breaks, 1: letters, digits, '_' and every non-ASCII character,
// 2: other punctuation.
int TextBox::CharClass(std::size_t at) const {
    const unsigned char c = bytes_[at];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return 0;
    if (c >= 0x80 || std::isalnum(c) || c == '_') return 1;
    return 2;
}

// Word moves stop at most a few lines away, so a text without spaces is never read whole.
std::size_t TextBox::WordEnd(std::size_t at) const {
    const std::size_t limit = std::min(bytes_.size(), at + Wrapper::kMaxLineBytes);
    while (at < limit && CharClass(at) == 0) at = Forward(at);
    if (at >= limit) return at;
    const int kind = CharClass(at);
    while (at < limit && CharClass(at) == kind) at = Forward(at);
    return at;
}

std::size_t TextBox::WordStart(std::size_t at) const {
    const std::size_t limit = at > Wrapper::kMaxLineBytes ? at - Wrapper::kMaxLineBytes : 0;
    std::size_t before = Backward(at);
    while (at > limit && CharClass(before) == 0) at = before, before = Backward(at);
    if (at <= limit) return at;
    const int kind = CharClass(before);
    while (at > limit && CharClass(before) == kind) at = before, before = Backward(at);
    return at;
}

// ---- Lines ------------------------------------------------------------------------------------

void TextBox::InvalidateLayout() {
    wrapper_.reset();
    viewport()->update();
}

void TextBox::EnsureLayout() const {
    const qreal width = WrapWidth();
    if (wrapper_ && wrapper_->Width() == std::max<qreal>(width, 1)) return;
    wrapper_ = std::make_unique<Wrapper>(font(), width);
    lines_.Reset(wrapper_->All(bytes_.Contiguous()), bytes_.size());
    UpdateScrollBar();
}

TextBox::Shown TextBox::Line(std::size_t line) const {
    EnsureLayout();
    Shown shown;
    shown.start = lines_.Start(line);
    std::size_t end = lines_.End(line);
    if (end >= shown.start + 2 && bytes_[end - 1] == '\n') end -= 2;
    shown.bytes = bytes_.Copy(shown.start, end);
    shown.text = ToQString(shown.bytes);
    return shown;
}

int TextBox::Shown::Units(std::size_t at) const {
    at -= std::min(at, start);
    int units = 0;
    for (std::size_t i = 0; i < at && i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t size =
            gb::charSize(lead, i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0);
        units += gb::unitCount(lead, size);
        i += size;
    }
    return std::min<int>(units, text.size());
}

std::size_t TextBox::Shown::Bytes(int units) const {
    std::size_t i = 0;
    for (int done = 0; done < units && i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t size =
            gb::charSize(lead, i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0);
        done += gb::unitCount(lead, size);
        i += size;
    }
    return start + std::min(i, bytes.size());
}

void TextBox::Lay(QTextLayout& layout, const Shown& shown) const {
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(Wrapper::kTabStop);
    layout.setText(shown.text);
    layout.setFont(font());
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setPosition({0, 0});
    layout.endLayout();
}

// ---- Geometry ---------------------------------------------------------------------------------

int TextBox::LineHeight() const {
    return std::max(1, fontMetrics().lineSpacing());
}

int TextBox::VisibleLines() const {
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

int TextBox::FirstLine() const {
    return verticalScrollBar()->value();
}

int TextBox::LineTop(std::size_t line) const {
    return kMargin + (static_cast<int>(line) - FirstLine()) * LineHeight();
}

qreal TextBox::WrapWidth() const {
    return viewport()->width() - 2 * kMargin;
}

void TextBox::UpdateScrollBar() const {
    if (!wrapper_) return;
    QScrollBar* bar = verticalScrollBar();
    const int visible = VisibleLines();
    const auto count = static_cast<int>(std::min<std::size_t>(lines_.Count(), INT_MAX));
    bar->setRange(0, std::max(0, count - visible));
    bar->setPageStep(visible);
    bar->setSingleStep(1);
}

std::size_t TextBox::HitTest(QPoint point) const {
    EnsureLayout();
    const int row =
        FirstLine() + (point.y() - kMargin) / LineHeight() - (point.y() < kMargin ? 1 : 0);
    const std::size_t line =
        std::clamp<long long>(row, 0, static_cast<long long>(lines_.Count()) - 1);
    const Shown shown = Line(line);
    QTextLayout layout;
    Lay(layout, shown);
    const int units = layout.lineAt(0).xToCursor(point.x() - kMargin);
    return shown.Bytes(units);
}

qreal TextBox::CursorX() const {
    const Shown shown = Line(lines_.LineOf(cursor_));
    QTextLayout layout;
    Lay(layout, shown);
    return layout.lineAt(0).cursorToX(shown.Units(cursor_));
}

QRect TextBox::cursorRect() const {
    EnsureLayout();
    const int top = LineTop(lines_.LineOf(cursor_));
    return QRect(kMargin + static_cast<int>(CursorX()), top, 1, LineHeight());
}

void TextBox::EnsureCursorVisible() {
    if (!wrapper_) {
        if (!isVisible()) return;  // laid out, and scrolled, once shown
        EnsureLayout();
    }
    const int line = static_cast<int>(lines_.LineOf(cursor_));
    QScrollBar* bar = verticalScrollBar();
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + VisibleLines())
        bar->setValue(line - VisibleLines() + 1);
}

}  // namespace quillon::ui
