#include "core/common/sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace drv {

struct Sha256::Context {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {
    if (!context_->ctx || EVP_DigestInit_ex(context_->ctx, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
}

Sha256::~Sha256() = default;

void Sha256::update(const void* data, std::size_t size) {
    if (size > 0) EVP_DigestUpdate(context_->ctx, data, size);
}

std::string Sha256::finishHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->ctx, digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string Sha256Hex(std::string_view bytes) {
    Sha256 hash;
    hash.update(bytes);
    return hash.finishHex();
}

Status Sha256OfFile(const std::filesystem::path& path, std::string& hex) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::FromErrno(errno, {});
    Sha256 hash;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int e = errno;
            ::close(fd);
            return Status::FromErrno(e, {});
        }
        if (n == 0) break;
        hash.update(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    hex = hash.finishHex();
    return Status::Success();
}

std::string Sha256SumsLine(std::string_view hex, std::string_view name) {
    std::string escaped;
    bool needsEscape = false;
    for (char c : name) {
        if (c == '\\') escaped += "\\\\", needsEscape = true;
        else if (c == '\n') escaped += "\\n", needsEscape = true;
        else if (c == '\r') escaped += "\\r", needsEscape = true;
        else escaped += c;
    }
    return (needsEscape ? "\\" : "") + std::string(hex) + "  " + escaped + "\n";
}

}  // namespace drv
