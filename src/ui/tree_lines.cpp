#include "ui/tree_lines.h"

#include <QPainter>
#include <algorithm>

#include "ui/tree_items.h"

namespace quillon::ui {
namespace {

const QColor kLineColour(128, 128, 128);
constexpr int kButtonHalf = 4;

void Dotted(QPainter& painter, const QRect& line) {
    painter.fillRect(line, QBrush(kLineColour, Qt::Dense4Pattern));
}

}  // namespace

TreeLines::TreeLines(const TreeItems& items, int first, int indent, long long left, long long right)
    : items_(items),
      indent_(indent),
      left_(left),
      firstColumn_(left / indent),
      lastColumn_(right / indent),
      continues_(static_cast<std::size_t>(lastColumn_ - firstColumn_ + 1), 0) {
    for (int up = items.Parent(first); up >= 0 && items.Level(up) >= firstColumn_;
         up = items.Parent(up)) {
        if (InSight(items.Level(up)))
            continues_[items.Level(up) - firstColumn_] = items.HasNextSibling(up);
    }
}

bool TreeLines::InSight(long long column) const {
    return column >= firstColumn_ && column <= lastColumn_;
}

void TreeLines::Paint(QPainter& painter, int item, int top, int height) {
    const int level = items_.Level(item);
    const bool next = items_.HasNextSibling(item);
    const auto middleOf = [&](long long column) {
        return static_cast<int>(column * indent_ - left_ + indent_ / 2);
    };
    for (long long column = firstColumn_; column < std::min<long long>(level, lastColumn_ + 1);
         ++column) {
        if (continues_[column - firstColumn_])
            Dotted(painter, QRect(middleOf(column), top, 1, height));
    }
    if (!InSight(level)) return;
    continues_[level - firstColumn_] = next;

    const int x = middleOf(level);
    const int y = top + height / 2;
    // Nothing leads into the first item from above.
    if (item != 0) Dotted(painter, QRect(x, top, 1, y - top));
    if (next) Dotted(painter, QRect(x, y, 1, top + height - y));
    Dotted(painter, QRect(x, y, indent_ - indent_ / 2, 1));
    if (items_.ChildCount(item) == 0) return;

    const QRect button(x - kButtonHalf, y - kButtonHalf, 2 * kButtonHalf, 2 * kButtonHalf);
    painter.fillRect(button, Qt::white);
    painter.setPen(kLineColour);
    painter.drawRect(button);
    painter.setPen(Qt::black);
    painter.drawLine(x - 2, y, x + 2, y);
    if (!items_.Expanded(item)) painter.drawLine(x, y - 2, x, y + 2);
}

}  // namespace quillon::ui
