#include "book/BookMaker.h"

#include "Interrupt.h"
#include "book/SafeFile.h"
#include "gq/Error.h"
#include "puzzle/Levels.h"
#include "support/PageStreamText.h"
#include "support/PuzzleGrids.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace gq::book
{
namespace
{

namespace fs = std::filesystem;
using namespace pagetext;

/// Records what a book run reports.
struct RecordingProgress : IBookProgress
{
    std::vector<int> Values;
    std::vector<std::string> Captions;
    std::string CompletedPath;
    void SetProgress(int value) override { Values.push_back(value); }
    void SetCaption(std::string_view caption) override { Captions.emplace_back(caption); }
    void Repaint() override {}
    void Completed(const std::string& path) override { CompletedPath = path; }
};

/// Output of a shell command, and its exit status.
std::pair<std::string, int> RunCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

class BookRunTest : public testsupport::TTempFolderTest
{
  protected:
    std::unique_ptr<TBookMaker> Maker;
    RecordingProgress Progress;

    void SetUp() override
    {
        Maker = std::make_unique<TBookMaker>((Dir / kPageStreamName).string());
        Maker->SetSeedSource(puzzle::SequenceSeedSource(77));
    }

    std::string Make(int pages, int perPage, int level = 0, bool candidates = false,
                     std::string name = "book.pdf")
    {
        TBookSettings settings;
        settings.PageCount = pages;
        settings.PuzzlesPerPage = perPage;
        settings.LevelIndex = level;
        settings.Candidates = candidates;
        settings.PdfPath = (Dir / name).string();
        settings.ReplaceExisting = true;
        Maker->DeleteOldPages();
        Maker->BuildBook(settings, Progress);
        return settings.PdfPath;
    }

    std::vector<std::vector<PrintedText>> PlayedPageStream() const
    {
        return PlayPageStream(ReadWholeFile(Maker->PageStreamPath()));
    }
};

TEST_F(BookRunTest, EveryAnswerGridSolvesItsPuzzleGrid)
{
    const std::pair<int, bool> layouts[] = {{1, false}, {1, true}, {2, false}, {4, false}};
    for (auto [perPage, candidates] : layouts) {
        SCOPED_TRACE(std::to_string(perPage) + " per page" +
                     (candidates ? " with candidates" : ""));
        const int pages = 3;
        Make(pages, perPage, 5, candidates);
        auto printed = PlayedPageStream();
        const int puzzles = pages * perPage;
        const int answerPages = (puzzles + 3) / 4;
        ASSERT_EQ(printed.size(), static_cast<std::size_t>(pages + answerPages));

        std::map<std::string, std::string> puzzleByLabel;
        for (int q = 0; q < pages; ++q) {
            auto labels = LabelsOf(printed[q]);
            auto places = PuzzlePlaces(perPage);
            ASSERT_EQ(labels.size(), places.size());
            for (std::size_t k = 0; k < places.size(); ++k) {
                int n = q * perPage + static_cast<int>(k) + 1;
                EXPECT_EQ(labels[k], "Sudoku #" + std::to_string(n));
                puzzleByLabel[labels[k]] = GridText(printed[q], places[k]);
                EXPECT_EQ(puzzleByLabel[labels[k]], Maker->PuzzleBatch().Puzzles[n]);
            }
        }
        int answered = 0;
        for (int a = 0; a < answerPages; ++a) {
            const auto& page = printed[pages + a];
            auto labels = LabelsOf(page);
            ASSERT_EQ(labels.size(), 4u);
            for (int k = 0; k < 4; ++k) {
                EXPECT_EQ(labels[k], "Sudoku #" + std::to_string(4 * a + k + 1));
                std::string answer = GridText(page, kQuarters[k]);
                auto puzzle = puzzleByLabel.find(labels[k]);
                if (puzzle == puzzleByLabel.end()) {
                    EXPECT_EQ(answer, std::string(81, '0')) << labels[k] << " is beyond the book";
                    continue;
                }
                ++answered;
                ASSERT_TRUE(puzzle::testing::IsValidSolution(answer)) << labels[k];
                for (int i = 0; i < 81; ++i) {
                    if (puzzle->second[i] != '0') {
                        ASSERT_EQ(puzzle->second[i], answer[i])
                            << labels[k] << " position " << i + 1;
                    }
                }
            }
        }
        EXPECT_EQ(answered, puzzles);
    }
}

TEST_F(BookRunTest, ProgressCaptionsAndCompletion)
{
    std::string path = Make(20, 1);
    std::vector<int> expected;
    for (int q = 1; q <= 20; ++q)
        expected.push_back(q * 30 / 20);
    for (int a = 1; a <= 5; ++a)
        expected.push_back((20 + a) * 30 / 20);
    for (int value : {50, 80, 100})
        expected.push_back(value);
    EXPECT_EQ(Progress.Values, expected);
    EXPECT_EQ(Progress.Captions,
              (std::vector<std::string>{"Save file to disk,Please wait", "Done"}));
    EXPECT_EQ(Progress.CompletedPath, path);
    EXPECT_TRUE(fs::exists(Maker->PageStreamPath())) << "the page stream stays for inspection";
}

TEST_F(BookRunTest, RealReadersAcceptTheBooks)
{
    struct Case
    {
        int Pages, PerPage, Level;
        bool Candidates;
        int PdfPages;
    };
    const Case cases[] = {{1, 1, 0, false, 2}, {20, 1, 1, true, 25}, {7, 2, 2, false, 11},
                          {2, 4, 3, false, 4}, {1, 1, 4, true, 2},   {200, 4, 5, false, 400}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Pages) + " pages at " + std::to_string(c.PerPage));
        std::string pdf = Make(c.Pages, c.PerPage, c.Level, c.Candidates);
        auto [info, infoStatus] = RunCommand("pdfinfo '" + pdf + "'");
        ASSERT_EQ(infoStatus, 0) << info;
        EXPECT_NE(info.find("Pages:           " + std::to_string(c.PdfPages) + "\n"),
                  std::string::npos)
            << info;
        EXPECT_NE(info.find("612 x 792 pts (letter)"), std::string::npos);
        auto [check, checkStatus] = RunCommand("qpdf --check '" + pdf + "'");
        EXPECT_EQ(checkStatus, 0) << check;
        EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;

        auto [text, textStatus] = RunCommand("pdftotext -l 2 '" + pdf + "' - ; pdftotext -f " +
                                             std::to_string(c.PdfPages) + " '" + pdf + "' -");
        ASSERT_EQ(textStatus, 0);
        std::string title = std::string(puzzle::Levels()[c.Level].Caption) + " by Gridquill";
        EXPECT_NE(text.find(title), std::string::npos) << title;
        EXPECT_NE(text.find("Sudoku #1"), std::string::npos);
        EXPECT_NE(text.find("Answers"), std::string::npos);
    }
    auto [fonts, status] = RunCommand("pdffonts '" + (Dir / "book.pdf").string() + "'");
    EXPECT_NE(fonts.find("Helvetica"), std::string::npos) << fonts;
}

TEST_F(BookRunTest, SameSeedMakesTheSameBook)
{
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    std::string first = ReadWholeFile(Make(3, 2, 4, false, "one.pdf"));
    Maker = std::make_unique<TBookMaker>((Dir / "velmoraquill.pgs").string());
    Maker->SetSeedSource(puzzle::SequenceSeedSource(77));
    std::string second = ReadWholeFile(Make(3, 2, 4, false, "two.pdf"));
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(first, second);

    Maker->SetSeedSource(puzzle::SequenceSeedSource(78));
    Make(3, 2, 4, false, "three.pdf");
    EXPECT_NE(Maker->PuzzleBatch().Puzzles[1], std::string()) << "a new seed still makes puzzles";
}

TEST_F(BookRunTest, AFailedRunLeavesTheUsersFileAlone)
{
    fs::path existing = Dir / "kept.pdf";
    std::ofstream(existing) << "the user's book";
    fs::path stream = Dir / "broken.pgs";
    std::ofstream(stream) << "not a page stream";
    EXPECT_THROW(RenderPageStream(stream.string(), existing.string(), TReplace::Always), Error);
    EXPECT_EQ(ReadWholeFile(existing.string()), "the user's book");
    EXPECT_THROW(
        RenderPageStream((Dir / "absent.pgs").string(), existing.string(), TReplace::Always),
        Error);

    std::size_t entries = 0;
    for ([[maybe_unused]] auto& entry : fs::directory_iterator(Dir))
        ++entries;
    EXPECT_EQ(entries, 2u) << "no temporary file is left behind";

    TBookSettings settings;
    settings.PdfPath = (Dir / "no-such-folder" / "book.pdf").string();
    EXPECT_THROW(Maker->BuildBook(settings, Progress), Error);
    settings.PdfPath = (Dir / "ok.pdf").string();
    settings.PageCount = 201;
    EXPECT_THROW(Maker->BuildBook(settings, Progress), Error);

    // A run that failed left its project open; the next one starts afresh.
    Make(1, 1);
    EXPECT_EQ(Progress.Values.back(), 100);
}

TEST_F(BookRunTest, ProgressNeverGoesBackwards)
{
    Make(10, 4);
    EXPECT_TRUE(std::is_sorted(Progress.Values.begin(), Progress.Values.end()));
    EXPECT_EQ(Progress.Values.back(), 100);
}

TEST_F(BookRunTest, AFileThatAppearsDuringTheRunIsNotReplaced)
{
    fs::path target = Dir / "book.pdf";
    Maker->SetFileSeams(true, [&](const std::string& path) {
        if (path == target.string())
            std::ofstream(target) << "somebody else's book";
    });
    TBookSettings settings;
    settings.PdfPath = target.string();
    EXPECT_THROW(Maker->BuildBook(settings, Progress), TFileExistsError);
    EXPECT_EQ(ReadWholeFile(target.string()), "somebody else's book");

    settings.ReplaceExisting = true;
    Maker->BuildBook(settings, Progress);
    EXPECT_EQ(ReadWholeFile(target.string()).rfind("%PDF-1.3", 0), 0u);
}

TEST_F(BookRunTest, ARunWhosePdfFailsLeavesTheLastBooksStream)
{
    Make(1, 1, 0, false, "first.pdf");
    const std::string lastStream = ReadWholeFile(Maker->PageStreamPath());

    fs::path target = Dir / "second.pdf";
    Maker->SetFileSeams(true, [&](const std::string& path) {
        if (path == target.string())
            std::ofstream(target) << "somebody else's book";
    });
    TBookSettings settings;
    settings.PageCount = 3;
    settings.PdfPath = target.string();
    EXPECT_THROW(Maker->BuildBook(settings, Progress), TFileExistsError);
    EXPECT_TRUE(ReadWholeFile(Maker->PageStreamPath()) == lastStream)
        << "the stream left is the last finished book's";
    std::size_t entries = 0;
    for ([[maybe_unused]] auto& entry : fs::directory_iterator(Dir))
        ++entries;
    EXPECT_EQ(entries, 3u) << "first.pdf, second.pdf and the stream; no temporary file";
}

TEST_F(BookRunTest, TheBookItselfRefusesCandidatesWithMoreThanOnePuzzlePerPage)
{
    TBookSettings settings;
    settings.PuzzlesPerPage = 2;
    settings.Candidates = true;
    settings.PdfPath = (Dir / "two.pdf").string();
    EXPECT_THROW(Maker->BuildBook(settings, Progress), Error);
    EXPECT_FALSE(fs::exists(Dir / "two.pdf"));
}

TEST_F(BookRunTest, ABlankTitleOrAuthorIsNone)
{
    TBookSettings settings;
    settings.PageCount = 1;
    settings.Title = "   ";
    settings.Author = " ";
    settings.PdfPath = (Dir / "blank.pdf").string();
    Maker->BuildBook(settings, Progress);
    std::string pdf = ReadWholeFile(settings.PdfPath);
    EXPECT_EQ(pdf.find("/Title"), std::string::npos);
    EXPECT_EQ(pdf.find("/Author"), std::string::npos);

    settings.PrintReady = true;
    settings.ReplaceExisting = true;
    Maker->BuildBook(settings, Progress);
    auto [text, status] = RunCommand("pdftotext -l 1 '" + settings.PdfPath + "' -");
    ASSERT_EQ(status, 0) << text;
    EXPECT_NE(text.find("Very Easy Sudoku"), std::string::npos) << "the level names the book";
    EXPECT_EQ(text.find("by "), std::string::npos) << text;
}

TEST_F(BookRunTest, ABookInterruptedWhileItsPdfIsWrittenLeavesNoFile)
{
    for (bool unnamed : {true, false}) {
        fs::path target = Dir / "book.pdf";
        auto build = [&] {
            Maker->SetFileSeams(unnamed, [&](const std::string& path) {
                if (path == target.string())
                    raise(SIGSTOP);
            });
            Make(2, 1);
        };
        EXPECT_TRUE(test::EndsByInterruptAtStop(build, SIGINT));
        for (const auto& entry : fs::directory_iterator(Dir))
            EXPECT_EQ(entry.path().filename(), "velmoraquill.pgs") << "left: " << entry.path();
    }
}

TEST_F(BookRunTest, NamesWithoutADotGetThePdfExtension)
{
    std::string path = Make(1, 1, 0, false, "plain");
    EXPECT_EQ(path.substr(path.size() - 5), "plain");
    EXPECT_EQ(Progress.CompletedPath, (Dir / "plain.pdf").string());
    EXPECT_TRUE(fs::exists(Dir / "plain.pdf"));
}

} // namespace
} // namespace gq::book
