// drtool verify: re-reads an evidence package and checks every file against its SHA256SUMS.
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "core/report/package.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage = "verify PACKAGE.zip";

int runVerify(const Args& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::fprintf(stderr, "drtool verify: give one package\nusage: drtool %s\n", kUsage);
        return 2;
    }
    const VerifyResult result = VerifyPackage(args[0]);
    if (!result.error.empty()) {
        std::fprintf(stderr, "drtool verify: %s: %s\n", args[0].c_str(), result.error.c_str());
        return 1;
    }
    int failed = 0;
    // One line per file, as sha256sum -c writes them.
    for (const VerifiedFile& file : result.files) {
        std::printf("%s: %s\n", file.name.c_str(), FileCheckText(file.check));
        if (file.check != FileCheck::Match) ++failed;
    }
    if (result.files.empty()) {
        std::fprintf(stderr, "drtool verify: %s: the package lists no files\n", args[0].c_str());
        return 1;
    }
    if (failed > 0) {
        std::fprintf(stderr, "drtool verify: %d of %zu files do not match\n", failed, result.files.size());
        return 1;
    }
    std::printf("all %zu files match their SHA-256 sums\n", result.files.size());
    return 0;
}

}  // namespace

DRV_CLI_COMMAND(verify, "verify", kUsage, runVerify);

}  // namespace drv::cli
