// drtool map: the recording's track as a PNG picture, as the map window shows it, for
// reports and scripts. Without --tiles no network is used at all.
#include <QImage>
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "draw/common/picture_encoding.h"
#include "core/common/file_write.h"
#include "core/recording/recording_dump.h"
#include "core/map/track_source.h"
#include "draw/map/map_picture.h"
#include "net/map/tile_fetcher.h"

namespace drv::cli {
namespace {

constexpr const char* kUsage = "map FOLDER -o OUT.png [--size WxH] [--tiles none|gsi|gsi-pale|osm|URL] [--frame N]";

int usageError(const std::string& message) {
    std::fprintf(stderr, "drtool map: %s\nusage: drtool %s\n", message.c_str(), kUsage);
    return 2;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "drtool map: %s\n", message.c_str());
    return 1;
}

bool parseSize(const std::string& text, int& w, int& h) {
    const auto x = text.find('x');
    return x != std::string::npos && ParseInt(text.substr(0, x), w) && ParseInt(text.substr(x + 1), h) && w >= 64 &&
           h >= 64 && w <= 8192 && h <= 8192;
}

int runMap(const Args& args) {
    FolderAndOutput given;
    int width = 1024, height = 768, frame = 0;
    TileServer server = BuiltInTileServers().front();
    const std::string wrong = ReadArguments(args, given, "OUT.png", [&](std::size_t& i, std::string& error) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--size") {
            if (!hasValue || !parseSize(args[++i], width, height)) error = "--size is WxH, each from 64 to 8192 pixels";
        } else if (a == "--frame") {
            if (!hasValue || !ParseInt(args[++i], frame) || frame < 1) error = "--frame needs a frame number from 1";
        } else {
            return TakeTiles(args, i, server, error);
        }
        return true;
    });
    if (!wrong.empty()) return usageError(wrong);
    const std::string& folder = given.folder;
    const std::string& output = given.output;

    Recording recording;
    if (const Status loaded = LoadRecordingFolder(folder, recording); !loaded) return fail(loaded.message);
    if (frame > recording.frameCount())
        return fail("frame " + std::to_string(frame) + " is not within the recording's 1 to " +
                    std::to_string(recording.frameCount()));
    const Track track = RecordingTrack(recording);
    MapScene scene;
    scene.track = &track;
    scene.server = server;
    scene.view = FitTrack(track, width, height, 40, server.maxZoom);

    TileFetcher fetcher;
    const QImage picture = RenderMapWithTiles(scene, fetcher, frame);
    if (server.kind != TileServerKind::None && fetcher.failing())
        std::fprintf(stderr, "drtool map: note: some map tiles could not be fetched; the grid shows there\n");
    const QByteArray png = EncodePicture(picture, "png");
    if (png.isEmpty()) return fail("cannot encode the picture as PNG");
    if (const Status written = ReplaceFileContents(output, std::string_view(png.constData(), png.size())); !written)
        return fail("cannot write " + output + ": " + written.message);
    if (!track.hasPositions()) std::fprintf(stderr, "drtool map: note: the recording has no positions\n");
    return 0;
}

}  // namespace

DRV_CLI_PICTURE_COMMAND(map, "map", kUsage, runMap);

}  // namespace drv::cli
