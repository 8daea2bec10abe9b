#pragma once

#include <cstdint>

namespace gq::variant
{

/// The generator's seedable random numbers (splitmix64): the same seed gives the same
/// sequence, and so the same puzzle, on every platform.
class Random
{
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    /// 0..n-1 for n >= 1 (multiply-shift; the bias is below 2^-32 and irrelevant here).
    int Below(int n)
    {
        return static_cast<int>(((Next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
    }

    /// Shuffles a random-access range in place.
    template <typename It> void Shuffle(It first, It last)
    {
        for (auto n = last - first; n > 1; --n)
            std::swap(first[n - 1], first[Below(static_cast<int>(n))]);
    }

  private:
    std::uint64_t m_state;
};

} // namespace gq::variant
