#pragma once
// The arguments shared by the commands that turn one recording into one file.
#include <cstddef>
#include <cstdio>
#include <string>

#include "cli/command.h"
#include "core/map/tile_rules.h"
#include "core/viewer/brightness.h"
#include "net/report/report_tiles.h"

namespace drv::cli {

// "1.5" or "2.0" (or "2"), as the brightness menu offers them.
inline bool ParseBrightness(const std::string& text, BrightnessMode& out) {
    if (text == "1.5") out = BrightnessMode::X15;
    else if (text == "2.0" || text == "2") out = BrightnessMode::X20;
    else return false;
    return true;
}

// Consumes `--tiles none|gsi|gsi-pale|osm|URL` at args[i], the map's background as `drtool map`
// and `drtool report` take it; a missing or unknown name sets `error`.
inline bool TakeTiles(const Args& args, std::size_t& i, TileServer& server, std::string& error) {
    if (args[i] != "--tiles") return false;
    const auto chosen = i + 1 < args.size() ? TileServerByName(args[++i]) : std::nullopt;
    if (chosen) server = *chosen;
    else error = "--tiles is none, gsi, gsi-pale, osm or an http(s) URL with {z}, {x} and {y}";
    return true;
}

// The report's map: `--tiles` and `--no-map` (grid only by default, so no network is used).
struct ReportMapOptions {
    TileServer server = BuiltInTileServers().front();
    bool include = true;

    bool take(const Args& args, std::size_t& i, std::string& error) {
        if (args[i] != "--no-map") return TakeTiles(args, i, server, error);
        include = false;
        return true;
    }

    // Page 1's map hook (none with --no-map), its tiles fetched first; a note on stderr for
    // tiles that could not be had.
    std::function<QString(QPainter&, const QRectF&)> painter(const Recording& recording, const char* command) const {
        if (!include) return {};
        bool complete = true;
        auto paint = ReportMapWithTiles(recording, server, &complete);
        if (!complete)
            std::fprintf(stderr, "drtool %s: note: some map tiles could not be fetched; the grid shows there\n",
                         command);
        return paint;
    }
};

// The recording's folder (the first bare word) and `-o FILE`.
struct FolderAndOutput {
    std::string folder, output;

    // Consumes args[i] (and its value) when it is one of the two; a malformed one sets `error`.
    bool take(const Args& args, std::size_t& i, std::string& error) {
        const std::string& a = args[i];
        if (a == "-o" || a == "--output") {
            if (i + 1 >= args.size() || args[i + 1].empty()) error = "-o needs a file name";
            else output = args[++i];
            return true;
        }
        if (!folder.empty() || a.empty() || a[0] == '-') return false;
        folder = a;
        return true;
    }

    // What is missing once every argument is read, or "" when both were given.
    std::string missing(const char* outputShape) const {
        if (folder.empty()) return "no folder given";
        if (output.empty()) return std::string("no -o ") + outputShape + " given";
        return {};
    }
};

// Reads a command's arguments: the folder, `-o FILE`, and the command's own options, which
// `own(i, error)` consumes at args[i] (with its value), returning false for one it does not
// know and setting `error` for a malformed one. The usage error, or "" when all is well.
template <typename Own>
std::string ReadArguments(const Args& args, FolderAndOutput& given, const char* outputShape, Own own) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        if (!given.take(args, i, error) && !own(i, error)) return "unexpected argument '" + args[i] + "'";
        if (!error.empty()) return error;
    }
    return given.missing(outputShape);
}

}  // namespace drv::cli
