#include "puzzle/Random.h"

#include <cassert>
#include <chrono>
#include <memory>

namespace gq::puzzle
{

std::uint64_t ClockSeed()
{
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

SeedSource ClockSeedSource()
{
    return [] { return static_cast<std::uint32_t>(ClockSeed()); };
}

SeedSource SequenceSeedSource(std::uint64_t seed)
{
    // splitmix64: every step yields a well-mixed value, so nearby seeds give unrelated runs.
    auto state = std::make_shared<std::uint64_t>(seed);
    return [state] {
        std::uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<std::uint32_t>(z >> 32);
    };
}

TRandom::TRandom() : m_source(ClockSeedSource()) {}

TRandom::TRandom(SeedSource source) : m_source(std::move(source)) {}

void TRandom::SetSeedSource(SeedSource source) { m_source = std::move(source); }

void TRandom::Randomize() { m_state = m_source(); }

int TRandom::Random(int n)
{
    assert(n >= 1);
    m_state = m_state * 134775813u + 1u;
    return static_cast<int>((static_cast<std::uint64_t>(m_state) * static_cast<std::uint32_t>(n)) >>
                            32);
}

} // namespace gq::puzzle
