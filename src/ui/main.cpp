// quillon: the desktop window for reading XML text.
#include <QApplication>

#include "ui/main_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    quillon::ui::MainWindow window;
    return quillon::ui::RunMainLoop(window);
}
