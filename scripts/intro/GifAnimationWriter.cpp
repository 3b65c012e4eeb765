#include "GifAnimationWriter.h"

#include <QRect>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <unordered_map>

namespace quorvane {

namespace {

constexpr int kColourCount = 255;
constexpr std::uint8_t kTransparent = 255;
constexpr int kShadeCount = 1 << 15;  // five bits per channel

int shadeOf(QRgb pixel) {
    return ((qRed(pixel) >> 3) << 10) | ((qGreen(pixel) >> 3) << 5) | (qBlue(pixel) >> 3);
}

struct Palette {
    std::vector<QRgb> colours;
    std::vector<std::uint8_t> indexOfShade = std::vector<std::uint8_t>(kShadeCount);
};

// The most used shades, each as the mean colour of its pixels; every other shade maps to the nearest.
Palette choosePalette(const std::vector<const QImage*>& images) {
    struct Sum {
        std::uint64_t count = 0, red = 0, green = 0, blue = 0;
    };
    std::vector<Sum> sums(kShadeCount);
    for (const QImage* image : images) {
        for (int y = 0; y < image->height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(y));
            for (int x = 0; x < image->width(); ++x) {
                Sum& sum = sums[shadeOf(line[x])];
                ++sum.count;
                sum.red += qRed(line[x]);
                sum.green += qGreen(line[x]);
                sum.blue += qBlue(line[x]);
            }
        }
    }
    std::vector<int> used;
    for (int shade = 0; shade < kShadeCount; ++shade) {
        if (sums[shade].count > 0) used.push_back(shade);
    }
    std::sort(used.begin(), used.end(), [&](int a, int b) { return sums[a].count > sums[b].count; });
    used.resize(std::min<std::size_t>(used.size(), kColourCount));

    Palette palette;
    for (const int shade : used) {
        const Sum& sum = sums[shade];
        palette.colours.push_back(qRgb(static_cast<int>(sum.red / sum.count),
                                       static_cast<int>(sum.green / sum.count),
                                       static_cast<int>(sum.blue / sum.count)));
    }
    if (palette.colours.empty()) palette.colours.push_back(qRgb(0, 0, 0));
    for (int shade = 0; shade < kShadeCount; ++shade) {
        if (sums[shade].count == 0) continue;
        const int red = ((shade >> 10) & 31) * 8 + 4, green = ((shade >> 5) & 31) * 8 + 4,
                  blue = (shade & 31) * 8 + 4;
        int best = 0, bestDistance = std::numeric_limits<int>::max();
        for (int index = 0; index < static_cast<int>(palette.colours.size()); ++index) {
            const QRgb colour = palette.colours[index];
            const int dr = qRed(colour) - red, dg = qGreen(colour) - green, db = qBlue(colour) - blue;
            // Green counts most to the eye, blue least.
            const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = index;
            }
        }
        palette.indexOfShade[shade] = static_cast<std::uint8_t>(best);
    }
    return palette;
}

class ByteOutput {
public:
    explicit ByteOutput(QByteArray& bytes) : bytes_(bytes) {}
    void byte(int value) { bytes_.append(static_cast<char>(value & 0xff)); }
    void word(int value) {
        byte(value);
        byte(value >> 8);
    }
    void text(const char* value) { bytes_.append(value); }

private:
    QByteArray& bytes_;
};

// The variable-length LZW code stream of GIF, in sub-blocks of at most 255 bytes.
void writeLzw(ByteOutput& out, const std::vector<std::uint8_t>& indices) {
    constexpr int minimumCodeSize = 8;
    constexpr int clearCode = 1 << minimumCodeSize;
    constexpr int endCode = clearCode + 1;
    out.byte(minimumCodeSize);

    std::vector<std::uint8_t> packed;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    int codeSize = minimumCodeSize + 1;
    const auto put = [&](int code) {
        bitBuffer |= static_cast<std::uint32_t>(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            packed.push_back(static_cast<std::uint8_t>(bitBuffer & 0xff));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };

    std::unordered_map<std::uint32_t, int> table;
    int nextCode = endCode + 1;
    put(clearCode);
    if (!indices.empty()) {
        int prefix = indices.front();
        for (std::size_t at = 1; at < indices.size(); ++at) {
            const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | indices[at];
            if (const auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            put(prefix);
            table.emplace(key, nextCode);
            // The decoder widens its codes once its table reaches the current width.
            if (nextCode == (1 << codeSize) && codeSize < 12) ++codeSize;
            // A full table starts afresh at once.
            if (++nextCode == 4096) {
                put(clearCode);
                table.clear();
                nextCode = endCode + 1;
                codeSize = minimumCodeSize + 1;
            }
            prefix = indices[at];
        }
        put(prefix);
    }
    put(endCode);
    if (bitCount > 0) packed.push_back(static_cast<std::uint8_t>(bitBuffer & 0xff));

    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, packed.size() - at);
        out.byte(static_cast<int>(length));
        for (std::size_t offset = 0; offset < length; ++offset) out.byte(packed[at + offset]);
    }
    out.byte(0);
}

}  // namespace

GifAnimationWriter::GifAnimationWriter(QSize size) : size_(size) {}

void GifAnimationWriter::addFrame(const QImage& frame, int delayMilliseconds) {
    QImage image =
        frame.size() == size_ ? frame : frame.scaled(size_, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image = image.convertToFormat(QImage::Format_RGB32);
    const int delay = std::clamp((delayMilliseconds + 5) / 10, 1, 0xffff);
    if (!frames_.empty() && frames_.back().image == image) {
        frames_.back().delayCentiseconds = std::min(0xffff, frames_.back().delayCentiseconds + delay);
        return;
    }
    frames_.push_back({std::move(image), delay});
}

QByteArray GifAnimationWriter::encode() const {
    if (frames_.empty() || size_.isEmpty()) return {};
    std::vector<const QImage*> images;
    for (const Frame& frame : frames_) images.push_back(&frame.image);
    const Palette palette = choosePalette(images);

    // Every frame in palette indices, then merged with the one before when they now look the same.
    struct Indexed {
        std::vector<std::uint8_t> pixels;
        int delay;
    };
    std::vector<Indexed> indexed;
    const int width = size_.width(), height = size_.height();
    for (const Frame& frame : frames_) {
        Indexed current{std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height),
                        frame.delayCentiseconds};
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(frame.image.constScanLine(y));
            for (int x = 0; x < width; ++x)
                current.pixels[static_cast<std::size_t>(y) * width + x] =
                    palette.indexOfShade[shadeOf(line[x])];
        }
        if (!indexed.empty() && indexed.back().pixels == current.pixels) {
            indexed.back().delay = std::min(0xffff, indexed.back().delay + current.delay);
            continue;
        }
        indexed.push_back(std::move(current));
    }

    QByteArray bytes;
    ByteOutput out(bytes);
    out.text("GIF89a");
    out.word(width);
    out.word(height);
    out.byte(0xf7);  // a global table of 256 colours
    out.byte(0);
    out.byte(0);
    for (int index = 0; index < 256; ++index) {
        const QRgb colour = index < static_cast<int>(palette.colours.size()) ? palette.colours[index] : 0;
        out.byte(qRed(colour));
        out.byte(qGreen(colour));
        out.byte(qBlue(colour));
    }
    // Loops forever.
    out.byte(0x21);
    out.byte(0xff);
    out.byte(11);
    out.text("NETSCAPE2.0");
    out.byte(3);
    out.byte(1);
    out.word(0);
    out.byte(0);

    for (std::size_t number = 0; number < indexed.size(); ++number) {
        const auto& pixels = indexed[number].pixels;
        QRect changed(0, 0, width, height);
        if (number > 0) {
            const auto& previous = indexed[number - 1].pixels;
            int left = width, top = height, right = -1, bottom = -1;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const std::size_t at = static_cast<std::size_t>(y) * width + x;
                    if (pixels[at] == previous[at]) continue;
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
            changed = QRect(QPoint(left, top), QPoint(right, bottom));
        }
        std::vector<std::uint8_t> region;
        region.reserve(static_cast<std::size_t>(changed.width()) * changed.height());
        for (int y = changed.top(); y <= changed.bottom(); ++y) {
            for (int x = changed.left(); x <= changed.right(); ++x) {
                const std::size_t at = static_cast<std::size_t>(y) * width + x;
                // What the frame before already shows stays: long transparent runs compress well.
                const bool same = number > 0 && indexed[number - 1].pixels[at] == pixels[at];
                region.push_back(same ? kTransparent : pixels[at]);
            }
        }

        out.byte(0x21);
        out.byte(0xf9);
        out.byte(4);
        out.byte(number > 0 ? 0x05 : 0x04);  // keep the frame before; transparency after the first
        out.word(indexed[number].delay);
        out.byte(kTransparent);
        out.byte(0);

        out.byte(0x2c);
        out.word(changed.left());
        out.word(changed.top());
        out.word(changed.width());
        out.word(changed.height());
        out.byte(0);
        writeLzw(out, region);
    }
    out.byte(0x3b);
    return bytes;
}

}  // namespace quorvane
