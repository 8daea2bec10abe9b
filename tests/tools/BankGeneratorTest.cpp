#include "tools/BankGenerator.h"

#include "tools/CanonicalForm.h"
#include "tools/Solver.h"

#include <gtest/gtest.h>

#include <set>

namespace gq::tools
{
namespace
{

GeneratorOptions Small(int threads)
{
    GeneratorOptions o;
    o.Seed = 99;
    o.PerList = 3;
    o.Threads = threads;
    o.BatchSize = 64;
    return o;
}

TEST(BankGeneratorTest, OutputDependsOnTheSeedOnly)
{
    BankGenerator one(Small(1));
    one.Run();
    BankGenerator two(Small(2));
    two.Run();
    GeneratorOptions other = Small(2);
    other.Seed = 100;
    BankGenerator three(other);
    three.Run();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(one.ListText(i), two.ListText(i)) << "tk" << i;
        EXPECT_NE(one.ListText(i), three.ListText(i)) << "tk" << i;
    }
    EXPECT_EQ(one.Report(), two.Report());
}

TEST(BankGeneratorTest, ListsHoldFittingUniqueDistinctPuzzles)
{
    BankGenerator gen(Small(2));
    std::vector<std::array<int, 5>> progress;
    gen.Run([&](const std::array<int, 5>& counts) { progress.push_back(counts); });
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), (std::array<int, 5>{3, 3, 3, 3, 3}));
    std::set<std::string> forms;
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(gen.List(i).size(), 3u);
        for (const Candidate& c : gen.List(i)) {
            EXPECT_TRUE(Fits(BankLists()[i], c.Givens, c.Grade));
            EXPECT_EQ(Solver::CountSolutions(c.Puzzle, 2), 1);
            EXPECT_TRUE(forms.insert(CanonicalForm(c.Puzzle)).second);
        }
        EXPECT_EQ(gen.ListText(i).size(), 3u * 82u);
    }
    const std::string report = gen.Report();
    EXPECT_NE(report.find("| tk4 |"), std::string::npos);
    EXPECT_NE(report.find("Alternating Inference Chain"), std::string::npos);
}

TEST(BankGeneratorTest, CandidatesAreMinimalOrDense)
{
    const Candidate minimal = MakeMinimalCandidate(5);
    ASSERT_EQ(Solver::CountSolutions(minimal.Puzzle, 2), 1);
    for (int cell = 0; cell < 81; ++cell) {
        if (minimal.Puzzle[cell] == 0) {
            EXPECT_EQ(minimal.Solution[cell] != 0, true);
            continue;
        }
        Grid less = minimal.Puzzle;
        less[cell] = 0;
        EXPECT_FALSE(Solver::IsUnique(less)) << "given " << cell << " is not needed";
    }
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        const Candidate dense = MakeDenseCandidate(seed);
        EXPECT_GE(dense.Givens, 41);
        EXPECT_LE(dense.Givens, 51);
        EXPECT_TRUE(Solver::IsUnique(dense.Puzzle));
    }
}

TEST(BankGeneratorTest, FitsFollowsTheListTable)
{
    GradeResult t1;
    t1.Solved = true;
    t1.Tier = 1;
    GradeResult t1Hidden = t1;
    t1Hidden.Steps[static_cast<int>(Technique::HiddenSingle)] = 1;
    GradeResult t4 = t1Hidden;
    t4.Tier = 4;
    GradeResult unsolved = t4;
    unsolved.Solved = false;
    const auto& l = BankLists();
    EXPECT_TRUE(Fits(l[0], 41, t1));
    EXPECT_TRUE(Fits(l[0], 51, t1Hidden));
    EXPECT_FALSE(Fits(l[0], 40, t1));
    EXPECT_FALSE(Fits(l[0], 52, t1));
    EXPECT_FALSE(Fits(l[1], 25, t1)); // naked singles alone finish it
    EXPECT_TRUE(Fits(l[1], 25, t1Hidden));
    EXPECT_FALSE(Fits(l[1], 33, t1Hidden));
    EXPECT_FALSE(Fits(l[2], 25, t1Hidden));
    EXPECT_TRUE(Fits(l[4], 21, t4));
    EXPECT_FALSE(Fits(l[3], 25, t4));
    EXPECT_FALSE(Fits(l[4], 25, unsolved));
}

} // namespace
} // namespace gq::tools
