#include "classification/formatting/SyntaxColorTheme.h"

namespace quorvane {
namespace {

constexpr RgbColor rgb(int red, int green, int blue) {
    return {red / 255.0, green / 255.0, blue / 255.0};
}

// Label colours as they look over the usual light and dark window backgrounds.
constexpr SyntaxColor kLabel{rgb(38, 38, 38), rgb(223, 223, 223)};
constexpr SyntaxColor kSecondaryLabel{rgb(128, 128, 128), rgb(140, 140, 140)};

}  // namespace

const SyntaxColorTheme& SyntaxColorTheme::json() {
    static const SyntaxColorTheme theme{
        .keyword = {{0.25, 0.43, 0.67}, {0.55, 0.72, 0.90}},
        .property = {{0.31, 0.39, 0.56}, {0.69, 0.75, 0.87}},
        .string = kLabel,
        .number = {{0.67, 0.46, 0.21}, {0.87, 0.70, 0.50}},
        .comment = kSecondaryLabel,
        .punctuation = {{0.47, 0.44, 0.53}, {0.70, 0.68, 0.76}},
        .bracket = {{0.50, 0.39, 0.38}, {0.79, 0.67, 0.65}},
        .text = kLabel,
    };
    return theme;
}

const SyntaxColorTheme& SyntaxColorTheme::sql() {
    static const SyntaxColorTheme theme{
        .keyword = {rgb(0, 122, 255), rgb(10, 132, 255)},
        .property = {rgb(0, 122, 255), rgb(10, 132, 255)},
        .string = {rgb(52, 199, 89), rgb(48, 209, 88)},
        .number = {rgb(255, 149, 0), rgb(255, 159, 10)},
        .comment = {rgb(142, 142, 147), rgb(152, 152, 157)},
        .punctuation = {rgb(175, 82, 222), rgb(191, 90, 242)},
        .bracket = {rgb(255, 59, 48), rgb(255, 69, 58)},
        .text = kLabel,
    };
    return theme;
}

}  // namespace quorvane
