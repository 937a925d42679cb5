#include "gui/app/features.h"

#include "gui/app/main_window.h"
#include "gui/map/map_launcher.h"
#include "gui/report/report_menu.h"

namespace drv {

void InstallFeatures(MainWindow& window) {
    new ReportMenu(window);  // ファイル → 報告書を作成, 印刷, 証拠として保存 (and the picture's menu)
    new MapLauncher(window);  // 表示 → 地図 (and the picture's menu)
}

}  // namespace drv
