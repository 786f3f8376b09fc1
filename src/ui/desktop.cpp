#include "ui/desktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QLibraryInfo>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include "ui/text_convert.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillon::ui {
namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A letter, then letters, digits, "+", "-" or ".", then a colon.
bool HasScheme(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (colon == std::string_view::npos || colon < 2 || !IsLetter(target[0])) return false;
    for (const char c : target.substr(1, colon - 1)) {
        const bool digit = c >= '0' && c <= '9';
        if (!IsLetter(c) && !digit && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

}  // namespace

int QtDesktop::ShowMessage(const Text& text, const Text& caption, app::MessageButtons buttons) {
    QString body = ToQString(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, ToQString(caption), body, QMessageBox::NoButton, nullptr);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    if (buttons == app::kOkCancelButtons) {
        box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setDefaultButton(ok);
    box.exec();
    // A box with OK alone takes Escape and the close button as OK, as the platform's own does.
    return box.clickedButton() == ok ? app::kAnsweredOk : app::kAnsweredCancel;
}

bool QtDesktop::OpenWithShell(const Text& target) {
#ifdef _WIN32
    // Values above 32 mean success.
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", target.c_str(), "", "", SW_SHOWNORMAL));
    return result > 32;
#else
    return QDesktopServices::openUrl(ShellUrl(target));
#endif
}

QTranslator* InstallChineseQtTexts(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

namespace {

QString FileFilter() {
    return QString::fromUtf8("XML 文件 (*.xml);;所有文件 (*)");
}

}  // namespace

std::filesystem::path QtDesktop::ChooseFileToOpen() {
    const QString name =
        QFileDialog::getOpenFileName(nullptr, QString::fromUtf8("打开"), folder_, FileFilter());
    if (name.isEmpty()) return {};
    folder_ = QFileInfo(name).absolutePath();
    return LocalPath(name);
}

std::filesystem::path QtDesktop::ChooseFileToSave(const std::filesystem::path& suggested) {
    const QString start = suggested.empty() ? folder_ : LocalName(suggested);
    const QString name =
        QFileDialog::getSaveFileName(nullptr, QString::fromUtf8("另存为"), start, FileFilter());
    if (name.isEmpty()) return {};
    folder_ = QFileInfo(name).absolutePath();
    return LocalPath(name);
}

std::filesystem::path LocalPath(const QString& name) {
#ifdef _WIN32
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

QString LocalName(const std::filesystem::path& file) {
#ifdef _WIN32
    return QString::fromStdWString(file.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(file.native()));
#endif
}

QUrl ShellUrl(const Text& target) {
    if (HasScheme(target)) return QUrl(ToQString(target), QUrl::TolerantMode);
    return QUrl::fromLocalFile(ToQString(target));
}

}  // namespace quillon::ui
