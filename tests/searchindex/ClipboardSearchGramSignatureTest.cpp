#include <gtest/gtest.h>

#include <random>

#include "searchindex/ClipboardSearchGramSignature.h"

namespace quorvane {
namespace {

using Signature = ClipboardSearchGramSignature;

// Whatever a text holds, blanks aside, its signature may hold: a missed part would drop a search result.
TEST(ClipboardSearchGramSignatureTest, EveryPartOfEveryTextMayBeHeldBlanksAside) {
    const std::vector<std::string> texts = {"notes about the server timeout", "北京 会议记录 剪贴板",
                                            std::string("nul\0inside", 10), "👍🏽 e\u0301 a.b \"q\""};
    const auto signature = Signature::of({texts[0], texts[1], texts[2], texts[3]});
    ASSERT_EQ(signature.size(), Signature::kBytes);
    for (const auto& text : texts) {
        for (std::size_t from = 0; from < text.size(); ++from) {
            for (std::size_t length = 1; from + length <= text.size(); ++length) {
                EXPECT_TRUE(Signature::mayHold(signature, text.substr(from, length)))
                    << text << " [" << from << ", " << length << ")";
            }
        }
    }
    // Words side by side are held run together, and a part typed with extra blanks is the same part.
    EXPECT_TRUE(Signature::mayHold(signature, "servertimeout"));
    EXPECT_TRUE(Signature::mayHold(signature, "ser ver time out"));
}

TEST(ClipboardSearchGramSignatureTest, RulesOutMostPartsAbsentFromTheTexts) {
    const auto signature = Signature::of({"notes about the server timeout", "notesaboutheservertimeout"});
    // An empty signature holds no run at all; too short a part, or a signature from elsewhere, cannot tell.
    const auto empty = Signature::of({""});
    EXPECT_FALSE(Signature::mayHold(empty, "abcd"));
    EXPECT_TRUE(Signature::mayHold(empty, "abc"));
    EXPECT_TRUE(Signature::mayHold(empty, "a b c"));
    EXPECT_TRUE(Signature::mayHold(std::string(Signature::kBytes - 1, '\0'), "abcd"));
    // Random parts of eight letters: a text of this size sets few enough bits that nearly all are ruled out.
    std::mt19937 random(3);
    int held = 0;
    for (int i = 0; i < 1000; ++i) {
        std::string part;
        for (int c = 0; c < 8; ++c) part += static_cast<char>('a' + random() % 26);
        held += Signature::mayHold(signature, part) ? 1 : 0;
    }
    EXPECT_LT(held, 20);
}

}  // namespace
}  // namespace quorvane
