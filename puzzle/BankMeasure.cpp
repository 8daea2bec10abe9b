#include "puzzle/BankMeasure.h"

#include "gq/Error.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace gq::puzzle
{

namespace
{

constexpr int kCountBits = 10;
constexpr int kOrderBits = 5;
constexpr std::uint32_t kCountMask = (1u << kCountBits) - 1;
static_assert(kMaxMeasureCount == static_cast<int>(kCountMask));
static_assert(kTechniqueOrders < (1 << kOrderBits));

Error NotAMeasure(std::string_view line)
{
    return Error("a difficulty measure needs three whole numbers 0.." +
                 std::to_string(kMaxMeasureCount) + " separated by one blank, not \"" +
                 std::string(line) + "\"");
}

} // namespace

std::uint32_t DifficultyMeasure::Packed() const
{
    if (HardestOrder < 0 || HardestOrder > kTechniqueOrders || HardestSteps < 0 || TotalSteps < 0)
        throw std::logic_error("internal error: difficulty measure " +
                               std::to_string(HardestOrder) + " " + std::to_string(HardestSteps) +
                               " " + std::to_string(TotalSteps) + " out of range");
    const auto clip = [](int n) {
        return static_cast<std::uint32_t>(std::min(n, kMaxMeasureCount));
    };
    return static_cast<std::uint32_t>(HardestOrder) << (2 * kCountBits) |
           clip(HardestSteps) << kCountBits | clip(TotalSteps);
}

DifficultyMeasure DifficultyMeasure::Unpack(std::uint32_t packed)
{
    if (packed >> (2 * kCountBits + kOrderBits) != 0)
        throw Error("a packed difficulty measure has unused bits set");
    return {static_cast<int>(packed >> (2 * kCountBits)),
            static_cast<int>((packed >> kCountBits) & kCountMask),
            static_cast<int>(packed & kCountMask)};
}

DifficultyMeasure ParseMeasureLine(std::string_view line)
{
    int values[3] = {};
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && (at >= line.size() || line[at++] != ' '))
            throw NotAMeasure(line);
        const char* first = line.data() + at;
        const auto [end, ec] = std::from_chars(first, line.data() + line.size(), values[i]);
        if (ec != std::errc() || *first == '-' || values[i] > kMaxMeasureCount)
            throw NotAMeasure(line);
        at = static_cast<std::size_t>(end - line.data());
    }
    if (at != line.size())
        throw NotAMeasure(line);
    const DifficultyMeasure m{values[0], values[1], values[2]};
    if (m.HardestOrder > kTechniqueOrders)
        throw Error("the difficulty measure \"" + std::string(line) + "\" names technique " +
                    std::to_string(m.HardestOrder) + "; there are " +
                    std::to_string(kTechniqueOrders));
    if ((m.HardestOrder == 0) != (m.HardestSteps == 0) || m.HardestSteps > m.TotalSteps)
        throw Error("the difficulty measure \"" + std::string(line) +
                    "\" does not add up: the hardest technique's steps must be 1 up to all "
                    "steps when a technique is named, 0 when none is");
    return m;
}

std::string FormatMeasureLine(const DifficultyMeasure& measure)
{
    return std::to_string(measure.HardestOrder) + " " + std::to_string(measure.HardestSteps) + " " +
           std::to_string(measure.TotalSteps);
}

} // namespace gq::puzzle
