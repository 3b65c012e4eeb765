#include "platform/linux/PngScaledDecoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quorvane {

namespace {

// Everything a read holds. It lives in the caller of the function that calls setjmp, and libpng holds its
// address, so a longjmp out of libpng finds it as it was and it is released the ordinary way.
struct Decoding {
    explicit Decoding(const Data& data) : bytes(data) {}
    ~Decoding() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    const Data& bytes;
    std::size_t offset = 0;
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<png_byte> row;
    std::vector<int> column;            // target column of each source column
    std::vector<std::uint64_t> sums;    // per target column and channel, of the current target row
    std::vector<std::uint32_t> counts;  // source pixels summed per target column
    QImage image;
};

void readFromMemory(png_structp png, png_bytep into, png_size_t length) {
    auto* source = static_cast<Decoding*>(png_get_io_ptr(png));
    if (length > source->bytes.size() - source->offset) png_error(png, "truncated data");
    std::memcpy(into, source->bytes.data() + source->offset, length);
    source->offset += length;
}

// libpng's warnings (unknown chunks, odd gamma) change nothing in what is read.
void ignoreWarning(png_structp, png_const_charp) {}
// Errors end the read without a line on stderr: the caller falls back to Qt's reader, which reports.
[[noreturn]] void endRead(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Reads `d.bytes` into `d.image`; false on any failure. Its own frame holds nothing that needs releasing,
// since libpng's errors longjmp back into it.
bool readScaled(Decoding& d, QSize size) {
    if (d.bytes.size() < 8 || png_sig_cmp(d.bytes.data(), 0, 8) != 0) return false;
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, endRead, ignoreWarning);
    if (!d.png) return false;
    d.info = png_create_info_struct(d.png);
    if (!d.info) return false;
    if (setjmp(png_jmpbuf(d.png))) return false;

    png_set_read_fn(d.png, &d, readFromMemory);
    png_read_info(d.png, d.info);
    const int width = int(png_get_image_width(d.png, d.info));
    const int height = int(png_get_image_height(d.png, d.info));
    if (png_get_interlace_type(d.png, d.info) != PNG_INTERLACE_NONE) return false;
    if (size.isEmpty() || size.width() > width || size.height() > height) return false;

    const int colourType = png_get_color_type(d.png, d.info);
    const bool transparent =
        (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(d.png, d.info, PNG_INFO_tRNS);
    const bool grey = !(colourType & PNG_COLOR_MASK_COLOR) && !transparent;
    // Every picture arrives as 8-bit grey (opaque grey ones) or as 8-bit RGBA.
    png_set_expand(d.png);
    png_set_strip_16(d.png);
    if (!grey) {
        png_set_gray_to_rgb(d.png);
        png_set_filler(d.png, 0xff, PNG_FILLER_AFTER);
    }
    png_read_update_info(d.png, d.info);
    const std::size_t channels = grey ? 1 : 4;
    if (png_get_rowbytes(d.png, d.info) != std::size_t(width) * channels) return false;

    d.image = QImage(size, grey ? QImage::Format_Grayscale8
                                : (transparent ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32));
    if (d.image.isNull()) return false;
    const std::size_t targetWidth = std::size_t(size.width());
    d.row.resize(std::size_t(width) * channels);
    d.column.resize(std::size_t(width));
    for (int x = 0; x < width; ++x) d.column[std::size_t(x)] = int(std::int64_t(x) * size.width() / width);
    d.sums.assign(targetWidth * channels, 0);
    d.counts.assign(targetWidth, 0);

    const auto emitRow = [&](int targetRow) {
        uchar* line = d.image.scanLine(targetRow);
        for (std::size_t x = 0; x < targetWidth; ++x) {
            const std::uint64_t count = std::max<std::uint32_t>(1, d.counts[x]);
            const std::uint64_t* sum = &d.sums[x * channels];
            if (grey) {
                line[x] = uchar(sum[0] / count);
                continue;
            }
            // Colours were summed weighted by their opacity, which premultiplies them.
            const std::uint64_t divisor = count * 255;
            reinterpret_cast<QRgb*>(line)[x] = qRgba(int(sum[0] / divisor), int(sum[1] / divisor),
                                                     int(sum[2] / divisor), int(sum[3] / count));
        }
        std::fill(d.sums.begin(), d.sums.end(), 0);
        std::fill(d.counts.begin(), d.counts.end(), 0);
    };
    int targetRow = 0;
    for (int y = 0; y < height; ++y) {
        png_read_row(d.png, d.row.data(), nullptr);
        const int into = int(std::int64_t(y) * size.height() / height);
        if (into != targetRow) {
            emitRow(targetRow);
            targetRow = into;
        }
        const png_byte* pixel = d.row.data();
        for (int x = 0; x < width; ++x, pixel += channels) {
            const std::size_t target = std::size_t(d.column[std::size_t(x)]);
            std::uint64_t* sum = &d.sums[target * channels];
            ++d.counts[target];
            if (grey) {
                sum[0] += pixel[0];
                continue;
            }
            const std::uint32_t alpha = pixel[3];
            sum[0] += std::uint32_t(pixel[0]) * alpha;
            sum[1] += std::uint32_t(pixel[1]) * alpha;
            sum[2] += std::uint32_t(pixel[2]) * alpha;
            sum[3] += alpha;
        }
    }
    emitRow(targetRow);
    return true;
}

}  // namespace

QImage PngScaledDecoder::decode(const Data& pngData, QSize size) {
    Decoding decoding(pngData);
    if (!readScaled(decoding, size)) return {};
    return std::move(decoding.image);
}

}  // namespace quorvane
