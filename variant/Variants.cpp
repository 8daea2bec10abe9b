#include "variant/Variants.h"

#include "gq/Error.h"

#include <algorithm>

namespace gq::variant
{

namespace
{

constexpr std::array<std::string_view, kTierCount> kTierNames = {"very-easy", "easy",   "standard",
                                                                 "hard",      "expert", "extreme"};

/// Whether the cells form one piece through shared edges.
bool Connected(const std::vector<int>& cells, int size)
{
    if (cells.empty())
        return true;
    std::vector<char> inSet(static_cast<std::size_t>(size * size), 0), seen(inSet.size(), 0);
    for (int cell : cells)
        inSet[cell] = 1;
    std::vector<int> stack{cells.front()};
    seen[cells.front()] = 1;
    std::size_t reached = 0;
    while (!stack.empty()) {
        int cell = stack.back();
        stack.pop_back();
        ++reached;
        const int row = cell / size, column = cell % size;
        const int next[4][2] = {
            {row - 1, column}, {row + 1, column}, {row, column - 1}, {row, column + 1}};
        for (const auto& [r, c] : next) {
            if (r < 0 || c < 0 || r >= size || c >= size)
                continue;
            const int n = r * size + c;
            if (inSet[n] && !seen[n]) {
                seen[n] = 1;
                stack.push_back(n);
            }
        }
    }
    return reached == cells.size();
}

} // namespace

int Shape::RegionOf(int cell) const
{
    if (!Regions.empty())
        return Regions[cell];
    const int row = cell / Size, column = cell % Size;
    return (row / BoxRows) * (Size / BoxColumns) + column / BoxColumns;
}

std::vector<std::vector<int>> Shape::Units() const
{
    std::vector<std::vector<int>> units(static_cast<std::size_t>(3 * Size));
    for (int cell = 0; cell < CellCount(); ++cell) {
        units[cell / Size].push_back(cell);
        units[Size + cell % Size].push_back(cell);
        units[2 * Size + RegionOf(cell)].push_back(cell);
    }
    if (Diagonals) {
        units.emplace_back();
        units.emplace_back();
        for (int i = 0; i < Size; ++i) {
            units[3 * Size].push_back(i * Size + i);
            units[3 * Size + 1].push_back(i * Size + Size - 1 - i);
        }
    }
    return units;
}

void Shape::Validate() const
{
    if (Size < 1 || Size > kMaxSize || BoxRows * BoxColumns != Size)
        throw InternalError("a " + std::to_string(Size) + " x " + std::to_string(Size) +
                            " grid cannot have boxes of " + std::to_string(BoxRows) + " x " +
                            std::to_string(BoxColumns));
    if (!Regions.empty()) {
        if (Regions.size() != static_cast<std::size_t>(CellCount()))
            throw InternalError("the regions do not cover the grid");
        std::vector<std::vector<int>> regions(static_cast<std::size_t>(Size));
        for (int cell = 0; cell < CellCount(); ++cell) {
            if (Regions[cell] < 0 || Regions[cell] >= Size)
                throw InternalError("cell " + std::to_string(cell) + " is in no region");
            regions[Regions[cell]].push_back(cell);
        }
        for (int r = 0; r < Size; ++r)
            if (static_cast<int>(regions[r].size()) != Size || !Connected(regions[r], Size))
                throw InternalError("region " + std::to_string(r) + " is not one piece of N cells");
    }
    if (!Cages.empty()) {
        std::vector<int> cover(static_cast<std::size_t>(CellCount()), 0);
        for (const Cage& cage : Cages) {
            const int k = static_cast<int>(cage.Cells.size());
            const int least = k * (k + 1) / 2, most = k * (2 * Size - k + 1) / 2;
            if (k < 1 || k > Size || cage.Sum < least || cage.Sum > most)
                throw InternalError("a cage of " + std::to_string(k) + " cells cannot sum to " +
                                    std::to_string(cage.Sum));
            for (int cell : cage.Cells)
                ++cover.at(static_cast<std::size_t>(cell));
            if (!Connected(cage.Cells, Size))
                throw InternalError("a cage is not one piece");
        }
        if (std::any_of(cover.begin(), cover.end(), [](int n) { return n != 1; }))
            throw InternalError("a cell is not in exactly one cage");
    }
}

std::string_view TierName(Tier tier) { return kTierNames.at(static_cast<std::size_t>(tier)); }

bool TierOfName(std::string_view name, Tier& tier)
{
    for (int i = 0; i < kTierCount; ++i)
        if (kTierNames[i] == name) {
            tier = static_cast<Tier>(i);
            return true;
        }
    return false;
}

bool VariantInfo::Offers(Tier tier) const
{
    return std::find(Tiers.begin(), Tiers.end(), tier) != Tiers.end();
}

std::string VariantInfo::TierList() const
{
    std::string list;
    for (std::size_t i = 0; i < Tiers.size(); ++i) {
        if (i > 0)
            list += i + 1 == Tiers.size() ? " or " : ", ";
        list += TierName(Tiers[i]);
    }
    return list;
}

const std::vector<VariantInfo>& AllVariants()
{
    using enum Tier;
    // The tiers each variant offers: those its grid can need and that the generator makes
    // within the speed targets on one core (median under 10 ms, p95 under 100 ms; 16 x 16:
    // median under 100 ms; see gq-bench-variant). Higher tiers are rare among grids solvable
    // by hand, and drawing until one comes takes longer than that: classic hard about 10-18 ms,
    // expert 100-300 ms, killer hard about 250 ms, 6x6 standard 25-50 ms. A 4 x 4 grid never
    // needs more than singles.
    static const std::vector<VariantInfo> variants = {
        {Kind::Classic, "classic", 9, 3, 3, {VeryEasy, Easy, Standard}},
        {Kind::X, "x", 9, 3, 3, {VeryEasy, Easy, Standard, Hard}},
        {Kind::Jigsaw, "jigsaw", 9, 3, 3, {VeryEasy, Easy, Standard, Hard}},
        {Kind::Killer, "killer", 9, 3, 3, {VeryEasy, Easy, Standard}},
        {Kind::Six, "6x6", 6, 2, 3, {VeryEasy, Easy}},
        {Kind::Four, "4x4", 4, 2, 2, {VeryEasy, Easy}},
        {Kind::Sixteen, "16x16", 16, 4, 4, {VeryEasy, Easy, Standard}},
    };
    return variants;
}

const VariantInfo* FindVariant(std::string_view name)
{
    for (const VariantInfo& info : AllVariants())
        if (info.Name == name)
            return &info;
    return nullptr;
}

std::string VariantNameList()
{
    std::string list;
    for (const VariantInfo& info : AllVariants())
        list += (list.empty() ? "" : ", ") + std::string(info.Name);
    return list;
}

char DigitChar(int digit)
{
    if (digit <= 0)
        return '.';
    return digit <= 9 ? static_cast<char>('0' + digit) : static_cast<char>('A' + digit - 10);
}

} // namespace gq::variant
