#include "gui/common/dialogs.h"

#include <algorithm>

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

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
    return chooseFolder(owner, title, startFolder).value_or(startFolder);
}

std::optional<std::filesystem::path> QtDialogs::chooseFolder(QWidget* owner, const QString& title,
                                                             const std::filesystem::path& startFolder) {
    // Symbolic links stay as the user chose them: the path shown is the path kept.
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, PathToQString(startFolder), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (chosen.isEmpty()) return std::nullopt;
    return NormalizeChosenFolder(QStringToPath(chosen));
}

std::optional<std::filesystem::path> Dialogs::chooseFolder(QWidget* owner, const QString& title,
                                                           const std::filesystem::path& startFolder) {
    std::filesystem::path chosen = browseForFolder(owner, title, startFolder);
    if (chosen == startFolder) return std::nullopt;
    return chosen;
}

namespace {

// The extensions of a name filter: "JPEG (*.jpg *.jpeg)" -> jpg, jpeg.
QStringList filterSuffixes(const QString& filter) {
    QStringList suffixes;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    for (auto it = pattern.globalMatch(filter); it.hasNext();) suffixes << it.next().captured(1);
    return suffixes;
}

}  // namespace

Dialogs::SavePick QtDialogs::saveFile(QWidget* owner, const QString& title, const std::filesystem::path& suggested,
                                      const QStringList& filters) {
    QFileDialog dialog(owner, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.selectFile(PathToQString(suggested));
    // A name typed without extension gets the chosen filter's before the replace question.
    auto followFilter = [&dialog](const QString& filter) {
        const QStringList suffixes = filterSuffixes(filter);
        dialog.setDefaultSuffix(suffixes.isEmpty() ? QString() : suffixes.front());
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    if (!filters.isEmpty()) followFilter(filters.front());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    SavePick pick{QStringToPath(dialog.selectedFiles().front()),
                  static_cast<int>(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())))};
    // A name typed with the extension of another filter means that filter's format.
    const QString suffix = QString::fromStdString(pick.file.extension().string()).mid(1);
    for (int i = 0; i < filters.size() && !suffix.isEmpty(); ++i) {
        if (filterSuffixes(filters[i]).contains(suffix, Qt::CaseInsensitive)) pick.filter = i;
    }
    return pick;
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
