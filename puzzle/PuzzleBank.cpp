#include "puzzle/PuzzleBank.h"

#include "gq/Error.h"
#include "puzzle/BankData.h"
#include "puzzle/TQJ.h"

#include <string>

namespace gq::puzzle
{

TPuzzleBank::TPuzzleBank(std::array<std::vector<std::string_view>, kListCount> lists)
    : m_lists(std::move(lists))
{
    for (int i = 0; i < kListCount; ++i)
        if (m_lists[i].size() < 2)
            throw Error("puzzle bank list tk" + std::to_string(i) + " holds " +
                        std::to_string(m_lists[i].size()) +
                        " entries; at least two are needed to draw from it");
}

const TPuzzleBank& TPuzzleBank::BuiltIn()
{
    static const TPuzzleBank bank = [] {
        std::array<std::vector<std::string_view>, kListCount> lists;
        auto builtIn = BuiltInBankLists();
        for (int i = 0; i < kListCount; ++i)
            lists[i].assign(builtIn[i].begin(), builtIn[i].end());
        return TPuzzleBank(std::move(lists));
    }();
    return bank;
}

std::span<const std::string_view> TPuzzleBank::List(int index) const { return m_lists.at(index); }

int DrawBankEntry(TRandom& random, int n)
{
    int k = random.Random(n) + 1;
    if (k == n)
        k = n - 1;
    return k;
}

void PickBankPuzzle(const TPuzzleBank& bank, int listIndex, TRandom& random, TQJ& model)
{
    random.Randomize();
    auto list = bank.List(listIndex);
    int k = DrawBankEntry(random, static_cast<int>(list.size()));
    model.LoadBankLine(list[k - 1]);
}

} // namespace gq::puzzle
