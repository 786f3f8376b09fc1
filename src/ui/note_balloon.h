#pragma once
// A short note shown beside a place in a widget, in the tooltip's colours, that stays until the
// next key press or mouse click anywhere in the program (a tooltip would fade on its own or with
// the next mouse move, before a person has read where the problem is).
#include <QLabel>

namespace quillon::ui {

class NoteBalloon : public QLabel {
    Q_OBJECT
  public:
    // The one balloon of `owner`'s window, made on first use. It lives in the window, not in
    // `owner`, so that it may reach past `owner`'s edges.
    static NoteBalloon& Of(QWidget* owner);

    // Shows `text` just below `place` (in `owner`'s coordinates), kept inside the window.
    void ShowBelow(QWidget* owner, const QRect& place, const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit NoteBalloon(QWidget* window);
};

}  // namespace quillon::ui
