#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Sha256.h"

namespace {

std::string HashOf(const std::string& text)
{
    Sha256 hash;
    hash.Update(text.data(), text.size());
    return Sha256::Hex(hash.Finish());
}

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
    return bytes;
}

TEST(Sha256Test, PublishedVectors)
{
    EXPECT_EQ(HashOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HashOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(HashOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(HashOf(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// The lengths where the padding and the length field fall at a block's end.
TEST(Sha256Test, LengthsAroundTheBlockBoundary)
{
    const std::pair<std::size_t, const char*> vectors[] = {
        {55, "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
        {56, "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
        {63, "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
        {64, "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
        {65, "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
        {119, "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
        {120, "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
    };
    for (const auto& [size, expected] : vectors) EXPECT_EQ(HashOf(Pattern(size)), expected) << size;
}

TEST(Sha256Test, PiecesOfAnySizeGiveTheDigestOfTheWhole)
{
    const std::string whole = Pattern(1000);
    Sha256 hash;
    for (std::size_t at = 0, piece = 1; at < whole.size(); at += piece, piece = piece * 3 % 97 + 1)
        hash.Update(whole.data() + at, std::min(piece, whole.size() - at));
    EXPECT_EQ(Sha256::Hex(hash.Finish()), HashOf(whole));
    // Finishing starts afresh.
    EXPECT_EQ(Sha256::Hex(hash.Finish()), HashOf(""));
}

}  // namespace
