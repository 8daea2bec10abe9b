#include "solve/Geometry.h"

namespace gq::solve
{

namespace
{

GridTables BuildTables()
{
    GridTables t{};
    for (int cell = 0; cell < 81; ++cell) {
        t.RowOf[cell] = static_cast<std::uint8_t>(cell / 9);
        t.ColOf[cell] = static_cast<std::uint8_t>(cell % 9);
        t.BoxOf[cell] = static_cast<std::uint8_t>(3 * (cell / 27) + (cell % 9) / 3);
    }
    std::array<int, 27> fill{};
    for (int cell = 0; cell < 81; ++cell) {
        const int units[3] = {t.RowOf[cell], 9 + t.ColOf[cell], 18 + t.BoxOf[cell]};
        for (int k = 0; k < 3; ++k) {
            t.Units[units[k]][fill[units[k]]++] = static_cast<std::uint8_t>(cell);
            t.UnitsOfCell[cell][k] = static_cast<std::uint8_t>(units[k]);
        }
    }
    for (int cell = 0; cell < 81; ++cell) {
        int n = 0;
        for (int other = 0; other < 81; ++other) {
            if (other != cell &&
                (t.RowOf[cell] == t.RowOf[other] || t.ColOf[cell] == t.ColOf[other] ||
                 t.BoxOf[cell] == t.BoxOf[other]))
                t.Peers[cell][n++] = static_cast<std::uint8_t>(other);
        }
    }
    return t;
}

} // namespace

const GridTables& Tables()
{
    static const GridTables tables = BuildTables();
    return tables;
}

} // namespace gq::solve
