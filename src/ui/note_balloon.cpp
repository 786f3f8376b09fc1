#include "ui/note_balloon.h"

#include <QApplication>
#include <QEvent>
#include <QToolTip>
#include <algorithm>

namespace quillon::ui {

namespace {
const QString kName = QStringLiteral("noteBalloon");
}

NoteBalloon& NoteBalloon::Of(QWidget* owner) {
    QWidget* window = owner->window();
    auto* balloon = window->findChild<NoteBalloon*>(kName, Qt::FindDirectChildrenOnly);
    return balloon ? *balloon : *new NoteBalloon(window);
}

NoteBalloon::NoteBalloon(QWidget* window) : QLabel(window) {
    setObjectName(kName);
    setPalette(QToolTip::palette());
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(3);
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void NoteBalloon::ShowBelow(QWidget* owner, const QRect& place, const QString& text) {
    setText(text);
    adjustSize();
    QWidget* window = parentWidget();
    const QPoint below = owner->mapTo(window, place.bottomLeft() + QPoint(0, 2));
    const int x = std::clamp(below.x(), 0, std::max(0, window->width() - width()));
    int y = below.y();
    if (y + height() > window->height())  // no room below: above the place instead
        y = owner->mapTo(window, place.topLeft()).y() - height() - 2;
    move(x, std::max(0, y));
    raise();
    show();
    qApp->installEventFilter(this);
}

bool NoteBalloon::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            hide();
            qApp->removeEventFilter(this);
            break;
        default:
            break;
    }
    return QLabel::eventFilter(watched, event);
}

}  // namespace quillon::ui
