#pragma once

#include "book/BookSettings.h"
#include "puzzle/PuzzleBatch.h"
#include "puzzle/Random.h"
#include "variant/Variants.h"

#include <string>
#include <string_view>
#include <vector>

namespace gq::book
{

/// True when `name` asks for the bank's classic puzzles: empty or "classic".
bool IsClassicName(std::string_view name);

/// The puzzle type a book or section names, or nullptr for the bank's classic puzzles. Throws
/// gq::Error naming the puzzle types when there is none of that name.
const variant::VariantInfo* BookVariant(std::string_view name);

/// Throws gq::Error when the type `name` does not exist or does not offer the level
/// `levelIndex`, naming the levels it does. Classic names and levels out of range pass: the
/// classic levels are checked with the rest of the settings.
void CheckVariantLevel(std::string_view name, int levelIndex);

/// True when some puzzles of the book are generated variants (its Variant or a section's).
bool HasVariants(const TBookSettings& settings);

/// Throws gq::Error when a variant of the book does not exist or does not offer its level
/// (naming the levels it does), or when a book with variants asks for candidates, hints,
/// worked solutions or answer notes: those explain classic 9 x 9 puzzles only.
void CheckVariantSettings(const TBookSettings& settings);

/// The generated puzzles of a book by number from 1; entry 0, and the entries of the classic
/// puzzles of a book of several sections, have no Variant.
struct TVariantBatch
{
    std::vector<variant::Puzzle> Puzzles;

    /// Puzzle `number`, or nullptr when it is not a generated one.
    const variant::Puzzle* Find(int number) const;
};

/// Times a puzzle is drawn again when it repeats one already in the book before the book is
/// refused as asking more different puzzles than the type has.
inline constexpr int kMaxRedraws = 200;

/// The generated puzzles of the book `settings` describe (none without variants). The
/// generator is reseeded from its seed source once (TRandom::Randomize), then every puzzle takes
/// a 64-bit seed from it, so the same seed source gives the same book. A puzzle equal to one
/// already in the book is drawn again. Throws gq::Error when that keeps happening.
TVariantBatch MakeVariantBatch(const TBookSettings& settings, puzzle::TRandom& random);

/// Puts the 9 x 9 generated puzzles into `batch` as puzzle and solution texts (column after
/// column, as the classic texts are), so that what reads the texts (a cover's motif) sees them;
/// other sizes leave their entries empty.
void CopyVariantTexts(const TVariantBatch& variants, puzzle::TPuzzleBatch& batch);

/// How a type is named in titles and headings: "Killer", "X", "Jigsaw", "6x6", ...
std::string VariantCaption(const variant::VariantInfo& info);

/// A level's caption with the type's name before "Sudoku": "Standard Killer Sudoku".
std::string VariantLevelCaption(std::string_view variantName, int levelIndex);

/// One paragraph of "How to play" explaining the rules of a type; empty for classic.
std::string VariantRules(const variant::VariantInfo& info);

/// The "How to play" paragraphs of the puzzle types of a book, one per type in the order they
/// first come, with classic 9 x 9's among them in a book that mixes it with others; empty for a
/// book of classic puzzles only.
std::vector<std::string> VariantRulesOf(const TBookSettings& settings);

} // namespace gq::book
