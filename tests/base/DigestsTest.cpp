#include <gtest/gtest.h>

#include <set>

#include "base/Base64.h"
#include "base/Sha256.h"
#include "base/Uuid.h"

namespace quorvane {
namespace {

TEST(Sha256Test, MatchesKnownDigestsInLowerCaseHex) {
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Sha256 incremental;
    incremental.update("a");
    incremental.update("bc");
    EXPECT_EQ(incremental.finalHex(), sha256Hex("abc"));
    EXPECT_NE(sha256Hex(std::string("a\0b", 3)), sha256Hex("a"));
}

TEST(UuidTest, IsUpperCaseVersionFourAndUnique) {
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string uuid = makeUuidString();
        ASSERT_TRUE(isUuidString(uuid)) << uuid;
        EXPECT_EQ(uuid[14], '4');
        EXPECT_NE(std::string("89AB").find(uuid[19]), std::string::npos);
        for (char c : uuid) EXPECT_FALSE(c >= 'a' && c <= 'z') << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 200u);
    EXPECT_FALSE(isUuidString("E621E1F8C36C495A93FC0C247A3E6E5F"));
}

TEST(Base64Test, RoundTripsEveryPaddingLengthAndRejectsGarbage) {
    for (std::size_t length = 0; length < 8; ++length) {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(250 + i));
        const auto encoded = base64Encode(bytes);
        EXPECT_EQ(encoded.size() % 4, 0u);
        EXPECT_EQ(base64Decode(encoded), bytes);
    }
    EXPECT_EQ(base64Encode({'f', 'o', 'o', 'b'}), "Zm9vYg==");
    EXPECT_FALSE(base64Decode("Zm9vYg="));
    EXPECT_FALSE(base64Decode("Zm9v*g=="));
    EXPECT_FALSE(base64Decode("Zm=vYg=="));
}

}  // namespace
}  // namespace quorvane
