#pragma once
// The window's multi-line edit box: wrapping, with a vertical scroll bar, black on white, the
// selection hidden while the box has no focus. The text lives as canonical GB18030 bytes with CR
// LF line breaks in a gap buffer; the box lays out its lines itself, one visual line at a time,
// and turns only the lines it shows into Unicode. So reading the content is a copy, setting it a
// copy and one pass over the bytes, and an edit costs what the lines around it cost, however
// long the text or its lines are.
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QTextLayout>
#include <cstdint>
#include <memory>

#include "app/components.h"
#include "ui/text_box/edit_history.h"
#include "ui/text_box/gap_buffer.h"
#include "ui/text_box/line_table.h"
#include "ui/text_box/wrapper.h"

namespace quillon::ui {

class TextBox : public QAbstractScrollArea, public app::EditBox {
    Q_OBJECT
  public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

    // Every character comes back as it was typed, pasted or set; line breaks as CR LF.
    Text Content() const override;
    // One step that undo takes back (setting an empty box starts the history afresh); the cursor
    // goes to the start.
    void SetContent(const Text& text) override;

    // The same in Unicode, line breaks as LF.
    QString toPlainText() const;
    void setPlainText(const QString& text);
    // Replaces the selection, as a paste does.
    void insertPlainText(const QString& text);

    // Cursor and selection as byte positions in Content(); positions inside a character move to
    // its start.
    std::size_t CursorPosition() const { return cursor_; }
    std::size_t SelectionStart() const { return std::min(anchor_, cursor_); }
    std::size_t SelectionEnd() const { return std::max(anchor_, cursor_); }
    void SetSelection(std::size_t anchor, std::size_t position);
    QString SelectedText() const;

    // A background mark over the bytes [from, to) of Content() that shows with or without focus.
    // The cursor moves to `from` and is scrolled into view; the focus stays where it is. The next
    // edit or ClearMark() takes the mark away.
    void MarkBytes(std::size_t from, std::size_t to);
    void ClearMark();
    // The same, with `note` beside the mark until the next key or click (text_box_mark.cpp).
    void Mark(std::size_t from, std::size_t to, const Text& note) override;

    // Visual lines the text is laid out in at the box's width.
    std::size_t VisualLineCount() const {
        EnsureLayout();
        return lines_.Count();
    }

    // Changes with every change of the text: edits, undo, redo, SetContent.
    std::uint64_t Revision() const override { return revision_; }
    // The cursor in viewport coordinates.
    QRect cursorRect() const;

  public slots:
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void selectAll();

  signals:
    // The user changed the text: typing, deleting, pasting, cutting, undo or redo.
    void edited();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

  private:
    // A visual line as shown: its bytes without the line break, and their Unicode.
    struct Shown {
        std::size_t start = 0;
        Text bytes;
        QString text;
        int Units(std::size_t at) const;     // UTF-16 units before byte position `at`
        std::size_t Bytes(int units) const;  // byte position after `units` units
    };
    enum class Move {
        kNextChar,
        kPreviousChar,
        kNextWord,
        kPreviousWord,
        kNextLine,
        kPreviousLine,
        kLineStart,
        kLineEnd,
        kDocumentStart,
        kDocumentEnd,
        kNextPage,
        kPreviousPage
    };

    // Text and layout.
    void EnsureLayout() const;
    void InvalidateLayout();
    void Replace(std::size_t at, std::size_t removed, std::string_view inserted);
    void Edit(std::string_view bytes, EditHistory::Kind kind);
    void DeleteRange(std::size_t from, std::size_t to, EditHistory::Kind kind);
    void Swap(EditHistory::Step& step);
    void Changed(bool byUser);
    std::size_t Forward(std::size_t at) const;
    std::size_t Backward(std::size_t at) const;
    std::size_t Snap(std::size_t at) const;
    std::size_t WordStart(std::size_t at) const;
    std::size_t WordEnd(std::size_t at) const;
    int CharClass(std::size_t at) const;
    Shown Line(std::size_t line) const;
    void Lay(QTextLayout& layout, const Shown& shown) const;

    // Geometry.
    int LineHeight() const;
    int VisibleLines() const;
    int FirstLine() const;
    int LineTop(std::size_t line) const;
    qreal WrapWidth() const;
    void UpdateScrollBar() const;
    std::size_t HitTest(QPoint point) const;
    qreal CursorX() const;
    void EnsureCursorVisible();

    // Input.
    void MoveCursor(std::size_t to, bool select);
    std::size_t Target(Move move) const;
    bool HandleMove(QKeyEvent* event);
    bool HandleEditKey(QKeyEvent* event);
    static bool IsTypedText(const QKeyEvent* event);
    void ResetBlink();
    void DragTo(QPoint point);

    mutable GapBuffer bytes_;
    mutable std::unique_ptr<Wrapper> wrapper_;  // null while the lines need laying out afresh
    mutable LineTable lines_;
    EditHistory history_;
    std::size_t cursor_ = 0;
    std::size_t anchor_ = 0;
    std::size_t markFrom_ = 0;
    std::size_t markTo_ = 0;  // markFrom_ == markTo_: no mark
    std::uint64_t revision_ = 0;
    qreal goalX_ = -1;  // where Up and Down aim; negative: at the cursor
    QString preedit_;
    QBasicTimer blink_;
    QBasicTimer dragScroll_;
    QPoint dragPoint_;
    bool blinkOn_ = true;
    bool focusShown_ = false;  // the box has the focus, or lent it to its context menu
    bool dragging_ = false;
};

}  // namespace quillon::ui
