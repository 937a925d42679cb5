#include "core/map/tile_rules.h"

#include <algorithm>
#include <cstdio>

namespace drv {

const std::vector<TileServer>& BuiltInTileServers() {
    static const std::vector<TileServer> servers = {
        {TileServerKind::None, "", "", "none", kMaxMapZoom},
        {TileServerKind::GsiStandard, "https://cyberjapandata.gsi.go.jp/xyz/std/{z}/{x}/{y}.png", "出典：国土地理院",
         "gsi", 18},
        {TileServerKind::GsiPale, "https://cyberjapandata.gsi.go.jp/xyz/pale/{z}/{x}/{y}.png", "出典：国土地理院",
         "gsi-pale", 18},
        {TileServerKind::OpenStreetMap, "https://tile.openstreetmap.org/{z}/{x}/{y}.png",
         "© OpenStreetMap contributors", "osm", 19},
    };
    return servers;
}

std::optional<TileServer> CustomTileServer(std::string_view urlTemplate) {
    const std::string t(urlTemplate);
    const bool scheme = t.starts_with("http://") || t.starts_with("https://");
    if (!scheme || TileHost(t).empty()) return std::nullopt;
    for (const char* field : {"{z}", "{x}", "{y}"})
        if (t.find(field) == std::string::npos) return std::nullopt;
    for (char c : t)
        if (static_cast<unsigned char>(c) <= ' ') return std::nullopt;
    return TileServer{TileServerKind::Custom, t, "", t, kMaxMapZoom};
}

std::optional<TileServer> TileServerByName(std::string_view name) {
    for (const TileServer& s : BuiltInTileServers())
        if (s.key == name) return s;
    return CustomTileServer(name);
}

std::string TileUrl(const std::string& urlTemplate, const TileId& tile) {
    std::string url;
    url.reserve(urlTemplate.size() + 16);
    for (std::size_t i = 0; i < urlTemplate.size();) {
        auto field = [&](const char* name, int value) {
            if (urlTemplate.compare(i, 3, name) != 0) return false;
            url += std::to_string(value);
            i += 3;
            return true;
        };
        if (field("{z}", tile.z) || field("{x}", tile.x) || field("{y}", tile.y)) continue;
        url += urlTemplate[i++];
    }
    return url;
}

std::string TileHost(const std::string& urlTemplate) {
    const std::size_t scheme = urlTemplate.find("://");
    if (scheme == std::string::npos) return {};
    const std::size_t start = scheme + 3;
    std::size_t end = urlTemplate.find_first_of("/?#", start);
    std::string authority = urlTemplate.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (const std::size_t at = authority.rfind('@'); at != std::string::npos) authority.erase(0, at + 1);
    // The host without its port, an IPv6 address with its brackets.
    const std::size_t close = !authority.empty() && authority.front() == '[' ? authority.find(']') : std::string::npos;
    if (close != std::string::npos) authority.erase(close + 1);
    else if (const std::size_t colon = authority.find(':'); colon != std::string::npos) authority.erase(colon);
    return authority;
}

std::string TileCacheName(const std::string& urlTemplate, const TileId& tile) {
    // FNV-1a, 64 bits: a name, not a security measure.
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : urlTemplate) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char name[80];
    std::snprintf(name, sizeof name, "%016llx-%d-%d-%d.tile", static_cast<unsigned long long>(h), tile.z, tile.x,
                  tile.y);
    return name;
}

bool LooksLikeTile(std::string_view bytes) {
    if (bytes.size() > kMaxTileBytes) return false;
    constexpr std::string_view png("\x89PNG\r\n\x1a\n", 8);
    constexpr std::string_view jpeg("\xff\xd8\xff", 3);
    return bytes.starts_with(png) || bytes.starts_with(jpeg);
}

std::int64_t BackoffMilliseconds(int failures, std::optional<std::int64_t> retryAfterSeconds) {
    constexpr std::int64_t kMax = 5 * 60 * 1000;
    if (retryAfterSeconds && *retryAfterSeconds >= 0) return std::min(kMax, *retryAfterSeconds * 1000);
    if (failures <= 0) return 0;
    return std::min<std::int64_t>(kMax, std::int64_t{1000} << std::min(failures - 1, 20));
}

std::vector<std::string> TilesToEvict(std::vector<CachedTileFile> files, std::uint64_t budgetBytes) {
    std::uint64_t total = 0;
    for (const auto& f : files) total += f.bytes;
    std::stable_sort(files.begin(), files.end(),
                     [](const CachedTileFile& a, const CachedTileFile& b) { return a.lastUsed < b.lastUsed; });
    std::vector<std::string> evict;
    for (const auto& f : files) {
        if (total <= budgetBytes) break;
        evict.push_back(f.name);
        total -= f.bytes;
    }
    return evict;
}

}  // namespace drv
