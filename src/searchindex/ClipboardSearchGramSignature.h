#pragma once

// A document's gram signature: a fixed-size bit set with one bit for every run of four bytes of its search
// texts, their blanks (U+0020) taken out. A text that holds a part holds every run of it, so a signature
// missing one of the part's bits proves the document does not hold it without reading the document; a set
// bit proves nothing. Blanks are left out so that the words of a query side by side and run together are
// one test, and words that merely follow one another somewhere set no bit of the pair. The search reads it
// for the candidates a full-text stream only narrows down. Stored in the index, so the bit layout is part of
// the file's format. Pure; safe from any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

class ClipboardSearchGramSignature {
public:
    static constexpr std::size_t kBytes = 128;
    // Parts shorter than this have no run to test: every signature may hold them.
    static constexpr std::size_t kRunBytes = 4;

    // The signature of the texts together.
    static std::string of(std::initializer_list<std::string_view> texts);
    // False only when no text the signature was made of can hold `part`, blanks taken out of both. A
    // signature of the wrong size (not made by this build) may hold anything.
    static bool mayHold(std::string_view signature, std::string_view part);
};

}  // namespace quorvane
