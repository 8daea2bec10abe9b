#include "tools/Grader.h"

#include "support/ToolsGrid.h"
#include "tools/BankGenerator.h"
#include "tools/Rng.h"
#include "tools/Solver.h"

#include <gtest/gtest.h>

namespace gq::tools
{
namespace
{

/// Short, so that tables of puzzles stay one per line.
constexpr auto& G = testsupport::GridFromText;

struct TechniqueCase
{
    Technique Needed; // the hardest technique the puzzle needs
    const char* Puzzle;
};

// Minimal puzzles made by the generator and picked because the technique named is the hardest
// step they need: with every technique up to the one before it in the order they stall.
const TechniqueCase kCases[] = {
    {Technique::HiddenSingle,
     "014000030002000000500800000005000280000685700070200100008000000600743001000000070"},
    {Technique::Pointing,
     "020071090006020080000000000000062010400000905030509024000000040018000300900830000"},
    {Technique::Claiming,
     "120030008000000007054000060000003000070100020000674900000000610040900003003007084"},
    {Technique::NakedPair,
     "000000700008070906709500000300060000000240100165000030901000200000350090000000000"},
    {Technique::HiddenPair,
     "060900020000700000001000008590000080670000209300004700000005000900306500050800060"},
    {Technique::XWing,
     "030090070060800200040000009800030405010000003000600080004308000000200630005009020"},
    {Technique::Skyscraper,
     "006007200020600093010002000001000009000210650000003040000800700067050080400700000"},
    {Technique::TwoStringKite,
     "000040006002000010140030000050609007029015000000000008000900040007000000030004500"},
    {Technique::XYWing,
     "500084000009000000010000749000750000000010200000023604600005800900000003004000052"},
    {Technique::WWing,
     "009002030800700000400830000000010040903400006000306510080000005000600208027000000"},
    {Technique::XChain,
     "000040002000015000012300900007020040904080720608000003003000000000051080480000000"},
    {Technique::XYChain,
     "300006000007004000900200301050000000084000600200000009000108520000073010600005070"},
    {Technique::AIC,
     "010060800000007009092800703800100050470000000060030010309000000000600200040080000"},
};

TEST(GraderTest, FindsTheTechniqueEachPuzzleNeeds)
{
    for (const TechniqueCase& c : kCases) {
        const std::string name(NameOf(c.Needed));
        const Grid puzzle = G(c.Puzzle);
        Grid solution{};
        ASSERT_EQ(Solver::CountSolutions(puzzle, 2, &solution), 1) << name;

        const GradeResult full = Grader::Grade(puzzle, Technique::AIC, &solution);
        EXPECT_TRUE(full.Solved) << name;
        EXPECT_EQ(full.Hardest, c.Needed) << name;
        EXPECT_EQ(full.Tier, TierOf(c.Needed)) << name;
        EXPECT_GT(full.Steps[static_cast<int>(c.Needed)], 0) << name;
        EXPECT_EQ(full.UnsoundSteps, 0) << name;

        const auto before = static_cast<Technique>(static_cast<int>(c.Needed) - 1);
        const GradeResult stalled = Grader::Grade(puzzle, before, &solution);
        EXPECT_FALSE(stalled.Solved) << name << " should stall without it";
        EXPECT_EQ(stalled.UnsoundSteps, 0) << name;

        const GradeResult just = Grader::Grade(puzzle, c.Needed);
        EXPECT_TRUE(just.Solved) << name;
    }
}

TEST(GraderTest, SinglesOnlyPuzzles)
{
    // 64 givens: naked singles finish it.
    const GradeResult easy = Grader::Grade(
        G("043625790701483502620197034319040256568209347274050918150834079407962105086571420"));
    EXPECT_TRUE(easy.Solved);
    EXPECT_EQ(easy.Tier, 1);
    EXPECT_FALSE(easy.Used(Technique::HiddenSingle));
    EXPECT_TRUE(
        Grader::Grade(
            G("043625790701483502620197034319040256568209347274050918150834079407962105086571420"),
            Technique::NakedSingle)
            .Solved);

    // A solved grid needs nothing.
    const GradeResult solved = Grader::Grade(
        G("843625791791483562625197834319748256568219347274356918152834679437962185986571423"));
    EXPECT_TRUE(solved.Solved);
    EXPECT_EQ(solved.Tier, 0);
}

TEST(GraderTest, RejectsWhatItCannotSolveWithoutGuessing)
{
    // Unique puzzles that need more than chains.
    const char* const hard[][2] = {
        {"700002080080005901060000000000040100000000209095200040000053400000000008120690300",
         "741962583283475961569318724832749156417586239695231847976853412354127698128694375"},
        {"000098020010405309003000700042009006160000030005016070000900000400080000020103050",
         "574398621216475389983261745842739516167524938395816472738952164451687293629143857"},
    };
    for (const auto& h : hard) {
        const Grid solution = G(h[1]);
        const GradeResult r = Grader::Grade(G(h[0]), Technique::AIC, &solution);
        EXPECT_FALSE(r.Solved) << h[0];
        EXPECT_EQ(r.UnsoundSteps, 0) << h[0];
    }
    // Two solutions (an open rectangle): logic alone never picks one.
    EXPECT_FALSE(
        Grader::Grade(
            G("843625791791483562625197834310740256560210347274356918152834679437962185986571423"))
            .Solved);
    // Clashing givens.
    EXPECT_FALSE(
        Grader::Grade(
            G("110000000000000000000000000000000000000000000000000000000000000000000000000000000"))
            .Solved);
}

TEST(GraderTest, EliminationsAreSoundOnRandomMinimalPuzzles)
{
    // Random minimal puzzles reach every tier, and those the grader cannot finish run every
    // chain search to exhaustion.
    std::array<int, kTechniqueCount> used{};
    for (std::uint64_t seed = 1; seed <= 120; ++seed) {
        const Candidate c = MakeMinimalCandidate(Rng::Derive(4242, seed));
        const GradeResult r = Grader::Grade(c.Puzzle, Technique::AIC, &c.Solution);
        EXPECT_EQ(r.UnsoundSteps, 0)
            << PuzzleText(c.Puzzle) << " first by " << NameOf(r.FirstUnsound);
        for (int t = 0; t < kTechniqueCount; ++t)
            used[t] += r.Steps[t];
    }
    for (Technique t : {Technique::Pointing, Technique::NakedPair, Technique::XYWing,
                        Technique::XYChain, Technique::AIC})
        EXPECT_GT(used[static_cast<int>(t)], 0) << NameOf(t);
}

TEST(GraderTest, TechniqueOrderRisesInTiers)
{
    int tier = 1;
    for (int t = 0; t < kTechniqueCount; ++t) {
        const int next = TierOf(static_cast<Technique>(t));
        EXPECT_TRUE(next == tier || next == tier + 1) << NameOf(static_cast<Technique>(t));
        tier = next;
        EXPECT_FALSE(NameOf(static_cast<Technique>(t)).empty());
    }
    EXPECT_EQ(tier, 4);
    EXPECT_EQ(TierOf(Technique::HiddenSingle), 1);
    EXPECT_EQ(TierOf(Technique::HiddenTriple), 2);
    EXPECT_EQ(TierOf(Technique::HiddenQuad), 3);
    EXPECT_EQ(TierOf(Technique::WWing), 4);
}

} // namespace
} // namespace gq::tools
