// quillon: the desktop window for reading XML text.
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <string_view>
#include <vector>

#include "ui/desktop.h"
#include "ui/command_line.h"
#include "ui/main_window.h"

namespace {

quillon::ui::StartRequest Read(int argc, char* argv[]) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return quillon::ui::ReadArguments(args);
}

}  // namespace

int main(int argc, char* argv[]) {
    using quillon::ui::StartRequest;
    // Help and version answer before Qt looks for a display.
    if (const StartRequest early = Read(argc, argv); early.kind != StartRequest::kRun) {
        if (early.kind == StartRequest::kHelp) std::fputs(quillon::ui::HelpText().c_str(), stdout);
        if (early.kind == StartRequest::kVersion)
            std::fputs(quillon::ui::VersionText().c_str(), stdout);
        if (early.kind != StartRequest::kUsageError) return 0;
    }
    QApplication application(argc, argv);  // takes Qt's own options out of argv
    quillon::ui::InstallChineseQtTexts(application);
    const StartRequest request = Read(argc, argv);
    if (request.kind == StartRequest::kUsageError) {
        std::fprintf(stderr, "quillon: %s\n%s", request.error.c_str(),
                     quillon::ui::HelpText().c_str());
        return 2;
    }
    quillon::ui::MainWindow window;
    if (!request.file.empty())
        QTimer::singleShot(0, &window, [&window, &request] { window.OpenFile(request.file); });
    return quillon::ui::RunMainLoop(window);
}
