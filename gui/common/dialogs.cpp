#include "gui/common/dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace drv {

Dialogs::Button QtDialogs::message(QWidget* owner, const QString& text, const QString& title,
                                   Buttons buttons, Icon icon) {
    QMessageBox box(owner);
    // Texts keep the CR LF line breaks they are defined with; a label wants LF alone.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box.setWindowTitle(title);
    switch (icon) {
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    }
    switch (box.exec()) {
        case QMessageBox::Cancel: return Button::Cancel;
        case QMessageBox::Yes: return Button::Yes;
        case QMessageBox::No: return Button::No;
        default: return buttons == Buttons::YesNo ? Button::No : Button::Ok;
    }
}

std::filesystem::path QtDialogs::browseForFolder(QWidget* owner, const QString& title,
                                                 const std::filesystem::path& startFolder) {
    // Symbolic links stay as the user chose them: the path shown is the path kept.
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, PathToQString(startFolder), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty()) return startFolder;
    return NormalizeChosenFolder(QStringToPath(chosen));
}

std::filesystem::path NormalizeChosenFolder(const std::filesystem::path& folder) {
    std::string text = folder.native();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return std::filesystem::path(text);
}

// QFile's name codec maps undecodable bytes losslessly, so paths round-trip.
QString PathToQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

std::filesystem::path QStringToPath(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

}  // namespace drv
