#include "base/Sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace quorvane {

struct Sha256::Context {
    EVP_MD_CTX* md = nullptr;
};

Sha256::Sha256() : context_(new Context) {
    context_->md = EVP_MD_CTX_new();
    if (!context_->md || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(context_->md);
        delete context_;
        throw std::runtime_error("SHA-256 is not available");
    }
}

Sha256::~Sha256() {
    EVP_MD_CTX_free(context_->md);
    delete context_;
}

void Sha256::update(const void* bytes, std::size_t length) {
    if (length > 0) EVP_DigestUpdate(context_->md, bytes, length);
}

std::string Sha256::finalHex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_->md, digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    return hex;
}

std::string sha256Hex(const void* bytes, std::size_t length) {
    Sha256 digest;
    digest.update(bytes, length);
    return digest.finalHex();
}

}  // namespace quorvane
