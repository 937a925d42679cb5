#pragma once
// SHA-256 over libcrypto, as 64 lowercase hex digits.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace drv {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void add(const void* data, std::size_t size);
    void add(std::string_view bytes) { add(bytes.data(), bytes.size()); }
    // The digest of everything added; the object is spent after it.
    std::string hex();

private:
    evp_md_ctx_st* ctx_;
};

std::string Sha256Hex(std::string_view bytes);

}  // namespace drv
