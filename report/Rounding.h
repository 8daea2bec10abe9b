#pragma once

#include <cmath>
#include <limits>

namespace gq::report
{

/// Rounds to the nearest whole number, halves to the even neighbour (every rounding of the
/// engine and the PDF output). Defined for every double: NaN gives 0 and values beyond the int
/// range the nearest end of it.
inline int RoundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    const double rounded = std::nearbyint(value);
    if (rounded >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (rounded <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(rounded);
}

} // namespace gq::report
