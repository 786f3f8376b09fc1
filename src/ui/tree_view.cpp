#include "ui/tree_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <utility>

#include "ui/text_convert.h"
#include "ui/tree_lines.h"

namespace quillon::ui {
namespace {

constexpr int kRowHeight = 18;
constexpr int kIndent = 19;
// Space on each side of a label inside its highlight.
constexpr int kTextPad = 2;
// Room beside the widest label painted, and the least room kept for labels not yet painted.
constexpr int kLabelMargin = 16;
constexpr int kLeastLabelRoom = 120;
constexpr int kLeastEditorWidth = 100;

class LabelDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
    }
    // The editor sits over the label, with room to type a longer one.
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        QRect box = option.rect;
        box.setWidth(std::max(box.width() + 2 * kLabelMargin, kLeastEditorWidth));
        editor->setGeometry(box);
    }
};

QFont TreeFont() {
    QFont font;
    // 微软雅黑 where it exists, else a CJK face that a plain Debian machine has.
    font.setFamilies({QString::fromUtf8("微软雅黑"), QStringLiteral("Microsoft YaHei"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

int Clamped(long long value) {
    return static_cast<int>(std::clamp<long long>(value, 0, INT_MAX));
}

}  // namespace

TreeView::TreeView(QWidget* parent) : QAbstractItemView(parent) {
    setModel(&model_);
    setItemDelegate(new LabelDelegate(this));
    setSelectionMode(SingleSelection);
    setEditTriggers(EditKeyPressed | SelectedClicked);
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    setFont(TreeFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    // The selection stays visible while another control has the focus.
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    connect(&model_, &QAbstractItemModel::modelReset, this, [this] { widestLabel_ = 0; });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { emit selectionChanged(cause_); });
    model_.acceptLabel = [this](int item, const Text& label) { return EndEdit(item, label); };
}

void TreeView::DeleteAllItems() {
    if (!model_.InBatch()) {
        // Normally the window finishes the update right after the handler; this is the backstop.
        QMetaObject::invokeMethod(
            this, [this] { FinishUpdate(); }, Qt::QueuedConnection);
    }
    editing_ = -1;
    model_.Clear();
}

int TreeView::AddItem(int parent, const Text& text) {
    return model_.Add(parent, text);
}

int TreeView::SelectedIndex() const {
    if (model_.InBatch()) return -1;
    return model_.IndexOf(currentIndex());
}

bool TreeView::SelectItem(int item) {
    if (item < 0 || item >= model_.Count() || model_.InBatch()) return false;
    model_.Reveal(item);
    setCurrentIndex(model_.ModelIndex(item));
    scrollTo(currentIndex());
    return true;
}

app::NativeHandle TreeView::Handle() const {
#ifdef Q_OS_WIN
    return static_cast<app::NativeHandle>(const_cast<TreeView*>(this)->winId());
#else
    return static_cast<app::NativeHandle>(internalWinId());
#endif
}

void TreeView::ExpandAll(int item) {
    model_.ExpandAll(item);
}

// The selection never hides: collapsing an ancestor of the selected item selects the collapsed
// item, as a change the program made.
void TreeView::Collapse(int item) {
    const int current = SelectedIndex();
    const TreeItems& items = model_.Items();
    const int level = items.Level(item);
    int up = current;
    while (up >= 0 && items.Level(up) > level) up = items.Parent(up);
    if (up == item && current != item) {
        const int cause = std::exchange(cause_, app::kByProgram);
        SetCurrentItem(item);
        cause_ = cause;
    }
    model_.Collapse(item);
}

int TreeView::Indentation() const {
    return kIndent;
}

void TreeView::Toggle(int item) {
    if (IsExpanded(item))
        Collapse(item);
    else
        Expand(item);
}

void TreeView::SetCurrentItem(int item) {
    const QModelIndex index = model_.ModelIndex(item);
    if (index.isValid()) setCurrentIndex(index);
}

long long TreeView::RowLine(int y) const {
    const long long top = static_cast<long long>(y) + verticalOffset();
    return top < 0 ? -1 : top / kRowHeight;
}

int TreeView::RowAt(int y) const {
    const long long row = RowLine(y);
    return row >= model_.rowCount() ? -1 : static_cast<int>(row);
}

int TreeView::ButtonAt(const QPoint& point) const {
    const int item = model_.ItemAt(RowAt(point.y()));
    if (item < 0 || model_.Items().ChildCount(item) == 0) return -1;
    const long long left = static_cast<long long>(model_.Items().Level(item)) * kIndent;
    const long long x = static_cast<long long>(point.x()) + horizontalOffset();
    return x >= left && x < left + kIndent ? item : -1;
}

int TreeView::LabelWidth(int item) const {
    return fontMetrics().horizontalAdvance(ToQString(model_.Label(item))) + 2 * kTextPad;
}

// Wide enough for the deepest row shown and the widest label seen so far.
long long TreeView::ContentWidth() const {
    return (model_.DeepestShownLevel() + 1LL) * kIndent +
           std::max(widestLabel_ + kLabelMargin, kLeastLabelRoom);
}

void TreeView::FitWidthSoon() const {
    if (fitPending_) return;
    fitPending_ = true;
    auto* self = const_cast<TreeView*>(this);  // painting only learns how wide labels are
    QTimer::singleShot(0, self, [self] {
        self->fitPending_ = false;
        self->updateGeometries();
    });
}

QRect TreeView::visualRect(const QModelIndex& index) const {
    const int item = model_.IndexOf(index);
    if (item < 0) return {};
    const long long left = (model_.Items().Level(item) + 1LL) * kIndent - horizontalOffset();
    const long long top = static_cast<long long>(index.row()) * kRowHeight - verticalOffset();
    if (left < INT_MIN / 2 || left > INT_MAX / 2 || top < INT_MIN / 2 || top > INT_MAX / 2)
        return {};  // too far away to be drawn or hit
    return {static_cast<int>(left), static_cast<int>(top), LabelWidth(item), kRowHeight};
}

void TreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const int item = model_.IndexOf(index);
    if (item < 0) return;
    executeDelayedItemsLayout();  // the scroll ranges fit what is shown now
    const QSize shown = viewport()->size();
    const long long top = static_cast<long long>(index.row()) * kRowHeight;
    QScrollBar* vertical = verticalScrollBar();
    const int at = vertical->value();
    switch (hint) {
        case PositionAtTop:
            vertical->setValue(Clamped(top));
            break;
        case PositionAtBottom:
            vertical->setValue(Clamped(top + kRowHeight - shown.height()));
            break;
        case PositionAtCenter:
            vertical->setValue(Clamped(top - (shown.height() - kRowHeight) / 2));
            break;
        case EnsureVisible:
            if (top < at)
                vertical->setValue(Clamped(top));
            else if (top + kRowHeight > at + shown.height())
                vertical->setValue(Clamped(top + kRowHeight - shown.height()));
            break;
    }
    // The item's own button and label are what the user is looking for.
    const long long left = static_cast<long long>(model_.Items().Level(item)) * kIndent;
    QScrollBar* horizontal = horizontalScrollBar();
    if (left < horizontal->value() ||
        left + kIndent + 2 * kLabelMargin > horizontal->value() + shown.width())
        horizontal->setValue(Clamped(left - shown.width() / 4));
}

QModelIndex TreeView::indexAt(const QPoint& point) const {
    const int row = RowAt(point.y());
    return row < 0 ? QModelIndex() : model_.index(row, 0);
}

QModelIndex TreeView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int rows = model_.rowCount();
    if (rows == 0) return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return model_.index(0, 0);
    const int page = std::max(1, viewport()->height() / kRowHeight - 1);
    int row = current.row();
    switch (action) {
        case MoveUp:
        case MovePrevious:
            --row;
            break;
        case MoveDown:
        case MoveNext:
            ++row;
            break;
        case MovePageUp:
            row -= page;
            break;
        case MovePageDown:
            row += page;
            break;
        case MoveHome:
            row = 0;
            break;
        case MoveEnd:
            row = rows - 1;
            break;
        case MoveLeft:
        case MoveRight:
            break;
    }
    return model_.index(std::clamp(row, 0, rows - 1), 0);
}

int TreeView::horizontalOffset() const {
    return horizontalScrollBar()->value();
}

int TreeView::verticalOffset() const {
    return verticalScrollBar()->value();
}

void TreeView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    const QRect box = rect.normalized();
    const int first = RowAt(box.top());
    const int last = RowAt(box.bottom());
    QItemSelection rows;
    if (first >= 0) rows.select(model_.index(first, 0), model_.index(std::max(first, last), 0));
    selectionModel()->select(rows, command);
}

QRegion TreeView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    for (const QItemSelectionRange& range : selection) {
        const long long top = static_cast<long long>(range.top()) * kRowHeight - verticalOffset();
        const long long height = (range.bottom() - range.top() + 1LL) * kRowHeight;
        if (top + height < 0 || top > viewport()->height()) continue;
        const int clippedTop = static_cast<int>(std::max(top, -1LL));
        const int bottom = static_cast<int>(std::min<long long>(top + height, INT_MAX / 2));
        region += QRect(0, clippedTop, viewport()->width(), bottom - clippedTop);
    }
    return region;
}

void TreeView::updateGeometries() {
    const QSize shown = viewport()->size();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(kRowHeight);
    vertical->setPageStep(shown.height());
    vertical->setRange(
        0, Clamped(static_cast<long long>(model_.rowCount()) * kRowHeight - shown.height()));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(kIndent);
    horizontal->setPageStep(shown.width());
    horizontal->setRange(0, Clamped(ContentWidth() - shown.width()));
    QAbstractItemView::updateGeometries();
}

void TreeView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    // The rows the area crosses; none when it lies below the last.
    const int first = static_cast<int>(std::max(0LL, RowLine(area.top())));
    const int last = static_cast<int>(std::min(model_.rowCount() - 1LL, RowLine(area.bottom())));
    if (model_.InBatch() || first > last) return;

    const int left = horizontalOffset();
    TreeLines lines(model_.Items(), model_.ItemAt(first), kIndent, left,
                    left + viewport()->width());
    const QModelIndex current = currentIndex();
    const QPalette& colours = palette();
    for (int row = first; row <= last; ++row) {
        const int item = model_.ItemAt(row);
        const int top = row * kRowHeight - verticalOffset();
        lines.Paint(painter, item, top, kRowHeight);

        const QModelIndex index = model_.index(row, 0);
        const QRect label = visualRect(index);
        if (label.isNull() || label.left() > viewport()->width()) continue;
        widestLabel_ = std::max(widestLabel_, label.width());
        const bool selected = selectionModel()->isSelected(index);
        if (selected) painter.fillRect(label, colours.brush(QPalette::Highlight));
        painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(label.adjusted(kTextPad, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         ToQString(model_.Label(item)));
        if (index == current && hasFocus()) {
            painter.setPen(QPen(colours.color(QPalette::Text), 1, Qt::DotLine));
            painter.drawRect(label.adjusted(0, 0, -1, -1));
        }
    }
    if (ContentWidth() - viewport()->width() > horizontalScrollBar()->maximum()) FitWidthSoon();
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    cause_ = app::kByMouse;
    const int button =
        event->button() == Qt::LeftButton ? ButtonAt(event->position().toPoint()) : -1;
    if (button >= 0) {
        Toggle(button);
        event->accept();
    } else {
        QAbstractItemView::mousePressEvent(event);
    }
    cause_ = app::kByProgram;
}

void TreeView::mouseMoveEvent(QMouseEvent* event) {
    cause_ = app::kByMouse;
    QAbstractItemView::mouseMoveEvent(event);
    cause_ = app::kByProgram;
}

void TreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    cause_ = app::kByMouse;
    const int item = model_.IndexOf(indexAt(event->position().toPoint()));
    if (event->button() == Qt::LeftButton && item >= 0 && model_.Items().ChildCount(item) > 0)
        Toggle(item);
    QAbstractItemView::mouseDoubleClickEvent(event);
    cause_ = app::kByProgram;
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    cause_ = app::kByKeyboard;
    if (state() != EditingState && KeyMovesInTree(event->key()))
        event->accept();
    else
        QAbstractItemView::keyPressEvent(event);
    cause_ = app::kByProgram;
}

// A scroll bar that appears takes room from the rows: the current row stays in sight.
void TreeView::resizeEvent(QResizeEvent* event) {
    const QModelIndex current = currentIndex();
    const long long bottom = (current.row() + 1LL) * kRowHeight - verticalOffset();
    const bool wasShown = current.isValid() && bottom > 0 && bottom <= event->oldSize().height();
    QAbstractItemView::resizeEvent(event);
    if (wasShown && bottom > viewport()->height()) scrollTo(current);
}

// The keys that open, close and climb the tree; the others move through the rows.
bool TreeView::KeyMovesInTree(int key) {
    const int item = SelectedIndex();
    if (item < 0) return false;
    const TreeItems& items = model_.Items();
    const bool opens = items.ChildCount(item) > 0;
    switch (key) {
        case Qt::Key_Asterisk:
            ExpandAll(item);
            break;
        case Qt::Key_Plus:
            Expand(item);
            break;
        case Qt::Key_Minus:
            Collapse(item);
            break;
        case Qt::Key_Backspace:
            SetCurrentItem(items.Parent(item));
            break;
        case Qt::Key_Left:
            if (IsExpanded(item))
                Collapse(item);
            else
                SetCurrentItem(items.Parent(item));
            break;
        case Qt::Key_Right:
            if (opens && !IsExpanded(item))
                Expand(item);
            else if (opens)
                SetCurrentItem(item + 1);  // the first child comes next in pre-order
            break;
        default:
            return false;
    }
    return true;
}

bool TreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool open = QAbstractItemView::edit(index, trigger, event);
    const int item = model_.IndexOf(index);
    if (open && item >= 0 && editing_ != item) {
        editing_ = item;
        emit labelEditBegins(item);
    }
    return open;
}

void TreeView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // A cancelled edit ends with the label it started with.
    if (editing_ >= 0) EndEdit(editing_, model_.Label(editing_));
    QAbstractItemView::closeEditor(editor, hint);
}

bool TreeView::EndEdit(int item, const Text& label) {
    editing_ = -1;
    editText_ = label;
    bool accept = true;
    emit labelEditEnds(item, accept);
    return accept;
}

}  // namespace quillon::ui
