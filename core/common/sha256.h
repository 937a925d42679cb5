#pragma once
// SHA-256 over OpenSSL's libcrypto: verified copies, the evidence package, the report's file list.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/common/status.h"

namespace drv {

// An incremental SHA-256: feed bytes in any number of pieces, then take the digest once.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void update(const void* data, std::size_t size);
    void update(std::string_view bytes) { update(bytes.data(), bytes.size()); }
    // 64 lower-case hex digits; the object cannot be fed afterwards.
    std::string finishHex();

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

std::string Sha256Hex(std::string_view bytes);

// The digest of a file into `hex`, read in pieces (a file of any size costs a fixed buffer).
// A failure carries the system's reason when the file cannot be read to its end.
Status Sha256OfFile(const std::filesystem::path& path, std::string& hex);

// One line of a SHA256SUMS file as GNU sha256sum writes it: "HEX  NAME"; a name holding a
// backslash or a line break is escaped and the line starts with a backslash.
std::string Sha256SumsLine(std::string_view hex, std::string_view name);

}  // namespace drv
