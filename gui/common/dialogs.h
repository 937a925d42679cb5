#pragma once
// Message boxes and the folder picker behind one interface: the windows ask, tests answer.
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string_view>

class QUrl;
class QWidget;

namespace drv {

class Dialogs {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Button { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;
    // Shows `text` with `title` as caption; returns the button pressed.
    virtual Button message(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;
    // Folder picker opened on `startFolder`. Returns the chosen folder (no trailing slash
    // except the root "/"; blanks at either end belong to the name), or `startFolder`
    // unchanged when the user cancels, so that the caller sees no change.
    virtual std::filesystem::path browseForFolder(QWidget* owner, const QString& title,
                                                  const std::filesystem::path& startFolder) = 0;
    // The same picker where choosing the start folder itself is an answer: nothing when
    // cancelled. By default a choice equal to `startFolder` counts as cancelled.
    virtual std::optional<std::filesystem::path> chooseFolder(QWidget* owner, const QString& title,
                                                              const std::filesystem::path& startFolder);

    // What the save-file picker gives: the file (empty when cancelled) and the index of the
    // name filter it was chosen with.
    struct SavePick {
        std::filesystem::path file;
        int filter = 0;
    };
    // Save-file picker offering `filters` ("PNG (*.png)"), opened on `suggested`; it asks
    // before replacing an existing file.
    virtual SavePick saveFile(QWidget* owner, const QString& title, const std::filesystem::path& suggested,
                              const QStringList& filters) = 0;
};

class QtDialogs final : public Dialogs {
public:
    Button message(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    std::filesystem::path browseForFolder(QWidget* owner, const QString& title,
                                          const std::filesystem::path& startFolder) override;
    std::optional<std::filesystem::path> chooseFolder(QWidget* owner, const QString& title,
                                                      const std::filesystem::path& startFolder) override;
    SavePick saveFile(QWidget* owner, const QString& title, const std::filesystem::path& suggested,
                      const QStringList& filters) override;
};

// Writes `bytes` to `file` (whole or not at all); a failure is told in a message box
// "ファイルを保存できませんでした。" with the file and the system's reason. True when written.
bool WriteFileOrTell(Dialogs& dialogs, QWidget* owner, const QString& title, const std::filesystem::path& file,
                     std::string_view bytes);

// Strips trailing slashes of a chosen folder, keeping the root "/" whole.
std::filesystem::path NormalizeChosenFolder(const std::filesystem::path& folder);

// Converts between file-system paths (bytes on Linux) and text with the platform's
// file-name codec. Bytes that are not UTF-8 show as U+FFFD; a part of a text with U+FFFD that
// names nothing as encoded is matched against the names on disk, so a path that was shown
// comes back as its own bytes when no other name in its folder shows the same.
QString PathToQString(const std::filesystem::path& path);
std::filesystem::path QStringToPath(const QString& text);

// The pickers' file URLs, which carry every byte of a name (percent-encoded); a URL made
// from lossy text is matched against the disk like QStringToPath. Not a local file: empty.
QUrl PathToUrl(const std::filesystem::path& path);
std::filesystem::path UrlToPath(const QUrl& url);

}  // namespace drv
