#pragma once

#include "puzzle/Random.h"

#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace gq::puzzle
{

class TQJ;

/// The five read-only ordered lists tk0..tk4 of BankLine entries; list i serves LevelCode i + 1.
/// The views must outlive the bank (the built-in lists live for the whole program).
class TPuzzleBank
{
  public:
    static constexpr int kListCount = 5;

    /// Throws gq::Error naming the list when any list holds fewer than two entries: the draw
    /// never takes a list's last entry, so such a list has nothing it can draw.
    explicit TPuzzleBank(std::array<std::vector<std::string_view>, kListCount> lists);

    /// The bank compiled into the program.
    static const TPuzzleBank& BuiltIn();

    /// Entries of list `index` (0..4), in stored order.
    std::span<const std::string_view> List(int index) const;

  private:
    std::array<std::vector<std::string_view>, kListCount> m_lists;
};

/// The entry number 1..n that a draw of list with n entries takes: Random(n) + 1, with n itself
/// replaced by n - 1 (so the last entry is never drawn and the one before it twice as often).
int DrawBankEntry(TRandom& random, int n);

/// Reseeds the generator, draws an entry of list `listIndex` (0..4) and reads it into `model`
/// with LoadBankLine (which shuffles it).
void PickBankPuzzle(const TPuzzleBank& bank, int listIndex, TRandom& random, TQJ& model);

} // namespace gq::puzzle
