// drtool: the viewer's logic on the command line (inspect recordings, make samples, ...).
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/command.h"
#include "core/common/version.h"

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

int UsageError(const char* command, const char* usage, const std::string& why) {
    std::fprintf(stderr, "drtool %s: %s\n", command, why.c_str());
    if (usage) std::fprintf(stderr, "usage: drtool %s\n", usage);
    return 2;
}

int Failure(const char* command, const std::string& why) {
    std::fprintf(stderr, "drtool %s: %s\n", command, why.c_str());
    return 1;
}

}  // namespace drv::cli

namespace {

// drtool's stderr carries its own errors only: Qt's notes about the session (no
// XDG_RUNTIME_DIR, no fonts configured, ...) are not errors of the command.
void keepQtNotesOffStderr(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "drtool: %s\n", qPrintable(message));
}

// `--help` anywhere, or `-h` first, asks for the command's usage rather than running it.
bool asksForHelp(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[2], "-h") == 0) return true;
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0) return true;
    return false;
}

void printUsage(const drv::cli::Command& command) { std::printf("usage: drtool %s\n", command.usage); }

void printHelp() {
    std::printf("drtool %s: drive recorder recordings on the command line\n\nUsage:\n", drv::ProgramVersion());
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
        std::printf("drtool %s\n", drv::ProgramVersion());
        return 0;
    }
    if (name == "help" || name == "--help" || name == "-h") {
        if (argc == 3) {
            for (const auto& command : drv::cli::Commands()) {
                if (argv[2] != std::string(command.name)) continue;
                printUsage(command);
                return 0;
            }
            std::fprintf(stderr, "drtool: unknown command '%s' (try 'drtool help')\n", argv[2]);
            return 2;
        }
        printHelp();
        return 0;
    }
    for (const auto& command : drv::cli::Commands()) {
        if (name != command.name) continue;
        if (asksForHelp(argc, argv)) {
            printUsage(command);
            return 0;
        }
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
