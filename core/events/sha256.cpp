#include "core/events/sha256.h"

#include <openssl/evp.h>

namespace drv {

Sha256::Sha256() : ctx_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr); }

Sha256::~Sha256() { EVP_MD_CTX_free(ctx_); }

void Sha256::add(const void* data, std::size_t size) { EVP_DigestUpdate(ctx_, data, size); }

std::string Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(ctx_, digest, &size);
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < size; ++i) out += kDigits[digest[i] >> 4], out += kDigits[digest[i] & 15];
    return out;
}

std::string Sha256Hex(std::string_view bytes) {
    Sha256 sha;
    sha.add(bytes);
    return sha.hex();
}

}  // namespace drv
