#include "gui/common/app_paths.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QStorageInfo>

#include "gui/common/dialogs.h"

namespace drv {

std::filesystem::path QtAppPaths::programFolder() const {
    const std::filesystem::path beside = QStringToPath(QCoreApplication::applicationDirPath());
    if (std::filesystem::exists(beside / "default_vor.bmp")) return beside;
    // Installed layout: <prefix>/bin/drviewer and <prefix>/share/drviewer/.
    const std::filesystem::path shared = beside.parent_path() / "share" / "drviewer";
    if (std::filesystem::exists(shared / "default_vor.bmp")) return shared;
    return beside;
}

std::filesystem::path QtAppPaths::userDataFolder() const {
    return QStringToPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

std::vector<std::filesystem::path> QtAppPaths::cardRoots() const {
    std::vector<std::filesystem::path> roots;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) continue;
        roots.push_back(QStringToPath(volume.rootPath()));
    }
    return roots;
}

}  // namespace drv
