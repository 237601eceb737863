#pragma once

#include <cstdint>

namespace qar::markup
{

/// The names of one tag as a filter: two bits of 128 per name, so that with the ten names of a long
/// tag nearly every other name is still told apart at once. mayHold is never false for a name added.
struct NameFilter
{
    std::uint64_t low = 0;
    std::uint64_t high = 0;

    static std::uint64_t hash(std::uint64_t key, int length)
    {
        return (key ^ static_cast<std::uint64_t>(length)) * 0x9E3779B97F4A7C15u;
    }
    void add(std::uint64_t key, int length)
    {
        const std::uint64_t h = hash(key, length);
        low |= std::uint64_t{1} << (h >> 58);
        high |= std::uint64_t{1} << ((h >> 52) & 63);
    }
    bool mayHold(std::uint64_t key, int length) const
    {
        const std::uint64_t h = hash(key, length);
        return ((low >> (h >> 58)) & (high >> ((h >> 52) & 63)) & 1) != 0;
    }
};

} // namespace qar::markup
