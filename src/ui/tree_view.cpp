#include "ui/tree_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "ui/large_stack.h"

namespace quillon::ui {
namespace {

constexpr int kItemHeight = 18;
// Qt lays out expanded items with one nested call per level; up to this depth the usual stack
// holds them, deeper layouts get a stack of their own with this much room per level.
constexpr int kLevelsOnUsualStack = 2000;
constexpr std::size_t kStackPerLevel = 1024;
// How many levels below an item one expand-all opens. Qt updates every ancestor of each item it
// lays out, so laying out n expanded levels costs n * n; this many take a fraction of a second,
// and expand-all on the deepest item shown goes on from there.
constexpr int kExpandAllLevels = 5000;
// Room beside the widest label painted, and the least room kept for labels not yet painted.
constexpr int kLabelMargin = 16;
constexpr int kLeastLabelRoom = 120;

class FixedHeightDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
    }
};

// The window's own style for everything but the branch column, which comes from the "Windows"
// style: it draws the dotted lines joining each item to its parent and siblings and boxed
// expand buttons, where the usual styles draw bare arrows and no lines.
class BranchLineStyle : public QProxyStyle {
  public:
    BranchLineStyle() : lines_(QStyleFactory::create(QStringLiteral("Windows"))) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_IndicatorBranch && lines_)
            lines_->drawPrimitive(element, option, painter, widget);
        else
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

  private:
    std::unique_ptr<QStyle> lines_;
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

}  // namespace

TreeView::TreeView(QWidget* parent) : QTreeView(parent) {
    setModel(&model_);
    setItemDelegate(new FixedHeightDelegate(this));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    auto* style = new BranchLineStyle;
    style->setParent(this);
    setStyle(style);
    setUniformRowHeights(true);
    setSelectionMode(SingleSelection);
    setEditTriggers(EditKeyPressed | SelectedClicked);
    setFont(TreeFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::white);
    colours.setColor(QPalette::Text, Qt::black);
    // The selection stays visible while another control has the focus.
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    setPalette(colours);

    // The column is as wide as the deepest row shown, so that every row can be reached and
    // selected; the view scrolls sideways to it.
    header()->setStretchLastSection(false);
    header()->setMaximumSectionSize(INT_MAX / 4);
    setHorizontalScrollMode(ScrollPerPixel);
    connect(this, &QTreeView::expanded, this, &TreeView::Expanded);
    connect(this, &QTreeView::collapsed, this, &TreeView::Collapsed);
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        expandedAt_.clear();
        deepestExpanded_ = -1;
        widestLabel_ = 0;
        FitColumnSoon();
    });

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
    return model_.IndexOf(selectionModel()->currentIndex());
}

bool TreeView::SelectItem(int item) {
    const QModelIndex index = model_.ModelIndex(item);
    if (!index.isValid() || model_.InBatch()) return false;
    // Ancestors open from the top down, so that each expansion lays out a single level.
    std::vector<QModelIndex> ancestors;
    for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) ancestors.push_back(up);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) expand(*it);
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

app::NativeHandle TreeView::Handle() const {
#ifdef Q_OS_WIN
    return static_cast<app::NativeHandle>(const_cast<TreeView*>(this)->winId());
#else
    return static_cast<app::NativeHandle>(internalWinId());
#endif
}

void TreeView::mousePressEvent(QMouseEvent* event) {
    cause_ = app::kByMouse;
    QTreeView::mousePressEvent(event);
    cause_ = app::kByProgram;
}

void TreeView::mouseMoveEvent(QMouseEvent* event) {
    cause_ = app::kByMouse;
    QTreeView::mouseMoveEvent(event);
    cause_ = app::kByProgram;
}

void TreeView::keyPressEvent(QKeyEvent* event) {
    cause_ = app::kByKeyboard;
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Asterisk && current.isValid() && state() != EditingState) {
        expandRecursively(current, kExpandAllLevels);
        event->accept();
    } else {
        QTreeView::keyPressEvent(event);
    }
    cause_ = app::kByProgram;
}

void TreeView::resizeEvent(QResizeEvent* event) {
    QTreeView::resizeEvent(event);
    FitColumn();
}

void TreeView::doItemsLayout() {
    if (deepestExpanded_ < kLevelsOnUsualStack) {
        QTreeView::doItemsLayout();
        return;
    }
    try {
        RunOnLargeStack([this] { QTreeView::doItemsLayout(); },
                        (static_cast<std::size_t>(deepestExpanded_) + 1000) * kStackPerLevel);
    } catch (const std::bad_alloc&) {
        // No room for a stack that deep: show the tree collapsed rather than not at all.
        collapseAll();
        expandedAt_.clear();
        deepestExpanded_ = -1;
        QTreeView::doItemsLayout();
    }
}

// Qt shows the column's left edge when the column is wider than the view; the item's own button
// and label are what the user is looking for.
void TreeView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTreeView::scrollTo(index, hint);
    if (!index.isValid()) return;
    const int step = indentation();
    const int left = (model_.Level(index) + (rootIsDecorated() ? 1 : 0)) * step - step;
    const int shown = viewport()->width();
    QScrollBar* bar = horizontalScrollBar();
    if (left < bar->value() || left + step + 2 * kLabelMargin > bar->value() + shown)
        bar->setValue(left - shown / 4);
}

void TreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    const int width = option.fontMetrics.horizontalAdvance(model_.data(index).toString());
    if (width + kLabelMargin > widestLabel_) {
        widestLabel_ = width + kLabelMargin;
        FitColumnSoon();
    }
}

void TreeView::Expanded(const QModelIndex& index) {
    const int level = model_.Level(index);
    if (static_cast<int>(expandedAt_.size()) <= level) expandedAt_.resize(level + 1, 0);
    ++expandedAt_[level];
    deepestExpanded_ = std::max(deepestExpanded_, level);
    FitColumnSoon();
}

void TreeView::Collapsed(const QModelIndex& index) {
    const int level = model_.Level(index);
    if (level < static_cast<int>(expandedAt_.size()) && expandedAt_[level] > 0)
        --expandedAt_[level];
    while (deepestExpanded_ >= 0 && expandedAt_[deepestExpanded_] == 0) --deepestExpanded_;
    if (!collapsingDescendants_) CollapseDescendants(index);
    FitColumnSoon();
}

// Nothing below a collapsed item stays expanded: expanding it again then lays out one level,
// where Qt would otherwise lay out every expanded level below it with one nested call each.
void TreeView::CollapseDescendants(const QModelIndex& index) {
    if (deepestExpanded_ <= model_.Level(index)) return;
    collapsingDescendants_ = true;
    scheduleDelayedItemsLayout();  // each collapse below now only forgets the item
    std::vector<QModelIndex> pending{index};
    while (!pending.empty()) {
        const QModelIndex parent = pending.back();
        pending.pop_back();
        for (int row = 0, rows = model_.rowCount(parent); row < rows; ++row) {
            const QModelIndex child = model_.index(row, 0, parent);
            if (!isExpanded(child)) continue;
            collapse(child);
            pending.push_back(child);
        }
    }
    collapsingDescendants_ = false;
}

void TreeView::FitColumn() {
    fitPending_ = false;
    // The deepest row shown hangs under the deepest expanded item.
    const long long steps = deepestExpanded_ + 1LL + (rootIsDecorated() ? 1 : 0);
    const long long wanted = steps * indentation() + std::max(widestLabel_, kLeastLabelRoom);
    const int width =
        static_cast<int>(std::clamp<long long>(wanted, viewport()->width(), INT_MAX / 4));
    if (header()->sectionSize(0) != width) header()->resizeSection(0, width);
}

void TreeView::FitColumnSoon() const {
    if (fitPending_) return;
    fitPending_ = true;
    auto* self = const_cast<TreeView*>(this);  // painting only learns how wide labels are
    QTimer::singleShot(0, self, [self] { self->FitColumn(); });
}

bool TreeView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool open = QTreeView::edit(index, trigger, event);
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
    QTreeView::closeEditor(editor, hint);
}

// Nothing leads into the first item from above: its line starts at its button (or, for a leaf,
// at its own level).
void TreeView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    if (index.row() != 0 || index.parent().isValid()) {
        QTreeView::drawBranches(painter, rect, index);
        return;
    }
    const int buttonHalf = model_.rowCount(index) > 0 ? 4 : 0;
    painter->save();
    painter->setClipRect(rect.adjusted(0, rect.height() / 2 - buttonHalf, 0, 0), Qt::IntersectClip);
    QTreeView::drawBranches(painter, rect, index);
    painter->restore();
}

bool TreeView::EndEdit(int item, const Text& label) {
    editing_ = -1;
    editText_ = label;
    bool accept = true;
    emit labelEditEnds(item, accept);
    return accept;
}

}  // namespace quillon::ui
