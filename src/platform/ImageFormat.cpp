#include "platform/ImageFormat.h"

#include <algorithm>
#include <array>

namespace quorvane {
namespace {

struct Descriptor {
    std::string_view name;
    std::string_view fileExtension;
    std::string_view utType;
};

constexpr std::array<Descriptor, 7> kDescriptors{{
    {"png", "png", "image/png"},
    {"jpeg", "jpg", "image/jpeg"},
    {"gif", "gif", "image/gif"},
    {"webp", "webp", "image/webp"},
    {"tiff", "tiff", "image/tiff"},
    {"bmp", "bmp", "image/bmp"},
    {"pdf", "pdf", "application/pdf"},
}};

const Descriptor& descriptor(ImageFormat format) {
    return kDescriptors.at(format.value);
}

bool startsWith(std::span<const std::uint8_t> data, std::initializer_list<std::uint8_t> prefix,
                std::size_t offset = 0) {
    return data.size() >= offset + prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), data.begin() + offset);
}

}  // namespace

std::optional<ImageFormat> ImageFormat::detect(std::span<const std::uint8_t> data) {
    if (startsWith(data, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return ImageFormat{png};
    if (startsWith(data, {0xFF, 0xD8, 0xFF})) return ImageFormat{jpeg};
    if (startsWith(data, {'G', 'I', 'F'})) return ImageFormat{gif};
    // A RIFF container that is not WebP (a WAVE sound, say) goes on to the other tests.
    if (startsWith(data, {'R', 'I', 'F', 'F'}) && startsWith(data, {'W', 'E', 'B', 'P'}, 8)) {
        return ImageFormat{webp};
    }
    // Only the byte-order mark is tested for TIFF, not the version that follows it.
    if (startsWith(data, {'I', 'I'}) || startsWith(data, {'M', 'M'})) return ImageFormat{tiff};
    if (startsWith(data, {'B', 'M'})) return ImageFormat{bmp};
    if (startsWith(data, {'%', 'P', 'D', 'F'})) return ImageFormat{pdf};
    return std::nullopt;
}

std::string_view ImageFormat::name() const {
    return descriptor(*this).name;
}
std::string_view ImageFormat::fileExtension() const {
    return descriptor(*this).fileExtension;
}
std::string_view ImageFormat::utType() const {
    return descriptor(*this).utType;
}

std::string_view ImageFormat::nameOf(std::optional<ImageFormat> format) {
    return format ? format->name() : "unknown";
}

std::string_view ImageFormat::fileExtensionOf(std::optional<ImageFormat> format) {
    return format.value_or(ImageFormat{png}).fileExtension();
}

std::string_view ImageFormat::utTypeOf(std::optional<ImageFormat> format) {
    return format.value_or(ImageFormat{png}).utType();
}

}  // namespace quorvane
