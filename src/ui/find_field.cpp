#include "ui/find_field.h"

#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

namespace quillon::ui {
namespace {

constexpr int kHeight = 24;

}  // namespace

FindField::FindField(QWidget& tree) : QLineEdit(tree.parentWidget()), tree_(tree) {
    setObjectName(QStringLiteral("find"));
    const QRect box = tree.geometry();
    setGeometry(box.left(), box.bottom() + 1 - kHeight, box.width(), kHeight);
    setClearButtonEnabled(true);
    hide();
    QWidget* window = tree.window();
    new QShortcut(QKeySequence::Find, window, [this] { Open(); });
    new QShortcut(QKeySequence(Qt::Key_F3), window, [this] {
        if (!text().isEmpty()) emit findNext();
    });
    connect(this, &QLineEdit::textEdited, this, [this] { ShowFound(true); });
}

void FindField::Open() {
    show();
    raise();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void FindField::ShowFound(bool found) {
    setStyleSheet(found ? QString() : QStringLiteral("QLineEdit { background: #ffd8d8; }"));
}

void FindField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!text().isEmpty()) emit findNext();
            return;
        case Qt::Key_Escape:
            hide();
            tree_.setFocus(Qt::OtherFocusReason);
            return;
        default:
            QLineEdit::keyPressEvent(event);
    }
}

}  // namespace quillon::ui
