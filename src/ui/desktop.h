#pragma once
// The platform services of the handlers over Qt: message boxes and the shell's "open".
#include <QUrl>

#include "app/components.h"

class QCoreApplication;
class QTranslator;

namespace quillon::ui {

class QtDesktop : public app::Desktop {
  public:
    // A QMessageBox without parent or icon, modal to the whole application; CR LF in the text
    // breaks the line.
    int ShowMessage(const Text& text, const Text& caption, app::MessageButtons buttons) override;
    // Hands the target to the user's default handler: a web browser for an address, the
    // associated program for a local file. False when there is no such handler.
    bool OpenWithShell(const Text& target) override;
    // Qt's file dialogs, without owner, starting in the folder of the last file chosen.
    std::filesystem::path ChooseFileToOpen() override;
    std::filesystem::path ChooseFileToSave(const std::filesystem::path& suggested) override;

  private:
    QString folder_;  // where the last dialog ended
};

// Loads and installs Qt's own Chinese texts (message box buttons, edit box context menus) into
// `application`, whatever the user's locale. Returns the translator, owned by the application,
// or null when the translations are not installed.
QTranslator* InstallChineseQtTexts(QCoreApplication& application);

// A local file name as the file system spells it, and back.
std::filesystem::path LocalPath(const QString& name);
QString LocalName(const std::filesystem::path& file);

// The URL that OpenWithShell opens for a target: the target itself when it starts with a scheme
// of two letters or more, else the local file it names (a drive letter is no scheme).
QUrl ShellUrl(const Text& target);

}  // namespace quillon::ui
