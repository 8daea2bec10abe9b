// The puzzles of books of generated types: drawn from the book's seed, never twice in a book,
// numbered through sections beside the bank's classic ones; the settings a book of types may
// and may not have; titles and headings naming the type; plans that keep it.
#include "book/VariantBook.h"
#include "book/BookLayout.h"
#include "book/PlanFile.h"
#include "gq/Error.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using gq::book::TBookSettings;
using gq::book::TSection;

gq::book::TVariantBatch Make(const TBookSettings& settings, std::uint64_t seed)
{
    gq::puzzle::TRandom random(gq::puzzle::SequenceSeedSource(seed));
    return gq::book::MakeVariantBatch(settings, random);
}

TBookSettings OneType(const std::string& type, int level, int pages, int perPage = 1)
{
    TBookSettings settings;
    settings.Variant = type;
    settings.LevelIndex = level;
    settings.PageCount = pages;
    settings.PuzzlesPerPage = perPage;
    return settings;
}

std::string Message(const TBookSettings& settings)
{
    try {
        gq::book::CheckBookSettings(settings);
    } catch (const gq::Error& e) {
        return e.what();
    }
    return {};
}

// The same seed gives the same puzzles, another seed others; a classic book has none.
TEST(VariantBatchTest, TheSeedFixesThePuzzles)
{
    const TBookSettings settings = OneType("killer", 2, 3);
    const auto a = Make(settings, 7), b = Make(settings, 7), c = Make(settings, 8);
    ASSERT_EQ(a.Puzzles.size(), 4u);
    for (int n = 1; n <= 3; ++n) {
        ASSERT_NE(a.Find(n), nullptr);
        EXPECT_EQ(a.Find(n)->Givens, b.Find(n)->Givens);
        EXPECT_EQ(a.Find(n)->Level, gq::variant::Tier::Standard);
        EXPECT_NE(a.Find(n)->Givens, c.Find(n)->Givens);
    }
    EXPECT_EQ(a.Find(0), nullptr);
    EXPECT_EQ(a.Find(4), nullptr);
    EXPECT_TRUE(Make(OneType("classic", 2, 3), 7).Puzzles.empty());
    EXPECT_TRUE(Make(OneType("", 2, 3), 7).Puzzles.empty());
}

// 4x4 grids are few: a book of 300 easy ones meets repeats, and draws again until none is left.
TEST(VariantBatchTest, NoPuzzleComesTwiceIntoABook)
{
    const auto batch = Make(OneType("4x4", 1, 75, 4), 3);
    ASSERT_EQ(batch.Puzzles.size(), 301u);
    for (int i = 1; i <= 300; ++i)
        for (int j = 1; j < i; ++j)
            ASSERT_NE(batch.Find(i)->Givens, batch.Find(j)->Givens) << i << " and " << j;
}

// Sections number their puzzles through the book: a classic section's numbers hold no
// generated puzzle (the bank fills them), the types' sections theirs.
TEST(VariantBatchTest, SectionsNumberThroughTheBook)
{
    TBookSettings settings;
    settings.Sections = {{1, 2, "x"}, {2, 3, ""}, {0, 2, "16x16"}};
    const auto batch = Make(settings, 5);
    ASSERT_EQ(batch.Puzzles.size(), 8u);
    for (int n : {1, 2})
        EXPECT_EQ(batch.Find(n)->Variant->Name, "x");
    for (int n : {3, 4, 5})
        EXPECT_EQ(batch.Find(n), nullptr);
    for (int n : {6, 7}) {
        EXPECT_EQ(batch.Find(n)->Grid.Size, 16);
        EXPECT_EQ(batch.Find(n)->Level, gq::variant::Tier::VeryEasy);
    }
    // The 9 x 9 ones reach the classic texts (a cover's motif reads them), column after column.
    gq::puzzle::TPuzzleBatch texts;
    gq::book::CopyVariantTexts(batch, texts);
    ASSERT_EQ(texts.Puzzles[1].size(), 81u);
    const auto& first = *batch.Find(1);
    EXPECT_EQ(texts.Puzzles[1][9 * 2 + 4], '0' + first.Givens[4 * 9 + 2]); // row 5, column 3
    EXPECT_EQ(texts.Solutions[2][80], '0' + batch.Find(2)->Solution[80]);
    EXPECT_TRUE(texts.Puzzles[6].empty());
}

// What a book of types may not have is refused, naming why; two types, or a type and the
// classic puzzles, may share a level.
TEST(VariantSettingsTest, RefusalsNameTheReason)
{
    TBookSettings settings = OneType("killer", 1, 2);
    EXPECT_EQ(Message(settings), "");
    settings.Hints = true;
    EXPECT_NE(Message(settings).find("hints explain classic 9 x 9 puzzles only, and this book has "
                                     "killer puzzles"),
              std::string::npos);
    EXPECT_NE(Message(OneType("6x6", 2, 2))
                  .find("6x6 puzzles come at the levels very-easy or "
                        "easy, not standard"),
              std::string::npos)
        << Message(OneType("6x6", 2, 2));
    EXPECT_NE(Message(OneType("hexagon", 1, 2)).find("no puzzle type \"hexagon\""),
              std::string::npos);
    TBookSettings candidates = OneType("4x4", 1, 2);
    candidates.Candidates = true;
    EXPECT_NE(Message(candidates).find("candidates explain"), std::string::npos);
    TBookSettings worked = OneType("x", 1, 2);
    worked.WorkedSolutions = 1;
    EXPECT_NE(Message(worked).find("worked solutions explain"), std::string::npos);
    // The classic book keeps its own checks: a level the generator does not offer is the bank's.
    EXPECT_EQ(Message(OneType("classic", 5, 2)), "");

    TBookSettings sections;
    sections.Sections = {{1, 2, ""}, {1, 2, "x"}, {1, 2, "killer"}, {1, 2, "classic"}};
    EXPECT_NE(Message(sections).find("the level easy has two sections"), std::string::npos)
        << Message(sections);
    sections.Sections = {{1, 2, "x"}, {1, 2, "killer"}, {1, 3, "x"}};
    EXPECT_NE(Message(sections).find("the x puzzles of level easy have two sections"),
              std::string::npos);
    sections.Sections = {{1, 2, "x"}, {1, 2, ""}};
    EXPECT_EQ(Message(sections), "");
    sections.Variant = "x";
    EXPECT_NE(Message(sections).find("names the puzzle type in each section"), std::string::npos);
}

// Titles, headings and "How to play" name the types.
TEST(VariantSettingsTest, TitlesAndRulesNameTheType)
{
    EXPECT_EQ(gq::book::BookTitle(OneType("killer", 2, 1)), "Standard Killer Sudoku");
    EXPECT_EQ(gq::book::BookTitle(OneType("classic", 2, 1)), "Standard Sudoku");
    EXPECT_EQ(gq::book::SectionHeading(2, 1, "16x16"), "Section 2 - Easy 16x16");
    EXPECT_EQ(gq::book::SectionHeading(2, 1), "Section 2 - Easy");
    TBookSettings settings;
    settings.Sections = {{0, 2, "jigsaw"}, {2, 2, "jigsaw"}};
    EXPECT_EQ(gq::book::BookTitle(settings), "Very Easy to Standard Jigsaw Sudoku");
    settings.Sections = {{0, 2, "jigsaw"}, {2, 2, ""}, {1, 2, "jigsaw"}};
    EXPECT_EQ(gq::book::BookTitle(settings), "Very Easy to Easy Sudoku");
    const auto rules = gq::book::VariantRulesOf(settings);
    ASSERT_EQ(rules.size(), 2u); // jigsaw once, then classic
    EXPECT_EQ(rules[0].rfind("Jigsaw Sudoku:", 0), 0u);
    EXPECT_EQ(rules[1].rfind("Classic Sudoku:", 0), 0u);
    EXPECT_TRUE(gq::book::VariantRulesOf(OneType("classic", 1, 1)).empty());
}

// A plan keeps the types of the book and of its sections; a classic plan is written as before.
TEST(VariantSettingsTest, PlansKeepTheType)
{
    gq::book::TPlanFile plan;
    plan.Settings = OneType("6x6", 1, 3);
    const std::string text = gq::book::PlanText(plan);
    EXPECT_NE(text.find("variant = \"6x6\""), std::string::npos);
    EXPECT_EQ(gq::book::ParsePlan(text, "p.toml").Settings.Variant, "6x6");
    plan.Settings = OneType("", 1, 3);
    EXPECT_EQ(gq::book::PlanText(plan).find("variant"), std::string::npos);
    plan.Settings.Sections = {{1, 4, "killer"}, {2, 5, ""}};
    const auto read = gq::book::ParsePlan(gq::book::PlanText(plan), "p.toml");
    EXPECT_EQ(read.Settings.Sections, plan.Settings.Sections);
    try {
        gq::book::ParsePlan("[[section]]\nlevel = \"hard\"\nvariant = \"killer\"\npuzzles = 2\n",
                            "p.toml");
        ADD_FAILURE() << "a level killer does not offer was taken";
    } catch (const gq::Error& e) {
        EXPECT_NE(std::string(e.what()).find("p.toml:2"), std::string::npos) << e.what();
    }
}

} // namespace
