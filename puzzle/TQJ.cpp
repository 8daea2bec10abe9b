#include "puzzle/TQJ.h"

#include "gq/Error.h"
#include "puzzle/BankLine.h"
#include "puzzle/Candidates.h"
#include "puzzle/Grid.h"

#include <utility>

namespace gq::puzzle
{

namespace
{

std::string_view TrimControlChars(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return text;
}

} // namespace

TQJ::TQJ(TRandom& random) : m_random(random) {}

void TQJ::ClearValues()
{
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col)
            Nodes[row][col].Value = 0;
}

void TQJ::LoadPuzzleString(std::string_view text)
{
    ClearValues();
    text = TrimControlChars(text);
    if (text.size() != 81)
        return;
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            char c = text[CellIndex(row, col)];
            if (c < '0' || c > '9')
                throw Error("puzzle text holds " + PrintableChar(c) + " at position " +
                            std::to_string(CellIndex(row, col) + 1) +
                            "; only digits 0-9 are allowed");
            TNode& node = Nodes[row][col];
            node.Given = c != '0';
            node.Value = c - '0';
        }
}

std::string TQJ::GetSolutionString() const
{
    std::string result;
    result.reserve(81);
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            int value = Nodes[row][col].Value;
            if (value < 1 || value > 9)
                return {};
            result += static_cast<char>('0' + value);
        }
    return result;
}

void TQJ::LoadBankLine(std::string_view text)
{
    const BankEntry entry = ParseBankLine(text);
    for (int row = 1; row <= 9; ++row)
        for (int col = 1; col <= 9; ++col) {
            TNode& node = Nodes[row][col];
            node.Row = row;
            node.Col = col;
            node.Value = entry.Solution[CellIndex(row, col)];
            node.Given = entry.Given.test(CellIndex(row, col));
        }
    Shuffle(200);
}

ShuffleMove TQJ::DrawShuffleMove(TRandom& random)
{
    ShuffleMove move;
    move.Kind = random.Random(7) + 1;
    move.X = random.Random(3) + 1;
    move.Y = random.Random(2) + 1;
    if (move.Kind == 7) {
        move.D1 = random.Random(9) + 1;
        move.D2 = random.Random(9) + 1;
    }
    return move;
}

void TQJ::Shuffle(int moves)
{
    m_random.Randomize();
    for (int i = 0; i < moves; ++i)
        ApplyShuffleMove(DrawShuffleMove(m_random));
}

void TQJ::SwapCells(int row1, int col1, int row2, int col2)
{
    TNode& a = Nodes[row1][col1];
    TNode& b = Nodes[row2][col2];
    std::swap(a.Value, b.Value);
    std::swap(a.Given, b.Given);
}

void TQJ::ApplyShuffleMove(const ShuffleMove& move)
{
    int x = move.X;
    int y = move.Y;
    if (x == 1)
        y = y + 1;
    if (x == 2 && y == 2)
        y = 3;

    if (move.Kind >= 1 && move.Kind <= 3) {
        int a = 3 * (move.Kind - 1) + x;
        int b = 3 * (move.Kind - 1) + y;
        for (int row = 1; row <= 9; ++row)
            SwapCells(row, a, row, b);
    } else if (move.Kind >= 4 && move.Kind <= 6) {
        int a = 3 * (move.Kind - 4) + x;
        int b = 3 * (move.Kind - 4) + y;
        for (int col = 1; col <= 9; ++col)
            SwapCells(a, col, b, col);
    } else if (move.Kind == 7) {
        int d1 = move.D1;
        int d2 = move.D2;
        if (d2 == d1)
            d2 = d1 == 9 ? 1 : d1 + 1;
        for (int row = 1; row <= 9; ++row)
            for (int col = 1; col <= 9; ++col) {
                int& value = Nodes[row][col].Value;
                if (value == d1)
                    value = d2;
                else if (value == d2)
                    value = d1;
            }
    }
}

std::string TQJ::GetCandidates(int row, int col) const
{
    GivenDigits givens{};
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c)
            if (const TNode& node = Nodes[r][c]; node.Given && node.Value >= 1 && node.Value <= 9)
                givens[CellIndex(r, c)] = static_cast<std::uint8_t>(node.Value);
    return CandidateList(givens, row, col);
}

} // namespace gq::puzzle
