#pragma once
// SHA-256 over OpenSSL's libcrypto: verified copies, the evidence package, the report's file list.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

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

// The digest of a file, read in pieces (a file of any size costs a fixed buffer). Nothing with
// the system's reason in `error` when the file cannot be read to its end.
std::optional<std::string> Sha256OfFile(const std::filesystem::path& path, std::string* error = nullptr);

}  // namespace drv
