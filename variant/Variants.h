#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gq::variant
{

/// Grids are N x N, N = 4, 6, 9 or 16. Cells are numbered row * N + column from 0 (row-major);
/// digits are 1..N and 0 marks an open cell. Candidate sets are bit masks, bit d-1 for digit d:
///
///     bit:    15 14 ... 1  0
///     digit:  16 15 ... 2  1
using Mask = std::uint32_t;
constexpr int kMaxSize = 16;

/// A killer cage: its cells (no digit twice among them) and the sum of their digits.
struct Cage
{
    std::vector<int> Cells;
    int Sum = 0;
};

/// The rules of one grid: its size, its boxes (or irregular regions), diagonals and cages.
/// Every row, column, box or region, and with Diagonals each main diagonal, holds 1..N once.
struct Shape
{
    int Size = 9;
    int BoxRows = 3;          ///< rows of a box (2 for 6x6: boxes are 2 rows of 3 columns)
    int BoxColumns = 3;       ///< columns of a box
    bool Diagonals = false;   ///< X: both main diagonals are units as well
    std::vector<int> Regions; ///< jigsaw: each cell's region 0..N-1; empty: the boxes
    std::vector<Cage> Cages;  ///< killer: every cell in exactly one cage; empty: none

    int CellCount() const { return Size * Size; }
    /// The box or region of a cell.
    int RegionOf(int cell) const;
    /// Every unit (rows, columns, regions, then the diagonals), N cells each.
    std::vector<std::vector<int>> Units() const;
    /// Throws gq::InternalError when the shape breaks its own rules (a region of the wrong size
    /// or not connected, a cell in no cage or two, an impossible cage sum).
    void Validate() const;
};

/// The tiers, named and ordered like the classic levels.
enum class Tier
{
    VeryEasy,
    Easy,
    Standard,
    Hard,
    Expert,
    Extreme
};
constexpr int kTierCount = 6;

/// Command-line name of a tier: "very-easy", "easy", ...
std::string_view TierName(Tier tier);
/// The tier of a command-line name; false when there is none such.
bool TierOfName(std::string_view name, Tier& tier);

enum class Kind
{
    Classic,
    X,
    Jigsaw,
    Killer,
    Six,
    Four,
    Sixteen
};

/// One puzzle type: its name, the grid it is played on, and the tiers it offers (each tier
/// offered is generated within the speed targets and solvable without guessing).
struct VariantInfo
{
    Kind Type;
    std::string_view Name; ///< command-line name: "classic", "x", "jigsaw", "killer", ...
    int Size;
    int BoxRows;
    int BoxColumns;
    std::vector<Tier> Tiers;

    bool Offers(Tier tier) const;
    /// "very-easy, easy or standard": the offered tiers for messages.
    std::string TierList() const;
};

/// Every variant, classic first.
const std::vector<VariantInfo>& AllVariants();
/// The variant of a command-line name, or nullptr.
const VariantInfo* FindVariant(std::string_view name);
/// "classic, x, jigsaw, ...": the names for messages.
std::string VariantNameList();

/// A generated puzzle: its shape, givens and the one solution.
struct Puzzle
{
    const VariantInfo* Variant = nullptr;
    Tier Level = Tier::VeryEasy;
    std::uint64_t Seed = 0;
    Shape Grid;
    std::vector<int> Givens;   ///< CellCount() digits, 0 = open
    std::vector<int> Solution; ///< CellCount() digits
};

/// The text of a digit as printed: 1-9, then A-G for 10-16 (one character per cell, as on a
/// 16 x 16 grid in print); '.' for 0.
char DigitChar(int digit);

} // namespace gq::variant
