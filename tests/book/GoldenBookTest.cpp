// The default books, byte for byte: four small Letter books made with a fixed bank, seed and
// date must match the PDFs checked in under tests/data/golden/. They were made before paper
// sizes and print-ready books existed, so any change to how a default book comes out fails here.
//
// To remake them after a deliberate change to the default book:
//   GQ_UPDATE_GOLDEN=1 build/tests/book/book_GoldenBookTest
#include "book/BookMaker.h"

#include "puzzle/PuzzleBank.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace gq::book
{
namespace
{

namespace fs = std::filesystem;

/// Three entries per list, so the draws never depend on the bank built into the program.
puzzle::TPuzzleBank GoldenBank()
{
    using Lines = std::vector<std::string_view>;
    return puzzle::TPuzzleBank({
        Lines{"6DHAB75C919756384B2EC9847FAG19C4265H3BFGE89ADEH4FA93B7HC2D761I59G52CADHF46A8952G3",
              "7HA5369B4BEI1G48FC364H295AG4936E1G82F1G298435E2H3D71IF1C2G8564II7F412CE884E963B71",
              "537AD92FHI1F8EB73DH2D6GCAEIB459A837FGHA3FED923F9G2D8A5693B875D1D72E91F8C1E843F927"},
        Lines{"2F13EDIGHHGD2I6AECEIC7AHB644BHAFIG3EGAIE8CDB63EFDG281I9C7HBEFDAFDB9CA58G1HE6DGCI2",
              "B5DHGI63A1HF4BCGEIICGE1FDB8F7BI38EAD8IE2D1CGFC4AFE79HBGF3AI2HDE4BI7HEA6CEAHCFD2I7",
              "A8IGDE6BCEB79F31HD4F3H12IGEIA8DBGCEF6GE1CI8DBC4BEHF7AIHEFBIADC7G9A3E4BF8BCDF7H5I1"},
        Lines{"H4CFB5GI1GIA4HCEFBFBE19783DC197D82EFEFHBA9CDGBG4CEFI1HA52HCD6GI4CGI6BA8EI86EGA4BC",
              "1D6IBGCEHIBHEC6ADGE7CA84FBIFAIB7HE3DB8GCDEIA6354FAI8G279ADF3BH5HCEG92DF1DFB8EA7I3",
              "A83BD56GI75FHI14C2BDIGCFHEA31HE6BGIDIFDC78A25EB7DAICHFFCAI2GED8HGB1E4IFC4IE6HCBA7"},
        Lines{"HFC95ADB79EGD3BH6A124GFHCI5CA5BD7IHFBIH6AEG3DG46HI3EA2FCAE8D2G9DGICB6A585HBA7IFDC",
              "AI47FH32EEBHDICA6G6CGEB14HI4ECAHIFGBG823D6I5AIFAB5GHD3BAE8CD79FHG6IAEBCDCDIFG2E18",
              "HG6ABIEDCBDE6C7H9119CEDH2GF4B7CF1IHEC8AG9EFBDEF9DH2AC7GABIEC4FHI3D8AFG5BF5HBGD3A9"},
        Lines{"DBH1IC6EG3G6B8ED9A59AFG4CB8BAC7FHIDE78D5C9BAFFEID2AHG3AC5HDBG69IDGCEF1HB8F2IAGEC4",
              "C4EGIHFB17A2FE48ICIH6A2CEGD1GDHCE2FI5I3D6BAH7FB8I1GDC5D3AB7F9EHHFG5DIC1BBEI3HAG46",
              "F5BIH34AGD3G6B18EI1H9D5GBFCIBD83FAGECG1E92FHDHFE7ADCI2G483FE9BAEAFBDIGCHB93AGH5D6"},
    });
}

struct NullProgress : IBookProgress
{
    void SetProgress(int) override {}
    void SetCaption(std::string_view) override {}
    void Repaint() override {}
    void Completed(const std::string&) override {}
};

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct GoldenBook
{
    std::string Name;
    int LevelIndex;
    int PerPage;
    bool Candidates;
};

/// Makes the golden book `golden` with `maker` (after `before`, when given, with the same
/// maker and seed) and returns its bytes.
std::string MakeGoldenBook(const GoldenBook& golden, const TBookSettings* before = nullptr)
{
    ::setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    const fs::path made = fs::temp_directory_path() /
                          ("gq-golden-" + std::to_string(::getpid()) + "-" + golden.Name + ".pdf");
    const puzzle::TPuzzleBank bank = GoldenBank();
    TBookMaker maker(made.string() + ".pgs");
    maker.SetPuzzleBank(bank);
    NullProgress progress;
    if (before) {
        TBookSettings first = *before;
        first.PdfPath = made.string();
        maker.BuildBook(first, progress);
    }
    maker.SetSeedSource(puzzle::SequenceSeedSource(7));
    TBookSettings settings;
    settings.LevelIndex = golden.LevelIndex;
    settings.PageCount = 3;
    settings.PuzzlesPerPage = golden.PerPage;
    settings.Candidates = golden.Candidates;
    settings.PdfPath = made.string();
    settings.ReplaceExisting = true;
    maker.BuildBook(settings, progress);
    ::unsetenv("SOURCE_DATE_EPOCH");
    std::string bytes = ReadBytes(made);
    fs::remove(made);
    fs::remove(made.string() + ".pgs");
    return bytes;
}

void ExpectGolden(const GoldenBook& golden, const std::string& actual)
{
    const fs::path expectedPath = fs::path(GQ_TEST_DATA_DIR) / "golden" / (golden.Name + ".pdf");
    if (std::getenv("GQ_UPDATE_GOLDEN")) {
        std::ofstream(expectedPath, std::ios::binary) << actual;
        std::printf("wrote %s\n", expectedPath.c_str());
        return;
    }
    const std::string expected = ReadBytes(expectedPath);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << expectedPath;
    if (actual == expected)
        return;
    std::size_t offset = 0;
    while (offset < actual.size() && offset < expected.size() && actual[offset] == expected[offset])
        ++offset;
    const fs::path actualPath = fs::current_path() / (golden.Name + ".actual");
    std::ofstream(actualPath, std::ios::binary) << actual;
    ADD_FAILURE() << golden.Name << " differs from " << expectedPath << " first at byte " << offset
                  << " (sizes " << actual.size() << " and " << expected.size() << "); wrote "
                  << actualPath;
}

class GoldenBookTest : public ::testing::TestWithParam<GoldenBook>
{};

TEST_P(GoldenBookTest, DefaultBookIsByteForByteTheCheckedInOne)
{
    ExpectGolden(GetParam(), MakeGoldenBook(GetParam()));
}

// A maker that has just made a print-ready A5 book (another face, size and font state) still
// makes the default book exactly as a fresh one does.
TEST_P(GoldenBookTest, DefaultBookAfterAPrintReadyOneIsUnchanged)
{
    if (std::getenv("GQ_UPDATE_GOLDEN"))
        GTEST_SKIP();
    TBookSettings printReady;
    printReady.Paper = "a5";
    printReady.PrintReady = true;
    printReady.PageCount = 2;
    printReady.PuzzlesPerPage = 4;
    printReady.Title = "Before";
    ExpectGolden(GetParam(), MakeGoldenBook(GetParam(), &printReady));
}

INSTANTIATE_TEST_SUITE_P(Layouts, GoldenBookTest,
                         ::testing::Values(GoldenBook{"one-per-page", 0, 1, false},
                                           GoldenBook{"one-per-page-candidates", 2, 1, true},
                                           GoldenBook{"two-per-page", 3, 2, false},
                                           GoldenBook{"four-per-page", 5, 4, false}),
                         [](const auto& info) {
                             std::string name = info.param.Name;
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
} // namespace gq::book
