#pragma once
// SHA-256 (FIPS 180-4), so that two copies of a configuration file can be
// compared at a glance.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
public:
    using Digest = std::array<uint8_t, 32>;

    Sha256();
    void Update(const void* bytes, std::size_t count);
    // The digest of everything given; the object starts afresh afterwards.
    Digest Finish();

    static std::string Hex(const Digest& digest);

private:
    void Compress(const uint8_t* block);

    std::array<uint32_t, 8> m_state;
    std::array<uint8_t, 64> m_block{};
    std::size_t m_blockFill = 0;
    uint64_t m_totalBytes = 0;
};
