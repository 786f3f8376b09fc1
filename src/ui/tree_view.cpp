#include "ui/tree_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyledItemDelegate>
#include <memory>

namespace quillon::ui {
namespace {

constexpr int kItemHeight = 18;

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
    QTreeView::keyPressEvent(event);
    cause_ = app::kByProgram;
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
