#include "gui/common/dialogs.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

#include "core/common/file_write.h"

namespace drv {

Dialogs::Button QtDialogs::message(QWidget* owner, const QString& text, const QString& title, Buttons buttons,
                                   Icon icon) {
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
    // Symbolic links stay as the user chose them: the path shown is the path kept. A URL, unlike
    // text, carries a name that is not UTF-8 byte for byte (as the desktop's own pickers give it).
    const QUrl chosen = QFileDialog::getExistingDirectoryUrl(
        owner, title, PathToUrl(startFolder), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks,
        {QStringLiteral("file")});
    if (chosen.isEmpty()) return std::nullopt;
    return NormalizeChosenFolder(UrlToPath(chosen));
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

bool WriteFileOrTell(Dialogs& dialogs, QWidget* owner, const QString& title, const std::filesystem::path& file,
                     std::string_view bytes) {
    const Status written = ReplaceFileContents(file, bytes);
    if (written) return true;
    dialogs.message(owner,
                    QStringLiteral("ファイルを保存できませんでした。\r\n%1\r\n(%2)")
                        .arg(PathToQString(file), QString::fromLocal8Bit(written.message)),
                    title, Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
    return false;
}

QString PathToQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

namespace {

// The one entry of `folder` whose name shows as `shown`; none when no entry or several do.
std::optional<std::filesystem::path> entryShownAs(const std::filesystem::path& folder, const QString& shown) {
    std::optional<std::filesystem::path> found;
    std::error_code error;
    std::filesystem::directory_iterator it(folder.empty() ? std::filesystem::path(".") : folder, error);
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        const std::filesystem::path name = it->path().filename();
        if (PathToQString(name) != shown) continue;
        if (found) return std::nullopt;
        found = name;
    }
    return found;
}

// A path that went through the file-name codec as text holds U+FFFD wherever a name had bytes
// that are not UTF-8, and then names nothing. Each such part is looked up in its folder: the
// one entry shown as the same text is the name meant.
std::filesystem::path withBytesFromDisk(const std::filesystem::path& path) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8
    std::error_code error;
    if (path.native().find(kReplacement) == std::string::npos || std::filesystem::exists(path, error)) return path;
    std::filesystem::path resolved;
    for (const std::filesystem::path& part : path) {
        std::filesystem::path next = resolved / part;
        if (part.native().find(kReplacement) != std::string::npos && !std::filesystem::exists(next, error)) {
            if (const auto name = entryShownAs(resolved, PathToQString(part))) next = resolved / *name;
        }
        resolved = std::move(next);
    }
    return resolved;
}

}  // namespace

std::filesystem::path QStringToPath(const QString& text) {
    return withBytesFromDisk(std::filesystem::path(QFile::encodeName(text).toStdString()));
}

QUrl PathToUrl(const std::filesystem::path& path) {
    const QByteArray bytes = QByteArray::fromStdString(path.native());
    if (!bytes.startsWith('/')) return QUrl::fromLocalFile(PathToQString(path));
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
}

std::filesystem::path UrlToPath(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    // Fully encoded, the path keeps every byte that is not UTF-8 as a %XX escape.
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return withBytesFromDisk(std::filesystem::path(bytes.toStdString()));
}

}  // namespace drv
