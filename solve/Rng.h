#pragma once

#include <cstdint>
#include <utility>

namespace gq::solve
{

/// Seedable pseudo-random generator for grid searches (xoshiro256**, seeded through
/// splitmix64). The same seed yields the same sequence on every platform.
class Rng
{
  public:
    explicit Rng(std::uint64_t seed)
    {
        for (auto& word : m_s)
            word = SplitMix(seed);
    }

    /// Mixes two numbers into one seed: the seed of work item `index` of a run seeded `seed`.
    static std::uint64_t Derive(std::uint64_t seed, std::uint64_t index)
    {
        std::uint64_t x = seed ^ (index * 0xD1B54A32D192ED03ull);
        return SplitMix(x);
    }

    /// The next 64 random bits.
    std::uint64_t Next()
    {
        const std::uint64_t result = Rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = Rotl(m_s[3], 45);
        return result;
    }

    /// Uniform integer 0..n-1 (n >= 1), without modulo bias.
    std::uint32_t Below(std::uint32_t n)
    {
        std::uint64_t m = (Next() >> 32) * n;
        if (static_cast<std::uint32_t>(m) < n) {
            const std::uint32_t threshold = static_cast<std::uint32_t>(-n) % n;
            while (static_cast<std::uint32_t>(m) < threshold)
                m = (Next() >> 32) * n;
        }
        return static_cast<std::uint32_t>(m >> 32);
    }

    /// Uniform real in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

    /// Fisher-Yates shuffle of a random-access range.
    template <typename It> void Shuffle(It first, It last)
    {
        for (auto n = last - first; n > 1; --n)
            std::swap(first[n - 1], first[Below(static_cast<std::uint32_t>(n))]);
    }

  private:
    static std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    static std::uint64_t SplitMix(std::uint64_t& x)
    {
        std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    std::uint64_t m_s[4];
};

} // namespace gq::solve
