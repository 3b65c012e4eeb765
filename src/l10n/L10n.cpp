#include "l10n/L10n.h"

#include <cstdint>

#include "base/Logger.h"

namespace quorvane {

namespace {

constexpr std::size_t maxArguments = 4;
constexpr std::size_t maxPlaceholders = 8;

struct ArgumentKinds {
    std::array<L10nArgumentKind, maxArguments> kinds{};
    std::size_t count = 0;
};

// The kind names the table uses.
constexpr L10nArgumentKind String = L10nArgumentKind::string;
constexpr L10nArgumentKind Integer = L10nArgumentKind::integer;

template <class... Kinds>
constexpr ArgumentKinds makeKinds(Kinds... kinds) {
    static_assert(sizeof...(Kinds) <= maxArguments, "a text takes at most four arguments");
    return ArgumentKinds{{kinds...}, sizeof...(Kinds)};
}

// A catalogue text split once, at compile time, into fixed pieces with argument slots between them:
// pieces[0] arg[arguments[0]] pieces[1] ... pieces[placeholderCount].
struct Pattern {
    std::string_view source;
    std::array<std::string_view, maxPlaceholders + 1> pieces{};
    std::array<std::uint8_t, maxPlaceholders> arguments{};
    std::size_t placeholderCount = 0;
    std::size_t fixedLength = 0;
};

// A malformed text ("{" without a digit from 1 to the key's argument count and "}") stops the build: throwing
// is not allowed in a constant expression.
consteval Pattern parsePattern(std::string_view source, std::size_t argumentCount) {
    Pattern pattern{source};
    std::size_t pieceStart = 0;
    std::size_t position = 0;
    while (position < source.size()) {
        if (source[position] == '}') throw "unmatched } in a text";
        if (source[position] != '{') {
            ++position;
            continue;
        }
        if (position + 2 >= source.size() || source[position + 2] != '}') throw "malformed placeholder";
        const int number = source[position + 1] - '0';
        if (number < 1 || static_cast<std::size_t>(number) > argumentCount) throw "placeholder out of range";
        if (pattern.placeholderCount == maxPlaceholders) throw "too many placeholders";
        pattern.pieces[pattern.placeholderCount] = source.substr(pieceStart, position - pieceStart);
        pattern.arguments[pattern.placeholderCount] = static_cast<std::uint8_t>(number - 1);
        ++pattern.placeholderCount;
        position += 3;
        pieceStart = position;
    }
    pattern.pieces[pattern.placeholderCount] = source.substr(pieceStart);
    for (std::size_t piece = 0; piece <= pattern.placeholderCount; ++piece) {
        pattern.fixedLength += pattern.pieces[piece].size();
    }
    return pattern;
}

struct Entry {
    std::string_view identifier;
    ArgumentKinds kinds;
    Pattern english;
    Pattern chinese;
};

constexpr std::array<Entry, l10nKeyCount> entries{{
#define QUORVANE_TEXT(key, kinds, englishText, chineseText)                          \
    Entry{#key, makeKinds kinds, parsePattern(englishText, (makeKinds kinds).count), \
          parsePattern(chineseText, (makeKinds kinds).count)},
#include "l10n/L10nTable.inc"
#undef QUORVANE_TEXT
}};

const Entry* entryFor(L10nKey key) {
    const auto index = static_cast<std::size_t>(key);
    return index < entries.size() ? &entries[index] : nullptr;
}

std::string_view kindName(L10nArgumentKind kind) {
    return kind == L10nArgumentKind::string ? "string" : "integer";
}

std::string describeKinds(std::span<const L10nArgumentKind> kinds) {
    std::string description = "(";
    for (std::size_t index = 0; index < kinds.size(); ++index) {
        if (index > 0) description += ", ";
        description += kindName(kinds[index]);
    }
    return description + ")";
}

// Caller mistakes only; the text is still built.
void checkArguments(const Entry& entry, std::span<const L10nArgument> arguments) {
    bool matches = arguments.size() == entry.kinds.count;
    std::array<L10nArgumentKind, maxArguments + 8> given{};
    const std::size_t givenCount = std::min(arguments.size(), given.size());
    for (std::size_t index = 0; index < givenCount; ++index) {
        given[index] = arguments[index].kind();
        if (index < entry.kinds.count && given[index] != entry.kinds.kinds[index]) matches = false;
    }
    if (matches) return;
    Logger::error("Failed to fill text " + std::string(entry.identifier) + ": it takes " +
                      describeKinds(std::span(entry.kinds.kinds.data(), entry.kinds.count)) + ", was given " +
                      describeKinds(std::span(given.data(), givenCount)),
                  "L10n");
}

}  // namespace

std::string L10n::textIn(AppLanguage language, L10nKey key, std::span<const L10nArgument> arguments) {
    const Entry* entry = entryFor(key);
    if (!entry) {
        Logger::error("Failed to look up text: unknown key " + std::to_string(static_cast<std::size_t>(key)),
                      "L10n");
        return {};
    }
    checkArguments(*entry, arguments);
    const Pattern& pattern = language == AppLanguage::simplifiedChinese ? entry->chinese : entry->english;
    if (pattern.placeholderCount == 0) return std::string(pattern.source);

    std::array<std::array<char, 24>, maxArguments> digits;
    std::array<std::string_view, maxArguments> values{};
    for (std::size_t index = 0; index < entry->kinds.count && index < arguments.size(); ++index) {
        values[index] = arguments[index].write(digits[index]);
    }
    std::size_t length = pattern.fixedLength;
    for (std::size_t slot = 0; slot < pattern.placeholderCount; ++slot) {
        length += values[pattern.arguments[slot]].size();
    }
    std::string text;
    text.reserve(length);
    for (std::size_t slot = 0; slot < pattern.placeholderCount; ++slot) {
        text += pattern.pieces[slot];
        text += values[pattern.arguments[slot]];
    }
    text += pattern.pieces[pattern.placeholderCount];
    return text;
}

std::string_view L10n::identifier(L10nKey key) {
    const Entry* entry = entryFor(key);
    return entry ? entry->identifier : std::string_view();
}

std::span<const L10nArgumentKind> L10n::argumentKinds(L10nKey key) {
    const Entry* entry = entryFor(key);
    if (!entry) return {};
    return std::span(entry->kinds.kinds.data(), entry->kinds.count);
}

std::string_view L10n::pattern(AppLanguage language, L10nKey key) {
    const Entry* entry = entryFor(key);
    if (!entry) return {};
    return language == AppLanguage::simplifiedChinese ? entry->chinese.source : entry->english.source;
}

}  // namespace quorvane
