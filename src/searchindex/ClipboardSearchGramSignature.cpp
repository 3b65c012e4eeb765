#include "searchindex/ClipboardSearchGramSignature.h"

#include <cstdint>
#include <cstring>

namespace quorvane {
namespace {

constexpr std::size_t kBits = ClipboardSearchGramSignature::kBytes * 8;
constexpr int kBitShift = 22;
static_assert(kBits == std::size_t{1} << (32 - kBitShift), "the hash's top bits number the signature's bits");

// The bit of the four bytes at `run`: a multiplicative hash of their little-endian value, its top bits.
std::size_t bitOf(const char* run) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(run);
    const std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::size_t>((value * 2654435761u) >> kBitShift);
}

// The bit of every run of `text` without its blanks, handed to `use` until it returns false.
template <class Use>
bool eachRun(std::string_view text, Use&& use) {
    char run[ClipboardSearchGramSignature::kRunBytes];
    std::size_t filled = 0;
    for (const char c : text) {
        if (c == ' ') continue;
        if (filled < sizeof run) {
            run[filled++] = c;
        } else {
            std::memmove(run, run + 1, sizeof run - 1);
            run[sizeof run - 1] = c;
        }
        if (filled == sizeof run && !use(bitOf(run))) return false;
    }
    return true;
}

}  // namespace

std::string ClipboardSearchGramSignature::of(std::initializer_list<std::string_view> texts) {
    std::string signature(kBytes, '\0');
    for (const auto text : texts) {
        eachRun(text, [&](std::size_t bit) {
            signature[bit / 8] =
                static_cast<char>(static_cast<unsigned char>(signature[bit / 8]) | 1u << (bit % 8));
            return true;
        });
    }
    return signature;
}

bool ClipboardSearchGramSignature::mayHold(std::string_view signature, std::string_view part) {
    if (signature.size() != kBytes) return true;
    return eachRun(part, [&](std::size_t bit) {
        return (static_cast<unsigned char>(signature[bit / 8]) & 1u << (bit % 8)) != 0;
    });
}

}  // namespace quorvane
