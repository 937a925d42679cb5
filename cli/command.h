#pragma once
// drtool subcommands register themselves, so each lives in a file of its own.
#include <charconv>
#include <string>
#include <vector>

namespace drv::cli {

using Args = std::vector<std::string>;  // arguments after the subcommand's name
using CommandFn = int (*)(const Args& args);

// Every command answers `drtool NAME --help` (and `drtool help NAME`) with its usage on stdout
// and status 0; main() does that for all of them, so a command needs only its usage line.
struct Command {
    const char* name;
    const char* usage;  // one line, shown by `drtool help` and `drtool NAME --help`
    CommandFn run;
    bool pictures = false;  // reads, writes or draws pictures: runs inside a QGuiApplication
};

bool RegisterCommand(const Command& command);

// The whole of `text` as a decimal int: no blanks, signs other than a leading '-', or trailing
// characters; the commands check the range of each value themselves.
inline bool ParseInt(const std::string& text, int& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end && !text.empty();
}
const std::vector<Command>& Commands();

// What a command says when it stops: "drtool NAME: why" on stderr, for a usage error followed
// by its usage line. They return the exit status: 2 for a usage error, 1 for a failure.
int UsageError(const char* command, const char* usage, const std::string& why);
int Failure(const char* command, const std::string& why);

// "--max-depth N": how deep below a root the card's recordings are looked for.
inline bool ParseDepth(const std::string& text, int& out) { return ParseInt(text, out) && out >= 0 && out <= 1000; }

}  // namespace drv::cli

#define DRV_CLI_COMMAND(ident, name, usage, fn) \
    static const bool ident##_registered = ::drv::cli::RegisterCommand({name, usage, fn})
#define DRV_CLI_PICTURE_COMMAND(ident, name, usage, fn) \
    static const bool ident##_registered = ::drv::cli::RegisterCommand({name, usage, fn, true})
