#include "CliRunner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>

namespace
{

namespace fs = std::filesystem;
using Result = gq::test::CliResult;
using CliTest = gq::test::CliFixture;

TEST_F(CliTest, MakesTheDefaultBookAndSaysWhere)
{
    Result result = Cli("book book.pdf");
    ASSERT_EQ(result.Exit, 0) << result.Err;
    EXPECT_EQ(result.Out, "book.pdf: 25 pages\n");
    EXPECT_EQ(result.Err, "") << "no progress bar when stderr is not a terminal";
    EXPECT_TRUE(fs::exists(Dir / "runtime" / "velmoraquill.pgs"));

    Result named = Cli("book --quiet --pages 1 --level extreme --candidates small");
    ASSERT_EQ(named.Exit, 0) << named.Err;
    EXPECT_EQ(named.Out, "small.pdf: 2 pages\n") << "a name without '.' gets .pdf";
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndWriteNothing)
{
    const char* cases[] = {
        "book --pages 0 out.pdf",
        "book --pages 201 out.pdf",
        "book --pages ten out.pdf",
        "book --per-page 3 out.pdf",
        "book --level medium out.pdf",
        "book --bogus out.pdf",
        "book",
        "book --candidates --per-page 2 out.pdf",
        "render only-one-argument",
        "",
        "fly out.pdf",
        "book --seed -4 out.pdf",
        "book --seed 1.5 out.pdf",
        "book --seed 99999999999999999999 out.pdf",
        "book --volume 16 out.pdf",
        "book .pdf",
        "book --pages 2 --pages 3 out.pdf",
    };
    for (const char* args : cases) {
        Result result = Cli(args);
        EXPECT_EQ(result.Exit, 2) << args;
        EXPECT_TRUE(IsOneLine(result.Err)) << args << ": " << result.Err;
        EXPECT_EQ(result.Err.rfind("gridquill-cli: ", 0), 0u) << result.Err;
        EXPECT_EQ(UserFiles(), 0u) << args;
    }
    EXPECT_NE(Cli("book --candidates --per-page 4 out.pdf").Err.find("one puzzle per page"),
              std::string::npos);
}

TEST_F(CliTest, MisplacedAndRepeatedOptionsSayWhatIsWrong)
{
    const struct
    {
        const char* Args;
        const char* Message;
    } cases[] = {
        {"book --version", "--version is an option of gridquill-cli, not of book: use "
                           "gridquill-cli --version"},
        {"book -x.pdf", "book has no option -x.pdf; a file name starting with '-' goes after "
                        "'--' (book -- -x.pdf)"},
        {"book --pages 2 --colour red out.pdf", "book has no option --colour"},
        {"book --pages 2 --pages 3 out.pdf", "--pages was given twice"},
        {"book --quiet --level hard --quiet out.pdf", "--quiet was given twice"},
        {"book --pages=2 --pages 3 out.pdf", "--pages was given twice"},
        {"book one.pdf two.pdf", "book writes one file: \"two.pdf\" is one too many"},
        {"book --quiet", "OUTPUT is required"},
    };
    for (const auto& c : cases) {
        Result result = Cli(c.Args);
        EXPECT_EQ(result.Exit, 2) << c.Args;
        EXPECT_EQ(result.Err, std::string("gridquill-cli: ") + c.Message + " (see --help)\n")
            << c.Args;
    }
    EXPECT_EQ(UserFiles(), 0u);

    Result dashed = Cli("book --quiet --pages 1 -- -x.pdf");
    EXPECT_EQ(dashed.Exit, 0) << dashed.Err;
    EXPECT_EQ(dashed.Out, "-x.pdf: 2 pages\n");
}

/// A shell word holding what printf makes of `format` ("\\033" for ESC), as a user may type it.
std::string Typed(const std::string& format) { return "\"$(printf '" + format + "')\""; }

TEST_F(CliTest, UserTextReachesTheTerminalEscaped)
{
    auto expectEscaped = [](const Result& result, const std::string& shown) {
        for (const std::string* text : {&result.Out, &result.Err}) {
            for (char c : *text)
                EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n')
                    << "raw control character in: " << *text;
            EXPECT_TRUE(text->empty() || IsOneLine(*text)) << *text;
        }
        EXPECT_NE((result.Out + result.Err).find(shown), std::string::npos)
            << result.Out << result.Err;
    };
    expectEscaped(Cli("book --quiet --title " + Typed("\\033[31mRed") + " r.pdf"), "\"\\x1b\"");
    expectEscaped(Cli("book --level " + Typed("hard\\033[2J") + " r.pdf"), "hard\\x1b[2J");
    expectEscaped(Cli(Typed("bo\\007ok") + " r.pdf"), "\"bo\\x07ok\"");
    expectEscaped(Cli("book --quiet " + Typed("no\\033]0;x\\007/r.pdf")), "no\\x1b]0;x\\x07/r.pdf");

    Result newline = Cli("book --quiet --pages 1 " + Typed("two\\nlines.pdf"));
    ASSERT_EQ(newline.Exit, 0) << newline.Err;
    EXPECT_EQ(newline.Out, "two\\x0alines.pdf: 2 pages\n");
    EXPECT_TRUE(fs::exists(Dir / "two\nlines.pdf"));
}

TEST_F(CliTest, FileNamesThatAreOnlyASuffix)
{
    Result dot = Cli("book --quiet --pages 1 book.");
    ASSERT_EQ(dot.Exit, 0) << dot.Err;
    EXPECT_EQ(dot.Out, "book.pdf: 2 pages\n");
    EXPECT_TRUE(fs::exists(Dir / "book.pdf"));

    fs::create_directory(Dir / "sub");
    for (const char* name : {".pdf", "sub/.pdf", ".PDF"}) {
        Result result = Cli(std::string("book --quiet --pages 1 ") + name);
        EXPECT_EQ(result.Exit, 2) << name;
        EXPECT_EQ(result.Err, std::string("gridquill-cli: \"") + name +
                                  "\" has no file name before its suffix: name the book, as "
                                  "in book.pdf\n");
        Result render = Cli(std::string("render absent.pgs ") + name);
        EXPECT_EQ(render.Exit, 2) << name << ": " << render.Err;
    }
    EXPECT_TRUE(fs::is_empty(Dir / "sub"));
}

TEST_F(CliTest, ABlankTitleIsNoTitle)
{
    Result blank = Cli("book --quiet --pages 1 --title '   ' --author ' ' blank.pdf");
    ASSERT_EQ(blank.Exit, 0) << blank.Err;
    std::string pdf = Contents("blank.pdf");
    EXPECT_EQ(pdf.find("/Title"), std::string::npos);
    EXPECT_EQ(pdf.find("/Author"), std::string::npos);
}

TEST_F(CliTest, HelpAndVersion)
{
    Result help = Cli("book --help");
    EXPECT_EQ(help.Exit, 0);
    EXPECT_NE(help.Out.find("--per-page"), std::string::npos);
    Result version = Cli("--version");
    EXPECT_EQ(version.Exit, 0);
    EXPECT_EQ(version.Out.rfind("gridquill-cli ", 0), 0u) << version.Out;
}

TEST_F(CliTest, FileFailuresExitWithOneAndKeepTheUsersFiles)
{
    std::ofstream(Dir / "mine.pdf") << "my own book";
    Result exists = Cli("book mine.pdf");
    EXPECT_EQ(exists.Exit, 1);
    EXPECT_TRUE(IsOneLine(exists.Err)) << exists.Err;
    EXPECT_NE(exists.Err.find("--force"), std::string::npos) << exists.Err;
    EXPECT_EQ(gq::book::ReadWholeFile((Dir / "mine.pdf").string()), "my own book");

    Result missing = Cli("book --quiet no/such/folder/book.pdf");
    EXPECT_EQ(missing.Exit, 1);
    EXPECT_NE(missing.Err.find("no/such/folder"), std::string::npos) << missing.Err;

    Result unwritable = Cli("book --quiet /proc/gq-book.pdf");
    EXPECT_EQ(unwritable.Exit, 1);
    EXPECT_NE(unwritable.Err.find("/proc"), std::string::npos) << unwritable.Err;
    EXPECT_TRUE(IsOneLine(unwritable.Err));

    std::ofstream(Dir / "junk.pgs") << "this is no page stream";
    Result malformed = Cli("render junk.pgs mine.pdf --force");
    EXPECT_EQ(malformed.Exit, 1);
    EXPECT_TRUE(IsOneLine(malformed.Err)) << malformed.Err;
    EXPECT_EQ(gq::book::ReadWholeFile((Dir / "mine.pdf").string()), "my own book");
    Result absent = Cli("render absent.pgs fresh.pdf");
    EXPECT_EQ(absent.Exit, 1);
    EXPECT_NE(absent.Err.find("absent.pgs"), std::string::npos) << absent.Err;
    EXPECT_EQ(UserFiles(), 2u) << "only mine.pdf and junk.pgs";

    Result forced = Cli("book --quiet --force --pages 1 mine.pdf");
    EXPECT_EQ(forced.Exit, 0) << forced.Err;
    EXPECT_EQ(gq::book::ReadWholeFile((Dir / "mine.pdf").string()).rfind("%PDF-1.3", 0), 0u);
}

TEST_F(CliTest, RenderPlaysABooksPageStreamAgain)
{
    ASSERT_EQ(Cli("book --quiet --pages 7 --per-page 2 first.pdf").Exit, 0);
    fs::copy_file(Dir / "runtime" / "velmoraquill.pgs", Dir / "saved.pgs");
    Result render = Cli("render saved.pgs again");
    ASSERT_EQ(render.Exit, 0) << render.Err;
    EXPECT_EQ(render.Out, "again.pdf\n");
    FILE* info = popen(("pdfinfo '" + (Dir / "again.pdf").string() + "'").c_str(), "r");
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, info))
        text.append(buffer, n);
    pclose(info);
    EXPECT_NE(text.find("Pages:           11\n"), std::string::npos) << text;
}

// A title is printed as typed, even when it looks like one of the page stream's macros ("ý" is
// the marker byte 0xFD in the pages' encoding).
TEST_F(CliTest, TitlesArePrintedAsTyped)
{
    for (const std::string title : {"Sudoku ý$PGCM10", "ý$PGCV Sudoku"}) {
        Result made =
            Cli("book --quiet --print-ready --pages 1 --force --title '" + title + "' titled.pdf");
        ASSERT_EQ(made.Exit, 0) << made.Err;
        FILE* pipe = popen(("pdftotext '" + (Dir / "titled.pdf").string() + "' -").c_str(), "r");
        std::string text;
        char buffer[4096];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, n);
        pclose(pipe);
        EXPECT_NE(text.find(title), std::string::npos) << text;
    }
}

// A stream whose pages disagree with its header is refused as a whole: no shorter PDF, no
// success.
TEST_F(CliTest, RenderRefusesAStreamThatDropsOrAddsPages)
{
    ASSERT_EQ(Cli("book --quiet --pages 3 first.pdf").Exit, 0);
    const std::string stream = Contents("runtime/velmoraquill.pgs");
    ASSERT_EQ(stream.substr(15, 2), std::string("\x04\x00", 2)) << "3 puzzle pages, 1 answer page";

    std::string oneDeclared = stream;
    oneDeclared[15] = 1;
    std::string padded = stream + std::string(1 << 20, '\0');
    for (const auto& [name, bytes] : {std::pair{"one.pgs", oneDeclared}, {"padded.pgs", padded}}) {
        std::ofstream(Dir / name, std::ios::binary) << bytes;
        Result render = Cli("render --force " + std::string(name) + " out.pdf");
        EXPECT_EQ(render.Exit, 1) << name;
        EXPECT_TRUE(IsOneLine(render.Err)) << render.Err;
        EXPECT_NE(render.Err.find(std::string(name) + ": page stream error at byte offset "),
                  std::string::npos)
            << render.Err;
        EXPECT_FALSE(fs::exists(Dir / "out.pdf")) << name;
    }
}

// Whatever is wrong with a stream, the message names the user's file, and where in it.
TEST_F(CliTest, RenderMessagesNameTheStreamFile)
{
    ASSERT_EQ(Cli("book --quiet --pages 1 first.pdf").Exit, 0);
    std::string stream = Contents("runtime/velmoraquill.pgs");
    stream.pop_back(); // the last end-of-page code
    std::ofstream(Dir / "cut.pgs", std::ios::binary) << stream;
    std::ofstream(Dir / "empty.pgs", std::ios::binary);
    const std::map<std::string, std::string> expected = {
        {"cut.pgs", "gridquill-cli: cut.pgs: page stream error at byte offset " +
                        std::to_string(stream.size()) +
                        ": the stream ends unexpectedly: 1 byte needed, 0 left\n"},
        {"empty.pgs", "gridquill-cli: empty.pgs: page stream error at byte offset 0: the file is "
                      "empty\n"},
        {"absent.pgs", "gridquill-cli: Cannot read absent.pgs: No such file or directory\n"},
    };
    for (const auto& [name, message] : expected) {
        Result render = Cli("render " + name + " out.pdf");
        EXPECT_EQ(render.Exit, 1) << name;
        EXPECT_EQ(render.Err, message);
    }
    EXPECT_FALSE(fs::exists(Dir / "out.pdf"));
}

TEST_F(CliTest, ASeedAndAFixedDateGiveTheSameBytes)
{
    const std::string epoch = "SOURCE_DATE_EPOCH=1700000000";
    ASSERT_EQ(Cli("book --quiet --seed 12 --level hard --pages 3 a.pdf", epoch).Exit, 0);
    ASSERT_EQ(Cli("book --quiet --seed 12 --level hard --pages 3 b.pdf", epoch).Exit, 0);
    ASSERT_EQ(Cli("book --quiet --seed 13 --level hard --pages 3 c.pdf", epoch).Exit, 0);
    std::string a = gq::book::ReadWholeFile((Dir / "a.pdf").string());
    EXPECT_EQ(a, gq::book::ReadWholeFile((Dir / "b.pdf").string()));
    EXPECT_NE(a, gq::book::ReadWholeFile((Dir / "c.pdf").string()));
    EXPECT_NE(a.find("(D:20231114221320)"), std::string::npos)
        << "the creation date follows the epoch";
}

} // namespace
