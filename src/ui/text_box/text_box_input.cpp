// The text box's painting and its answers to keys, the mouse, input methods and the menu.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include "ui/text_box/text_box.h"

namespace quillon::ui {
namespace {

constexpr int kMargin = 4;
const QColor kMarkColour(255, 214, 102);

struct KeyMove {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    int target;
};

// Both of the usual redo keys, whatever the platform's own.
bool IsRedoKey(const QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Y && mods == Qt::ControlModifier) ||
           (event->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
}

QString Translated(const char* text, QKeySequence::StandardKey key) {
    QString label = QCoreApplication::translate("QWidgetTextControl", text);
    if (key != QKeySequence::UnknownKey)
        label += QLatin1Char('\t') + QKeySequence(key).toString(QKeySequence::NativeText);
    return label;
}

}  // namespace

// ---- Painting ---------------------------------------------------------------------------------

void TextBox::paintEvent(QPaintEvent*) {
    EnsureLayout();
    QPainter painter(viewport());
    const std::size_t first = static_cast<std::size_t>(FirstLine());
    const std::size_t last =
        std::min(lines_.Count(), first + static_cast<std::size_t>(VisibleLines()) + 1);
    const std::size_t selFrom = SelectionStart(), selTo = SelectionEnd();
    const bool focused = focusShown_;
    const std::size_t cursorLine = lines_.LineOf(cursor_);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Active, QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::Active, QPalette::HighlightedText));
    QTextCharFormat marked;
    marked.setBackground(kMarkColour);
    for (std::size_t line = first; line < last; ++line) {
        const Shown shown = Line(line);
        const std::size_t end = shown.start + shown.bytes.size();
        QTextLayout layout;
        if (line == cursorLine && !preedit_.isEmpty())
            layout.setPreeditArea(shown.Units(cursor_), preedit_);
        Lay(layout, shown);
        QList<QTextLayout::FormatRange> formats;
        auto add = [&](std::size_t from, std::size_t to, const QTextCharFormat& format) {
            if (from >= to || to <= shown.start || from > end) return;
            const int a = shown.Units(std::max(from, shown.start));
            const int b = shown.Units(std::min(to, end));
            if (b > a) formats.push_back({a, b - a, format});
        };
        add(markFrom_, markTo_, marked);
        if (focused) add(selFrom, selTo, selected);
        const QPointF origin(kMargin, LineTop(line));
        layout.draw(&painter, origin, formats);
        if (line == cursorLine && focused && blinkOn_)
            layout.drawCursor(&painter, origin, shown.Units(cursor_) + preedit_.size(), 1);
    }
}

void TextBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
    viewport()->update();
}

void TextBox::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) InvalidateLayout();
}

void TextBox::scrollContentsBy(int, int) {
    viewport()->update();
}

void TextBox::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blink_.timerId()) {
        blinkOn_ = !blinkOn_;
        viewport()->update(cursorRect().adjusted(-2, 0, 2, 0));
    } else if (event->timerId() == dragScroll_.timerId()) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (dragPoint_.y() < 0 ? -1 : 1));
        DragTo(dragPoint_);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TextBox::ResetBlink() {
    blinkOn_ = true;
    const int period = QApplication::cursorFlashTime() / 2;
    if (hasFocus() && period > 0)
        blink_.start(period, this);
    else
        blink_.stop();
}

void TextBox::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    focusShown_ = true;
    ResetBlink();
    viewport()->update();
}

void TextBox::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    focusShown_ = event->reason() == Qt::PopupFocusReason;
    blink_.stop();
    viewport()->update();
}

// ---- Keys -------------------------------------------------------------------------------------

void TextBox::MoveCursor(std::size_t to, bool select) {
    cursor_ = Snap(to);
    if (!select) anchor_ = cursor_;
    history_.Seal();
    EnsureCursorVisible();
    ResetBlink();
    viewport()->update();
}

std::size_t TextBox::Target(Move move) const {
    EnsureLayout();
    const std::size_t line = lines_.LineOf(cursor_);
    auto lineAt = [&](long long row) {
        const std::size_t target =
            std::clamp<long long>(row, 0, static_cast<long long>(lines_.Count()) - 1);
        const Shown shown = Line(target);
        QTextLayout layout;
        Lay(layout, shown);
        const qreal x = goalX_ >= 0 ? goalX_ : CursorX();
        return shown.Bytes(layout.lineAt(0).xToCursor(x));
    };
    const auto row = static_cast<long long>(line);
    switch (move) {
        case Move::kNextChar:
            return Forward(cursor_);
        case Move::kPreviousChar:
            return Backward(cursor_);
        case Move::kNextWord:
            return WordEnd(cursor_);
        case Move::kPreviousWord:
            return WordStart(cursor_);
        case Move::kNextLine:
            return line + 1 < lines_.Count() ? lineAt(row + 1) : bytes_.size();
        case Move::kPreviousLine:
            return line > 0 ? lineAt(row - 1) : 0;
        case Move::kNextPage:
            return lineAt(row + VisibleLines());
        case Move::kPreviousPage:
            return lineAt(row - VisibleLines());
        case Move::kLineStart:
            return lines_.Start(line);
        case Move::kLineEnd: {
            const Shown shown = Line(line);
            const std::size_t end = shown.start + shown.bytes.size();
            // A wrapped line ends before its last character, which the next line would show.
            return end == lines_.End(line) && line + 1 < lines_.Count() ? Backward(end) : end;
        }
        case Move::kDocumentStart:
            return 0;
        case Move::kDocumentEnd:
            return bytes_.size();
    }
    return cursor_;
}

bool TextBox::HandleMove(QKeyEvent* event) {
    static const KeyMove kMoves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, int(Move::kNextChar)},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar,
         int(Move::kPreviousChar)},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, int(Move::kNextWord)},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord,
         int(Move::kPreviousWord)},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, int(Move::kNextLine)},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine,
         int(Move::kPreviousLine)},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, int(Move::kLineStart)},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, int(Move::kLineEnd)},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
         int(Move::kDocumentStart)},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument,
         int(Move::kDocumentEnd)},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, int(Move::kNextPage)},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage,
         int(Move::kPreviousPage)},
    };
    for (const KeyMove& entry : kMoves) {
        const bool select = event->matches(entry.select);
        if (!select && !event->matches(entry.move)) continue;
        const auto move = static_cast<Move>(entry.target);
        const bool vertical = move == Move::kNextLine || move == Move::kPreviousLine ||
                              move == Move::kNextPage || move == Move::kPreviousPage;
        const qreal x = vertical ? (goalX_ >= 0 ? goalX_ : CursorX()) : -1;
        // Without shift, a horizontal step over a selection collapses it to its edge.
        std::size_t to = Target(move);
        if (!select && anchor_ != cursor_ && move == Move::kNextChar) to = SelectionEnd();
        if (!select && anchor_ != cursor_ && move == Move::kPreviousChar) to = SelectionStart();
        if (move == Move::kNextPage || move == Move::kPreviousPage) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + (move == Move::kNextPage ? 1 : -1) * VisibleLines());
        }
        MoveCursor(to, select);
        goalX_ = x;
        return true;
    }
    return false;
}

bool TextBox::IsTypedText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty()) return false;
    const QChar c = text.at(0);
    if (c.category() == QChar::Other_Format) return true;
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c == u'\t' || c.category() == QChar::Other_PrivateUse ||
           (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

bool TextBox::HandleEditKey(QKeyEvent* event) {
    using Kind = EditHistory::Kind;
    const bool selection = anchor_ != cursor_;
    if (event->matches(QKeySequence::Undo))
        undo();
    else if (event->matches(QKeySequence::Redo) || IsRedoKey(event))
        redo();
    else if (event->matches(QKeySequence::Cut))
        cut();
    else if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::Paste))
        paste();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else if (event->key() == Qt::Key_Backspace && event->modifiers() <= Qt::ShiftModifier)
        selection ? Edit({}, Kind::kOther)
                  : DeleteRange(Backward(cursor_), cursor_, Kind::kDeleting);
    else if (event->matches(QKeySequence::Delete))
        selection ? Edit({}, Kind::kOther)
                  : DeleteRange(cursor_, Forward(cursor_), Kind::kDeleting);
    else if (event->matches(QKeySequence::DeleteStartOfWord))
        selection ? Edit({}, Kind::kOther) : DeleteRange(WordStart(cursor_), cursor_, Kind::kOther);
    else if (event->matches(QKeySequence::DeleteEndOfWord))
        selection ? Edit({}, Kind::kOther) : DeleteRange(cursor_, WordEnd(cursor_), Kind::kOther);
    else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        Edit("\r\n", Kind::kOther);
    else if (IsTypedText(event))
        Edit(gb::fromUnicode(event->text()), Kind::kTyping);
    else
        return false;
    return true;
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    if (HandleMove(event) || HandleEditKey(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

// Keys the box answers itself are not taken by the window's shortcuts.
bool TextBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        static const QKeySequence::StandardKey kOwn[] = {QKeySequence::Undo,
                                                         QKeySequence::Redo,
                                                         QKeySequence::Cut,
                                                         QKeySequence::Copy,
                                                         QKeySequence::Paste,
                                                         QKeySequence::SelectAll,
                                                         QKeySequence::Delete,
                                                         QKeySequence::MoveToStartOfLine,
                                                         QKeySequence::MoveToEndOfLine};
        for (QKeySequence::StandardKey own : kOwn) {
            if (key->matches(own)) {
                event->accept();
                return true;
            }
        }
        if (IsTypedText(key) || IsRedoKey(key) || key->key() == Qt::Key_Backspace) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

bool TextBox::focusNextPrevChild(bool) {
    return false;  // Tab is typed into the text
}

// ---- Mouse ------------------------------------------------------------------------------------

void TextBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    goalX_ = -1;
    MoveCursor(HitTest(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void TextBox::DragTo(QPoint point) {
    dragPoint_ = point;
    MoveCursor(HitTest(point), true);
    if (point.y() < 0 || point.y() > viewport()->height())
        dragScroll_.start(50, this);
    else
        dragScroll_.stop();
}

void TextBox::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton)) DragTo(event->position().toPoint());
}

void TextBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = false;
    dragScroll_.stop();
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const std::size_t at = HitTest(event->position().toPoint());
    if (at >= bytes_.size() || CharClass(at) == 0) return;
    const std::size_t start = WordStart(Forward(at));
    const std::size_t end = WordEnd(at);
    anchor_ = start;
    MoveCursor(end, true);
}

// ---- Input methods and the menu ---------------------------------------------------------------

void TextBox::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() || event->replacementLength() > 0)
        Edit(gb::fromUnicode(event->commitString()), EditHistory::Kind::kTyping);
    preedit_ = event->preeditString();
    viewport()->update();
    event->accept();
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
        case Qt::ImEnabled:
            return true;
        case Qt::ImHints:
            return int(Qt::ImhMultiLine);
        case Qt::ImCursorRectangle:
            return cursorRect();
        case Qt::ImFont:
            return font();
        case Qt::ImCursorPosition:
            return Line(lines_.LineOf(cursor_)).Units(cursor_);
        case Qt::ImAnchorPosition: {
            const Shown shown = Line(lines_.LineOf(cursor_));
            return shown.Units(std::clamp(anchor_, shown.start, shown.start + shown.bytes.size()));
        }
        case Qt::ImSurroundingText:
            return Line(lines_.LineOf(cursor_)).text;
        case Qt::ImCurrentSelection:
            return SelectedText();
        case Qt::ImMaximumTextLength:
            return QVariant();
        default:
            return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void TextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool selection = anchor_ != cursor_;
    auto add = [&](const char* text, QKeySequence::StandardKey key, bool enabled, auto slot) {
        QAction* action = menu.addAction(Translated(text, key));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, slot);
    };
    add("&Undo", QKeySequence::Undo, history_.CanUndo(), [this] { undo(); });
    add("&Redo", QKeySequence::Redo, history_.CanRedo(), [this] { redo(); });
    menu.addSeparator();
    add("Cu&t", QKeySequence::Cut, selection, [this] { cut(); });
    add("&Copy", QKeySequence::Copy, selection, [this] { copy(); });
    add("&Paste", QKeySequence::Paste, !QApplication::clipboard()->text().isEmpty(),
        [this] { paste(); });
    add("Delete", QKeySequence::UnknownKey, selection,
        [this] { Edit({}, EditHistory::Kind::kOther); });
    menu.addSeparator();
    add("Select All", QKeySequence::SelectAll, bytes_.size() > 0, [this] { selectAll(); });
    menu.exec(event->globalPos());
}

}  // namespace quillon::ui
