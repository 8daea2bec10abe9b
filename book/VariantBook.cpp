#include "book/VariantBook.h"

#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "variant/Generator.h"

#include <algorithm>

namespace gq::book
{

bool IsClassicName(std::string_view name) { return name.empty() || name == "classic"; }

const variant::VariantInfo* BookVariant(std::string_view name)
{
    if (IsClassicName(name))
        return nullptr;
    const variant::VariantInfo* info = variant::FindVariant(name);
    if (!info)
        throw Error("there is no puzzle type \"" + std::string(name) + "\"; the types are " +
                    variant::VariantNameList());
    return info;
}

bool HasVariants(const TBookSettings& settings)
{
    if (settings.Sections.empty())
        return !IsClassicName(settings.Variant);
    return std::ranges::any_of(settings.Sections,
                               [](const TSection& s) { return !IsClassicName(s.Variant); });
}

void CheckVariantLevel(std::string_view name, int levelIndex)
{
    const variant::VariantInfo* info = BookVariant(name);
    if (!info || levelIndex < 0 || levelIndex >= variant::kTierCount)
        return; // the classic levels are checked with the rest of the settings
    const auto tier = static_cast<variant::Tier>(levelIndex);
    if (!info->Offers(tier))
        throw Error(std::string(info->Name) + " puzzles come at the levels " + info->TierList() +
                    ", not " + std::string(variant::TierName(tier)));
}

namespace
{

/// The type's own name: the puzzle type of its first section or of the book.
std::string Refused(const TBookSettings& settings, std::string_view what)
{
    std::string name = settings.Variant;
    for (const TSection& section : settings.Sections)
        if (!IsClassicName(section.Variant)) {
            name = section.Variant;
            break;
        }
    return std::string(what) + " explain classic 9 x 9 puzzles only, and this book has " + name +
           " puzzles";
}

} // namespace

void CheckVariantSettings(const TBookSettings& settings)
{
    if (!settings.Sections.empty() && !IsClassicName(settings.Variant))
        throw Error("a book of sections names the puzzle type in each section (such as "
                    "killer/easy:40), not for the whole book as " +
                    settings.Variant);
    if (settings.Sections.empty())
        CheckVariantLevel(settings.Variant, settings.LevelIndex);
    for (const TSection& section : settings.Sections)
        CheckVariantLevel(section.Variant, section.LevelIndex);
    if (!HasVariants(settings))
        return;
    if (settings.Candidates)
        throw Error(Refused(settings, "candidates"));
    if (settings.Hints)
        throw Error(Refused(settings, "hints"));
    if (settings.WorkedSolutions > 0)
        throw Error(Refused(settings, "worked solutions"));
    if (settings.AnswerNotes)
        throw Error(Refused(settings, "answer notes"));
}

const variant::Puzzle* TVariantBatch::Find(int number) const
{
    if (number < 1 || static_cast<std::size_t>(number) >= Puzzles.size())
        return nullptr;
    const variant::Puzzle& puzzle = Puzzles[static_cast<std::size_t>(number)];
    return puzzle.Variant ? &puzzle : nullptr;
}

namespace
{

std::uint64_t DrawSeed(puzzle::TRandom& random)
{
    std::uint64_t seed = 0;
    for (int i = 0; i < 4; ++i)
        seed = (seed << 16) | static_cast<std::uint64_t>(random.Random(0x10000));
    return seed;
}

bool SamePuzzle(const variant::Puzzle& a, const variant::Puzzle& b)
{
    return a.Variant == b.Variant && a.Givens == b.Givens && a.Grid.Regions == b.Grid.Regions &&
           a.Grid.Cages.size() == b.Grid.Cages.size() &&
           std::ranges::equal(a.Grid.Cages, b.Grid.Cages, [](const auto& x, const auto& y) {
               return x.Cells == y.Cells && x.Sum == y.Sum;
           });
}

} // namespace

TVariantBatch MakeVariantBatch(const TBookSettings& settings, puzzle::TRandom& random)
{
    TVariantBatch batch;
    if (!HasVariants(settings))
        return batch;
    std::vector<TSection> runs = settings.Sections;
    if (runs.empty())
        runs.push_back({settings.LevelIndex, BookPuzzleCount(settings), settings.Variant});
    random.Randomize();
    batch.Puzzles.resize(1);
    for (const TSection& run : runs) {
        const variant::VariantInfo* info = BookVariant(run.Variant);
        const std::size_t first = batch.Puzzles.size();
        batch.Puzzles.resize(first + static_cast<std::size_t>(std::max(run.Count, 0)));
        if (!info)
            continue;
        const auto tier = static_cast<variant::Tier>(run.LevelIndex);
        for (std::size_t n = first; n < batch.Puzzles.size(); ++n) {
            for (int attempt = 0;; ++attempt) {
                variant::Puzzle made = variant::Generate(*info, tier, DrawSeed(random));
                const auto begin = batch.Puzzles.begin() + 1;
                const auto end = batch.Puzzles.begin() + static_cast<std::ptrdiff_t>(n);
                if (std::none_of(begin, end, [&](const auto& p) { return SamePuzzle(p, made); })) {
                    batch.Puzzles[n] = std::move(made);
                    break;
                }
                if (attempt == kMaxRedraws)
                    throw Error("the " + std::string(info->Name) + " puzzles at level " +
                                std::string(variant::TierName(tier)) + " gave only " +
                                std::to_string(n - first) + " different puzzles, not " +
                                std::to_string(run.Count) + ": ask for fewer");
            }
        }
    }
    return batch;
}

void CopyVariantTexts(const TVariantBatch& variants, puzzle::TPuzzleBatch& batch)
{
    for (std::size_t n = 1; n < variants.Puzzles.size(); ++n) {
        const variant::Puzzle& p = variants.Puzzles[n];
        if (!p.Variant || p.Grid.Size != 9 || n > static_cast<std::size_t>(batch.kCapacity))
            continue;
        std::string givens(81, '0'), solution(81, '0');
        for (int column = 0; column < 9; ++column)
            for (int row = 0; row < 9; ++row) {
                const auto at = static_cast<std::size_t>(row * 9 + column);
                const auto text = static_cast<std::size_t>(column * 9 + row);
                givens[text] = static_cast<char>('0' + p.Givens[at]);
                solution[text] = static_cast<char>('0' + p.Solution[at]);
            }
        batch.Puzzles[n] = givens;
        batch.Solutions[n] = solution;
    }
}

std::string VariantCaption(const variant::VariantInfo& info)
{
    switch (info.Type) {
    case variant::Kind::X:
        return "X";
    case variant::Kind::Jigsaw:
        return "Jigsaw";
    case variant::Kind::Killer:
        return "Killer";
    default:
        return std::string(info.Name);
    }
}

std::string VariantLevelCaption(std::string_view variantName, int levelIndex)
{
    std::string caption(puzzle::Levels().at(static_cast<std::size_t>(levelIndex)).Caption);
    const variant::VariantInfo* info = BookVariant(variantName);
    constexpr std::string_view suffix = "Sudoku";
    if (info && caption.ends_with(suffix))
        caption.insert(caption.size() - suffix.size(), VariantCaption(*info) + " ");
    return caption;
}

std::string VariantRules(const variant::VariantInfo& info)
{
    switch (info.Type) {
    case variant::Kind::X:
        return "X Sudoku: the two long diagonals, shaded grey, also hold 1 to 9 once each.";
    case variant::Kind::Jigsaw:
        return "Jigsaw Sudoku: the thick lines mark nine irregular shapes of nine cells; each "
               "shape holds 1 to 9 once, as a box would.";
    case variant::Kind::Killer:
        return "Killer Sudoku: the dashed outlines are cages. The digits of a cage add up to the "
               "small number in its corner, and no digit appears twice in a cage.";
    case variant::Kind::Six:
        return "6x6 Sudoku: every row, column and 2 x 3 box holds the digits 1 to 6 once.";
    case variant::Kind::Four:
        return "4x4 Sudoku: every row, column and 2 x 2 box holds the digits 1 to 4 once.";
    case variant::Kind::Sixteen:
        return "16x16 Sudoku: every row, column and 4 x 4 box holds the sixteen signs 1 to 9 and "
               "A to G once each.";
    case variant::Kind::Classic:
        break;
    }
    return {};
}

std::vector<std::string> VariantRulesOf(const TBookSettings& settings)
{
    std::vector<std::string> rules;
    if (!HasVariants(settings))
        return rules;
    std::vector<std::string> names;
    if (settings.Sections.empty())
        names.push_back(settings.Variant);
    for (const TSection& section : settings.Sections)
        names.push_back(IsClassicName(section.Variant) ? "classic" : section.Variant);
    std::vector<std::string> seen;
    for (const std::string& name : names) {
        if (std::ranges::find(seen, name) != seen.end())
            continue;
        seen.push_back(name);
        const variant::VariantInfo* info = BookVariant(name);
        rules.push_back(info ? VariantRules(*info)
                             : "Classic Sudoku: every row, column and 3 x 3 box holds the digits "
                               "1 to 9 once.");
    }
    return rules;
}

} // namespace gq::book
