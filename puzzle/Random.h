#pragma once

#include <cstdint>
#include <functional>

namespace gq::puzzle
{

/// Where `Randomize` takes its seeds from. Called once per `Randomize`.
using SeedSource = std::function<std::uint32_t()>;

/// The low 32 bits of the monotonic high-resolution clock: the default seed source.
SeedSource ClockSeedSource();

/// The monotonic clock's ticks as a seed for SequenceSeedSource: a run given no seed takes one
/// here, so that the seed of what it makes is known and can be given again.
std::uint64_t ClockSeed();

/// A reproducible seed source: successive seeds of a fixed 64-bit mixing sequence started at
/// `seed`. The same seed gives the same seeds in the same order.
SeedSource SequenceSeedSource(std::uint64_t seed);

/// The program's random generator: a 32-bit linear congruential generator
/// (state = state * 134775813 + 1 mod 2^32), reseeded from its seed source by `Randomize`.
class TRandom
{
  public:
    /// Seeds from `ClockSeedSource`.
    TRandom();
    explicit TRandom(SeedSource source);

    /// Replaces the seed source; the state is kept until the next `Randomize`.
    void SetSeedSource(SeedSource source);

    /// Sets the state to the next seed of the seed source.
    void Randomize();

    /// Advances the state, then yields (state * n) div 2^32: an integer 0..n-1. n must be >= 1.
    int Random(int n);

    std::uint32_t State() const { return m_state; }
    void SetState(std::uint32_t state) { m_state = state; }

  private:
    SeedSource m_source;
    std::uint32_t m_state = 0;
};

} // namespace gq::puzzle
