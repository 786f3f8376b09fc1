// quillon-shot: builds the window without a display, parses the preset sample, selects "title"
// as a click would, and saves a PNG of the window.
//
//   quillon-shot [output.png]     (default: window.png)
#include <QApplication>
#include <QPushButton>
#include <cstdio>

#include "ui/main_window.h"
#include "ui/tree_view.h"

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("window.png");

    quillon::ui::MainWindow window;
    window.show();
    window.ParseButton().click();

    quillon::ui::TreeView& tree = window.Tree();
    tree.ExpandAll();
    for (int i = 0; i < tree.Model().Count(); ++i) {
        if (tree.ItemText(i) != "title") continue;
        tree.setCurrentIndex(tree.Model().ModelIndex(i));
        window.App().ShowSelection(quillon::app::kByMouse);
    }
    QApplication::processEvents();

    if (!window.grab().save(output, "PNG")) {
        std::fprintf(stderr, "quillon-shot: cannot write %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
