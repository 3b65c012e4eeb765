#pragma once

// One value inserted into an interface text: a string, inserted as it is, or an integer, written in decimal.
// Holds a view of the caller's string, so it lives only for the L10n::text call it is built for.

#include <array>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quorvane {

enum class L10nArgumentKind : std::uint8_t { string, integer };

class L10nArgument {
public:
    L10nArgument(std::string_view text) : value_(text) {}
    L10nArgument(const std::string& text) : value_(std::string_view(text)) {}
    // A null pointer is taken as an empty string.
    L10nArgument(const char* text) : value_(text ? std::string_view(text) : std::string_view()) {}
    // Any integer type but bool and the character types, which are rarely meant as numbers.
    template <std::integral Number>
    requires(!std::same_as<Number, bool> && !std::same_as<Number, char> && !std::same_as<Number, char8_t> &&
             !std::same_as<Number, char16_t> && !std::same_as<Number, char32_t> &&
             !std::same_as<Number, wchar_t>) L10nArgument(Number number) {
        if constexpr (std::is_signed_v<Number>) {
            value_ = static_cast<std::int64_t>(number);
        } else {
            value_ = static_cast<std::uint64_t>(number);
        }
    }

    L10nArgumentKind kind() const {
        return std::holds_alternative<std::string_view>(value_) ? L10nArgumentKind::string
                                                                : L10nArgumentKind::integer;
    }

    // The inserted form: the string itself, or the integer's digits (with a leading minus sign when negative,
    // no grouping) written into `buffer`.
    std::string_view write(std::array<char, 24>& buffer) const {
        if (const auto* text = std::get_if<std::string_view>(&value_)) return *text;
        const auto result = std::visit(
            [&buffer](auto number) -> std::to_chars_result {
                if constexpr (std::is_same_v<decltype(number), std::string_view>) {
                    return {buffer.data(), std::errc()};
                } else {
                    return std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
                }
            },
            value_);
        return std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    }

private:
    std::variant<std::string_view, std::int64_t, std::uint64_t> value_;
};

}  // namespace quorvane
