#include "book/PaperSizes.h"

#include <array>

namespace gq::book
{

namespace
{

constexpr double kMillimetre = 1 / 25.4;

constexpr std::array<TPaper, 8> kPapers = {{
    {"letter", "US Letter (8.5 x 11 in)", 8.5, 11},
    {"a4", "A4 (210 x 297 mm)", 210 * kMillimetre, 297 * kMillimetre},
    {"a5", "A5 (148 x 210 mm)", 148 * kMillimetre, 210 * kMillimetre},
    {"5.5x8.5", "5.5 x 8.5 in", 5.5, 8.5},
    {"6x9", "6 x 9 in", 6, 9},
    {"7x10", "7 x 10 in", 7, 10},
    {"8x10", "8 x 10 in", 8, 10},
    {"8.25x11", "8.25 x 11 in", 8.25, 11},
}};

} // namespace

std::span<const TPaper> Papers() { return kPapers; }

const TPaper* FindPaper(std::string_view name)
{
    for (const TPaper& paper : kPapers)
        if (paper.Name == name)
            return &paper;
    return nullptr;
}

const TPaper& DefaultPaper() { return kPapers.front(); }

std::string PaperNameList()
{
    std::string list;
    for (const TPaper& paper : kPapers) {
        if (!list.empty())
            list += ", ";
        list += paper.Name;
    }
    return list;
}

} // namespace gq::book
