#include "gui/app/viewer_app.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "gui/app/main_window.h"
#include "gui/app/features.h"
#include "gui/common/app_paths.h"
#include "gui/common/dialogs.h"
#include "gui/common/ui_font.h"
#include "gui/loading/folder_dialog.h"
#include "core/common/version.h"

namespace drv {

namespace {

const char kUsage[] =
    "Usage: drviewer [--events ROOT] [FOLDER]\n       drviewer --help | --version\n"
    "  FOLDER          a recording folder to open at start-up\n"
    "  --events ROOT   the event list of every recording below ROOT (a card, say)\n";

// Headless runs (DRV_SMOKE_TEST=1): message boxes are written to stderr and answered with
// their default button, and the viewer ends once its window is up. Lets scripts and
// tests drive a real start-up without anyone at the screen.
class SmokeDialogs final : public Dialogs {
public:
    Button message(QWidget*, const QString& text, const QString& title, Buttons buttons, Icon icon) override {
        std::fprintf(stderr, "message[%d] %s: %s\n", static_cast<int>(icon), title.toUtf8().constData(),
                     text.toUtf8().constData());
        return buttons == Buttons::YesNo ? Button::No : Button::Ok;
    }
    std::filesystem::path browseForFolder(QWidget*, const QString&, const std::filesystem::path& start) override {
        return start;
    }
    SavePick saveFile(QWidget*, const QString&, const std::filesystem::path&, const QStringList&) override {
        return {};
    }
};

bool smokeTest() { return qEnvironmentVariableIntValue("DRV_SMOKE_TEST") == 1; }

}  // namespace

ViewerArguments ParseViewerArguments(int argc, char** argv) {
    ViewerArguments result;
    bool optionsEnd = false;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const char* arg = argv[i];
        if (!optionsEnd && std::strcmp(arg, "--") == 0) {
            optionsEnd = true;
        } else if (!optionsEnd && std::strcmp(arg, "--events") == 0) {
            if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') {
                result.error = QStringLiteral("--events needs a folder");
            } else {
                result.eventsRoot = std::filesystem::path(std::string(argv[++i]));
            }
        } else if (!optionsEnd && arg[0] == '-' && arg[1] != '\0') {
            result.error = QStringLiteral("unknown option: %1").arg(QString::fromLocal8Bit(arg));
        } else if (!result.folder.empty() || arg[0] == '\0') {
            result.error =
                arg[0] == '\0' ? QStringLiteral("empty folder name") : QStringLiteral("more than one folder given");
        } else {
            result.folder = std::filesystem::path(std::string(arg));
        }
    }
    return result;
}

QString InstanceLockPath() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder + QStringLiteral("/drviewer.lock");
}

std::unique_ptr<QLockFile> AcquireInstanceLock(const QString& lockPath) {
    auto lock = std::make_unique<QLockFile>(lockPath);
    // Never judge a lock by its age: a copy may run for days. A lock whose process is
    // gone is still recognised as stale and taken over.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) return lock;
    if (lock->error() == QLockFile::LockFailedError) return nullptr;
    // The lock cannot even be made (no runtime folder, permissions): running is better
    // than refusing for good, and nothing then proves another copy runs.
    return lock;
}

void ShowAlreadyRunning(Dialogs& dialogs) {
    QApplication::beep();
    dialogs.message(nullptr, QStringLiteral("既に起動されています。"), QStringLiteral("起動中止!!"),
                    Dialogs::Buttons::Ok, Dialogs::Icon::Critical);
}

int RunViewer(int argc, char** argv) {
    // Help and version need no display: answer them before Qt connects to one.
    for (int i = 1; i < argc && argv[i] != nullptr && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("drviewer %s\n", ProgramVersion());
            return 0;
        }
    }

    QApplication app(argc, argv);  // takes Qt's own options (-platform, ...) out of argv
    app.setFont(JapaneseUiFont());
    // The program speaks Japanese whatever the desktop's language, and so do Qt's own parts of
    // it (the file and folder pickers, the standard buttons) when Qt's translations are there.
    QTranslator qtJapanese;
    if (qtJapanese.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtJapanese);

    const ViewerArguments args = ParseViewerArguments(argc, argv);
    if (!args.error.isEmpty()) {
        std::fprintf(stderr, "drviewer: %s\n%s", args.error.toLocal8Bit().constData(), kUsage);
        return 2;
    }

    QtDialogs qtDialogs;
    SmokeDialogs smokeDialogs;
    Dialogs& dialogs = smokeTest() ? static_cast<Dialogs&>(smokeDialogs) : qtDialogs;

    const std::unique_ptr<QLockFile> lock = AcquireInstanceLock(InstanceLockPath());
    if (!lock) {
        ShowAlreadyRunning(dialogs);
        return kExitAlreadyRunning;
    }

    QtAppPaths paths;
    MainWindow window(dialogs, paths);
    InstallFeatures(window);
    window.setRequestedFolder(args.folder);
    window.show();
    if (!smokeTest()) {
        window.openRequestedFolderLater();
        if (!args.eventsRoot.empty()) {
            QTimer::singleShot(0, &window, [&window, root = FolderFromCommandLine(args.eventsRoot)] {
                window.eventList().show(root);
            });
        }
    } else {
        // The report comes after the folder is open: the load runs on a worker meanwhile.
        auto report = [&window, &paths] {
            std::fprintf(stderr, "started: %s\n", window.windowTitle().toUtf8().constData());
            // What the folder argument opened, so that a script can check it.
            std::fprintf(stderr, "recording: %d frames, current %d, folder %s\n", window.recording().frameCount(),
                         static_cast<int>(window.recording().CurrentFrame), window.recording().folder.c_str());
            // Where the resources were found, so that an installed copy can be checked.
            std::fprintf(stderr, "program folder: %s\n", paths.programFolder().c_str());
            window.close();
        };
        QTimer::singleShot(0, &window, [&window, report] {
            window.openRequestedFolder();
            if (!window.loading()) return report();
            QObject::connect(&window, &MainWindow::recordingChanged, &window, report,
                             static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
        });
    }
    return app.exec();
}

}  // namespace drv
