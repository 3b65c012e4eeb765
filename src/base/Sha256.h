#pragma once

// SHA-256 digests as 64 lower-case hexadecimal digits, for entry fingerprints. Safe from any thread.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

std::string sha256Hex(const void* bytes, std::size_t length);
inline std::string sha256Hex(std::string_view text) {
    return sha256Hex(text.data(), text.size());
}
inline std::string sha256Hex(const std::vector<std::uint8_t>& data) {
    return sha256Hex(data.data(), data.size());
}

// Feeds several parts into one digest without joining them first (large image data stays in place).
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(const void* bytes, std::size_t length);
    void update(std::string_view text) { update(text.data(), text.size()); }
    // Returns the hexadecimal digest; the object cannot be fed afterwards.
    std::string finalHex();

private:
    struct Context;
    Context* context_;
};

}  // namespace quorvane
