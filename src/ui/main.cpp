// quillon: the desktop window for reading XML text.
#include <QApplication>

#include "ui/desktop.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    quillon::ui::InstallChineseQtTexts(application);
    quillon::ui::MainWindow window;
    return quillon::ui::RunMainLoop(window);
}
