#pragma once
// The background map's servers and the rules the fetcher and its disk cache follow, without
// any network code: which server a choice names, the URL of a tile, which replies count as
// tiles, how long to wait after a failure, and which cached tiles go when the cache is full.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/map/web_mercator.h"

namespace drv {

enum class TileServerKind { None, GsiStandard, GsiPale, OpenStreetMap, Custom };

struct TileServer {
    TileServerKind kind = TileServerKind::None;
    std::string urlTemplate;    // with {z}, {x} and {y}; empty for None
    std::string attribution;    // shown on the map and in every saved picture
    std::string key;            // the setting's and the command line's name: none, gsi, ...
    int maxZoom = kMaxMapZoom;  // the closest tiles it has; closer views enlarge them
};

// The built-in choices, None first.
const std::vector<TileServer>& BuiltInTileServers();
// A server of the user's own: `urlTemplate` must be http(s) with {z}, {x} and {y}.
std::optional<TileServer> CustomTileServer(std::string_view urlTemplate);
// A built-in server by key (none, gsi, gsi-pale, osm), else a custom URL template.
std::optional<TileServer> TileServerByName(std::string_view name);

// The URL of one tile.
std::string TileUrl(const std::string& urlTemplate, const TileId& tile);
// The host that receives the requests ("cyberjapandata.gsi.go.jp"); empty when none.
std::string TileHost(const std::string& urlTemplate);

// A file name for the tile in the disk cache: the server's template and the tile, hashed so
// that servers never share an entry and the name is safe on any file system.
std::string TileCacheName(const std::string& urlTemplate, const TileId& tile);

// Replies larger than this are never tiles.
inline constexpr std::size_t kMaxTileBytes = 1024 * 1024;
// A tile is a PNG or a JPEG (by its first bytes) of at most kMaxTileBytes.
bool LooksLikeTile(std::string_view bytes);

// After `failures` failed requests in a row: how long to wait before the next request to the
// server (1, 2, 4, ... s, at most 5 minutes), or the server's Retry-After when it gave one.
std::int64_t BackoffMilliseconds(int failures, std::optional<std::int64_t> retryAfterSeconds = std::nullopt);

// The disk cache's bound and its eviction: oldest first until the rest fits.
inline constexpr std::uint64_t kDefaultTileCacheBytes = 200ull * 1024 * 1024;
struct CachedTileFile {
    std::string name;
    std::uint64_t bytes = 0;
    std::int64_t lastUsed = 0;  // any clock; larger is newer
};
std::vector<std::string> TilesToEvict(std::vector<CachedTileFile> files, std::uint64_t budgetBytes);

}  // namespace drv
