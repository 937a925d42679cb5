// drtool: the viewer's logic on the command line (inspect recordings, make samples, ...).
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/command.h"

namespace drv::cli {

std::vector<Command>& registry() {
    static std::vector<Command> commands;
    return commands;
}

bool RegisterCommand(const Command& command) {
    registry().push_back(command);
    return true;
}

const std::vector<Command>& Commands() { return registry(); }

}  // namespace drv::cli

namespace {

// drtool's stderr carries its own errors only: Qt's notes about the session (no
// XDG_RUNTIME_DIR, no fonts configured, ...) are not errors of the command.
void keepQtNotesOffStderr(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "drtool: %s\n", qPrintable(message));
}

void printHelp() {
    std::printf("drtool 1.30: drive recorder recordings on the command line\n\nUsage:\n");
    std::printf("  drtool --version\n  drtool help\n");
    for (const auto& command : drv::cli::Commands()) std::printf("  drtool %s\n", command.usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printHelp();
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--version" || name == "version") {
        std::printf("drtool 1.30\n");
        return 0;
    }
    if (name == "help" || name == "--help" || name == "-h") {
        printHelp();
        return 0;
    }
    for (const auto& command : drv::cli::Commands()) {
        if (name != command.name) continue;
        if (!command.pictures) return command.run(drv::cli::Args(argv + 2, argv + argc));
        // Picture codecs and fonts come from Qt; no display is needed. Only these commands
        // start Qt.
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
        qInstallMessageHandler(keepQtNotesOffStderr);
        QGuiApplication app(argc, argv);
        return command.run(drv::cli::Args(argv + 2, argv + argc));
    }
    std::fprintf(stderr, "drtool: unknown command '%s' (try 'drtool help')\n", name.c_str());
    return 2;
}
