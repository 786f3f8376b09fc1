// The window's side of opening files: drops of local files and the file given at start.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <optional>

#include "ui/desktop.h"
#include "ui/main_window.h"

namespace quillon::ui {
namespace {

// The first local file a drag carries.
std::optional<std::filesystem::path> DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return std::nullopt;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return LocalPath(url.toLocalFile());
    return std::nullopt;
}

}  // namespace

// The edit boxes take drops of text themselves, a file's name included; a file dropped on them
// must open like one dropped anywhere else, so the window sees drags on every control first.
void MainWindow::AcceptFileDrops() {
    setAcceptDrops(true);
    for (QWidget* control : centralWidget()->findChildren<QWidget*>())
        control->installEventFilter(this);
}

bool MainWindow::TakeFileDrag(QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!DraggedFile(drag->mimeData())) return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::optional<std::filesystem::path> file = DraggedFile(drop->mimeData());
            if (!file) return false;
            drop->acceptProposedAction();
            OpenFile(*file);
            return true;
        }
        default:
            return false;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    return TakeFileDrag(event) || QMainWindow::eventFilter(watched, event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!TakeFileDrag(event)) QMainWindow::dragEnterEvent(event);
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
    if (!TakeFileDrag(event)) QMainWindow::dragMoveEvent(event);
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (!TakeFileDrag(event)) QMainWindow::dropEvent(event);
}

}  // namespace quillon::ui
