// `gridquill-cli puzzle --explain`: the listing, the JSON checked against docs/explain.schema.json
// with a real schema validator, and the grids it refuses.
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace gq::test
{
namespace
{

// A puzzle that the techniques cannot finish (it needs guessing), with one solution.
const std::string kStuck =
    "8..........36......7..9.2...5...7.......457.....1...3...1....68..85...1..9....4..";

class ExplainCliTest : public CliFixture
{
  protected:
    /// Validates `json` against the schema with python3's jsonschema; empty when valid.
    std::string SchemaErrors(const std::string& json)
    {
        const fs::path file = Dir / "steps.json";
        std::ofstream(file) << json;
        const CliResult check = RunCommand("python3 -c 'import json,sys,jsonschema; "
                                           "jsonschema.validate(json.load(open(sys.argv[2])),"
                                           " json.load(open(sys.argv[1])))' '" GQ_SOURCE_DIR
                                           "/docs/explain.schema.json' '" +
                                           file.string() + "'");
        return check.Exit == 0 ? "" : check.Out;
    }
};

TEST_F(ExplainCliTest, ListsEveryStepToTheSolution)
{
    const CliResult run = Cli("puzzle --explain --level extreme --seed 3");
    ASSERT_EQ(run.Exit, 0) << run.Err;
    EXPECT_NE(run.Out.find("Extreme"), std::string::npos);
    // Numbered lines from 1 without gaps, each a placement or eliminations, then the technique.
    const std::regex line(R"(^(\d+)\. (r\dc\d = \d|r\dc\d.* -\d.*)  [a-z0-9 -]+.*$)");
    std::istringstream in(run.Out);
    int expected = 1;
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (std::regex_match(text, m, line)) {
            EXPECT_EQ(std::stoi(m[1]), expected++) << text;
        }
    }
    EXPECT_GT(expected, 20);
    EXPECT_EQ(run.Out.find("no logical step left"), std::string::npos);
}

TEST_F(ExplainCliTest, JsonFollowsTheSchemaForEveryLevel)
{
    for (const char* level : {"very-easy", "hard", "expert", "extreme"}) {
        const CliResult run =
            Cli(std::string("puzzle --explain --json --seed 11 --level ") + level);
        ASSERT_EQ(run.Exit, 0) << level << ": " << run.Err;
        ASSERT_EQ(run.Out.front(), '[') << level;
        EXPECT_EQ(SchemaErrors(run.Out), "") << level;
    }
    // The schema is strict enough to refuse a wrong step.
    EXPECT_NE(SchemaErrors(R"([{"technique":"naked-pear","unit":"box 4","cells":["r4c1"],)"
                           R"("digits":[2],"place":[],"eliminate":[{"cell":"r5c1","digit":7}],)"
                           R"("text":"x"}])"),
              "");
    EXPECT_NE(SchemaErrors(R"([{"technique":"hidden-single","unit":"row 3","cells":["r3c5"],)"
                           R"("digits":[7],"place":[],"eliminate":[{"cell":"r3c5","digit":0}],)"
                           R"("text":"x"}])"),
              "");
}

TEST_F(ExplainCliTest, StopsWhereLogicStops)
{
    const CliResult text = Cli("puzzle --explain --grid " + kStuck);
    EXPECT_EQ(text.Exit, 1) << text.Err;
    EXPECT_NE(text.Out.find("no logical step left"), std::string::npos) << text.Out;
    const CliResult json = Cli("puzzle --explain --json --grid " + kStuck);
    EXPECT_EQ(json.Exit, 1);
    EXPECT_EQ(SchemaErrors(json.Out), "");
    EXPECT_NE(json.Err.find("no logical step left"), std::string::npos);
}

TEST_F(ExplainCliTest, RefusesGridsThatAreNoPuzzleWithTheReason)
{
    std::string clash = std::string(81, '.');
    clash[1] = '5';
    clash[6] = '5';
    std::string letter = kStuck;
    letter[40] = 'x';
    const std::pair<std::string, std::string> cases[] = {
        {"123", "81 digits or dots"},
        {kStuck + "1", "82 characters"},
        {letter, "'x' for r5c5"},
        {clash, "two 5s in row 1 (r1c2, r1c7)"},
        {std::string(81, '.'), "more than one solution"},
        {"12345678.........9" + std::string(63, '.'), "no solution"},
    };
    for (const auto& [grid, reason] : cases) {
        const CliResult run = Cli("puzzle --explain --grid '" + grid + "'");
        EXPECT_EQ(run.Exit, 2) << grid;
        EXPECT_NE(run.Err.find(reason), std::string::npos) << run.Err;
        EXPECT_EQ(run.Out, "") << grid;
    }
    EXPECT_EQ(Cli("puzzle --json").Exit, 2);
    EXPECT_EQ(Cli("puzzle --grid " + kStuck).Exit, 2);
}

} // namespace
} // namespace gq::test
