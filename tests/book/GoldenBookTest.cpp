// Books byte for byte: four small default Letter books and a print-ready 6 x 9 book made with a
// fixed bank, seed and date must match the PDFs checked in under tests/data/golden/. The default
// ones were made before paper sizes and print-ready books existed, so any change to how a
// default book comes out fails here; the print-ready one guards the font embedding, margins,
// title and notes pages. Each book's page stream, played again through RenderPageStream (the
// command line's "render"), must give that book's PDF byte for byte.
//
// To remake them after a deliberate change:
//   GQ_UPDATE_GOLDEN=1 build/tests/book/book_GoldenBookTest
#include "book/BookMaker.h"

#include "puzzle/PuzzleBank.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace gq::book
{
namespace
{

namespace fs = std::filesystem;

/// Sixteen entries per list (enough for the largest golden book without repeats), so the draws
/// never depend on the bank built into the program.
puzzle::TPuzzleBank GoldenBank()
{
    using Lines = std::vector<std::string_view>;
    return puzzle::TPuzzleBank({
        Lines{
            "6DHAB75C919756384B2EC9847FAG19C4265H3BFGE89ADEH4FA93B7HC2D761I59G52CADHF46A8952G3",
            "7HA5369B4BEI1G48FC364H295AG4936E1G82F1G298435E2H3D71IF1C2G8564II7F412CE884E963B71",
            "537AD92FHI1F8EB73DH2D6GCAEIB459A837FGHA3FED923F9G2D8A5693B875D1D72E91F8C1E843F927",
            "8ACI4G526FBI1358GD475826AC925G689341A8F37429EIC45A27FH59BGFA48C7684EC912341BIHF5G",
            "56B7IHA34GI31BDFHE81D56C729D7IB85361C256G19D8A8FCDI25G257H16DI393A45BH7F6D893G5AB",
            "14G5C92HF893G2FAD525F148GI33BH47AE6I5FDB9CH179GA6H54C2735IAD62H6A9HE237448BCFGI51",
            "CG4EB9HF1B1H3765I4IF5AD8C27821FC7DE959CD12GHFG468IE1C2F5GI8A2DC1392ED67H4827FCI1E",
            "4F7395H12821F47IECI5CH1276478B1CDFIEAC9GEF2D8E469B8CG127D5HIA3FF18D7352IC9E26148G",
            "B19C875DF3D6E2IGH1758F143IB9HE7FB1CD1C7I48BFED6BA5397H594H71623H71B3645IF23DI5H17",
            "I4231FHG58E67BD3AI1375H9D2671DIFB583EF3478192BHI1E3FD7DIAF37258FGHBD5IC1CBEHI176D",
            "1I6728D5C3756DI81B42H5A3GI6837I5ABF4964BC758A2518F4I37E4BAH63G9F89C7B14E7ACD95628",
            "I3AD6E278FH41G253IB758C9F4AHA97E3D2675268419CD63I2AGHE5D83AG962AI6B4HC573B7E9F81D",
            "8C1564G9B42FI78AC5E9GCAB86DGA48269E39H213ED7FFEC749B8AA69DHCE2GB7E69134HC48BEGFA9",
            "8254AI7FC7AFC8B59D4C9F7E18295CHDA6272HGI36D5A16425G93H5D2GFHCA9FG81IC2DECIAEB4876",
            "F59B413G83BHG6I14E7A4CH5296962E18G3D4GE63B9HAAHC97D5FBB41HI3FEGEC742FH19H9F15GD23",
            "34FHI715BGEB4FA839I18B3EG642791E834F48562C91763197DE285247AIFHC16GCH24958I3E4FB7A",
        },
        Lines{
            "2F13EDIGHHGD2I6AECEIC7AHB644BHAFIG3EGAIE8CDB63EFDG281I9C7HBEFDAFDB9CA58G1HE6DGCI2",
            "B5DHGI63A1HF4BCGEIICGE1FDB8F7BI38EAD8IE2D1CGFC4AFE79HBGF3AI2HDE4BI7HEA6CEAHCFD2I7",
            "A8IGDE6BCEB79F31HD4F3H12IGEIA8DBGCEF6GE1CI8DBC4BEHF7AIHEFBIADC7G9A3E4BF8BCDF7H5I1",
            "EA8D3GF9BCI21E6GDHFGD9BHA5CGC6HDE21IADIBG3EHFB8EFA9CG49FGE8B4C1D23GIA8FEHEAC6DIB7",
            "EBCIDG8AFFIHCB1GEDA745HFC9B76IHC2AD5C154G9FBH8DBFA5IG3DCGB9HE6A9HFAEDBCG2E1GF3DHI",
            "GI1E236HDHFCA9DG5BDE2F8GICA5ADB6HCGIFCG9DAE289BHCGE14FAHE4CF2I7B7FHEIDA33DIG1BH6E",
            "8C61DGIB5A97B6EHCD5BD3IHFG1IEAGC4BH67D2HAF5ICFHCEB9DAGCGH65B14ID1EIHC7FBBF9DGACEH",
            "F4CE7BHI12H9AFCD7EA57DH96CBEGB6IHCADHAFB34GEI9CDGE12HFGBHI451633IAH2F5DGDFEC1G9BH",
            "7541ICFH2I3FHB45A7HBAGFE9DCDGHICA2E6EIB4GFACHFA3EH2G941FGCEHDBICD9B1G8FE2856DICGA",
            "B6IA5GDHCCAE8D6G92H7D2CIAFEDHF7BA3E95CGIFDHB1IBA583FDG6ECDA2IGHGD2CIHEA61I8FGEB34",
            "FEHAIDC2G2D7FH3EIAA93EGB8D63G52AHIFDDBFIE718C9HACDF7EBHA24C9FGE5F97BADCHGCD86EB1I",
            "HEDFBIAGC397H1EBD6BAF3G4I5H5HBDF1CIG9DAECG8FB67CIHB5AD435GI8F2AAFI2DCGHEG2H1E6DC9",
            "HBGD69ACEAEFGHCID2CDIEB178FEIBCD86AGDF3AIGEB8GA82E6C946GA8C4B5IIH5FABD73B34IGEHFA",
            "2IG31HFDEDH5GF23AIF13E4IHGBHGBF9CDE114IHBEGFCECFD7AIB89E4BCFAH7GBAI8DEC6CF8A572ID",
            "EFAI43G2HDHI6GB1CEC27AHED9FA4HCEI2FG7C5BFD8AIB96G1HCE4IGBHCF5D1H5CDIAFGB6ADE27IHC",
            "2653HDG1IACIFB7H4EHDG1EIBCF4E1IGHCF2FGHE3BDIAIB3DFA5H7EI2H46AGC7ADB9C6E8CHFGA5IBD",
        },
        Lines{
            "H4CFB5GI1GIA4HCEFBFBE19783DC197D82EFEFHBA9CDGBG4CEFI1HA52HCD6GI4CGI6BA8EI86EGA4BC",
            "1D6IBGCEHIBHEC6ADGE7CA84FBIFAIB7HE3DB8GCDEIA6354FAI8G279ADF3BH5HCEG92DF1DFB8EA7I3",
            "A83BD56GI75FHI14C2BDIGCFHEA31HE6BGIDIFDC78A25EB7DAICHFFCAI2GED8HGB1E4IFC4IE6HCBA7",
            "496C8EBAG5HAGD2I63G3B9FAEDHHAEBIC6GDF7CAEDH9224IFGHA3E9BG5CF48ACE8D19GBFAFD8BGCEI",
            "G2CDEFIA8IDFBA835GE1HI3GBFDA5B6HDGIC3HIE7AF4BFG4C29E8A2IGH4E1C6HFAG934BEDCEAFBHG9",
            "GB3H6DI15H9D12EFGC5AFIGCBHD97BDE6HCAF5ACI87424CHGA2E6IAHIB4GCE62F7EC1DI83DEFHIAB7",
            "F8IEGBD3ADBEAI3HF7ACGF8DIB5BG1H65CIDEFHD3IGA2CI4G2A6EH9DBCE7AH6HA3BDF5GI7EF9182DC",
            "ECG2D6HA9IDFG1H3EB8A2ECID7F35IF7DABHAGD8IBEFCFBHC5AI474H3ABG6IE29EDF3G8AG6A9HEBCD",
            "AF5BD8GI3HB769CE4ACIDG156HBBEHI641CG4CAEGBIFHFG9C8A25DEAF4CG8BIGDBHEI316I8C12FDG5",
            "D38GBEFAIBAGIF4HCEIFEA3H2741BFD7IEH3EG4CHA9FB8ICFE2G416DAE97CB8CE2HDFA9G78I21CDEF",
            "AG9FHBECDFHECAD27I34BG9EHAF561DBICHGBIG83FA4EDCHEGA6I29BC1FGD5H7ADBE8IFCHE6I43GB1",
            "BCDFAH9GEAG8I5CFB45IFB7DH1C3B7E96DHAFHIC4A7E2DA5HBGCFIG6BDCE1I8HEC1FI2DGI4AGH2EC6",
            "FH25CDG9A7A5B6IHD3CDI1HGBEFACG9B8DF5IB6CDEAG8HEDG1F9325G1F9BCHD49CHEA6BGBFHDG3EAI",
            "3GD2IEAF8IEBHAF7CDFH174CI5B4ICEBHF1GABHFG93DE5F7A3DHB92DFI815G38CED6GBIAGA9CEBDHF",
            "D3BE98G16F7IABC8DEAE8G4FICBIH7D3E6BACD1B6758I2FEIHADGC8ADCE9BF7GIFHABCE45BCFGD1IH",
            "4ACGBFIEHH5B3D9AFGIG65AH42CCFEAHB7DI289FGD3A57DAICEBHFEID267H3A6C8DI15GBABGH5CF9D",
        },
        Lines{
            "HFC95ADB79EGD3BH6A124GFHCI5CA5BD7IHFBIH6AEG3DG46HI3EA2FCAE8D2G9DGICB6A585HBA7IFDC",
            "AI47FH32EEBHDICA6G6CGEB14HI4ECAHIFGBG823D6I5AIFAB5GHD3BAE8CD79FHG6IAEBCDCDIFG2E18",
            "HG6ABIEDCBDE6C7H9119CEDH2GF4B7CF1IHEC8AG9EFBDEF9DH2AC7GABIEC4FHI3D8AFG5BF5HBGD3A9",
            "73IBF85DAHBE1DCF9G6ADEIGHC2BIC75DA6H4F8IABCG5E713HFIB4CDFHB57AIA8B67IDECIEG4C1BHF",
            "DE389BFAG21ICF7E84F7HADE9BC3FGDHA2IE8DAEB9CG659BFGCHD1IHFG3DAE2GBE91FD38ACDB5HGFI",
            "AF7I5C4BHI5HDF2CG1BDCGA8FIECIFH7D5AB8GE2CAI6DD1BEI6HCGG2DFHIA53E3IA4GB8F6HACBE74I",
            "DBEG389F1IH76DAE2CC6AEB9HDGGACBHEF9DBE9DFC7A8FDH1I72CE8IDCG61E21G295DCHF5CFH1BD7I",
            "7E2FCDIH1C1IBGHD6EFH4AE9G32HCAG625IDB9EDAC67H4F79HEAB39DHEBGCAFAGC84FBE9EB6CIA8DG",
            "9GFEA2CH4E4HF7C19BCAB8DIE6GGEI3B6D1H8F1DEGBCIBC4A9HFG56IGBCDHEAA2CI85GDFDH5GFA9BC",
            "683DIGE2AGAIBECFDHE24FA89C7C91EGF4HB47FA8BC5IBEH9CDGAFHFGC2EAID9DEH61BGCACB74I865",
            "27HA64I3EDF9HCEGABEAC2GIH6DA5BDI6CHGCDFE8712I98GCABEDF6C5GB14IHGIAFDH2ECHBD9E3FG1",
            "DGHE13FBI5IAGFBC48C6BD9HAGE6EIBC47HABHD97A5CFA3GFHEDI27BEHDFIA38DCAE92FGI1F32GHED",
            "IFD2E7A8CHCEAIFDBGG214HCIF5C189FBG54652GDACIH4IGH3EFA25HICA4BGFAGCF2HED9B4F5G983A",
            "GHDE2IACFA2F4C7IEHIE3AH6B7DH1GIFC5D24IB8AEG6C6CE7D2H9AE4H37A6BICFIBEHDAGBGA69DC8E",
            "1C762E9HDFEHCD9BGABI4HG13FEEBFGACDIHHG9DF21E34ACIE86BGGDB1H6ECI385BIDGAFI6A5CGH4B",
            "4CEAGFBIHIB8CDE1FGFG19H2ED3AHBE39DG6CF47AH9B5GEIBFDCHAED3FIG8A2H1F4BCG5IB97HE16CD",
        },
        Lines{
            "DBH1IC6EG3G6B8ED9A59AFG4CB8BAC7FHIDE78D5C9BAFFEID2AHG3AC5HDBG69IDGCEF1HB8F2IAGEC4",
            "C4EGIHFB17A2FE48ICIH6A2CEGD1GDHCE2FI5I3D6BAH7FB8I1GDC5D3AB7F9EHHFG5DIC1BBEI3HAG46",
            "F5BIH34AGD3G6B18EI1H9D5GBFCIBD83FAGECG1E92FHDHFE7ADCI2G483FE9BAEAFBDIGCHB93AGH5D6",
            "E7HA2C6ID4C9EFGABHB6ADHICG5IAFG4HE32C8DI5BGFA7BEFCAD8I1I3BG4HE6H5B3AFI4GFD78IEB13",
            "DHC679ABE2IA3HEFGD7E6DB1CHI5A2G4H9CF6G8IAC45B3DIBEFHAGACDEFGB9HHFG1I2ED3IBE8C476A",
            "8D27AIEF31CI4EF7BHFGEH2CAIDIHC5DBF17E67IHAC4BBAD63GIH5D9FCG8BEAG5ABFDH3ICB819EDGF",
            "C68G9E14BB9E6DAGCHG412CHEIF8BI3AGD6EFA3E84IB7EG49F2HACAHGD2C65IDCFHEIB719EBAGFC8D",
            "CAHBD75FI65ICAHBGDDGBE9F38123FIGEADHEI18FD7CBHDG1C2FIEIFEG8ADB3A846B3IEGGB3D59H1F",
            "6DCEHBGAIIAHFD7B53G5BI3A8DF4GIB6CA8E2H1D5IFCGCFEGAH49BA3GHB5I6DH9DC76EB1EBF1ID3GH",
            "HGDEF9BA3IC17HBEDF65BC4AIGH2FHAC57I4G1CIBDHFEEDI8GFC2AAHED976CBC9FB1H4EGDBG6EC18I",
            "ED6GABIC8AH76ICDE2C92EH4F1GF59CBHG4A2ADI5GC86G3HADFEBIHGCD6A295DBE87IAFCIFAB35HGD",
            "CDA672E8IGE2I84A6CFH9EA3GDBB68ACI4G51IGDBEH36D3EGFHBIA97C8EAFB45BF34GIAHH1DBIF3EG",
            "DCI6EGBAHH2E9C1DGFAF7H4BIECIH3B7EF4A6DAC89E27G5BDAFHCIBGFEIC184EA876D39B3IDABHGFE",
            "B3H7IEAFDED6C2AHIGGIA84FCB5AHDIGB6ECI75FCHDABFBC154IG8CABD67EHI4FGEHI2CA8E92AC7D6",
            "E2CFH94G1FGA5CD8BID98BGAC5FH3BDI5A6G1EG86BIDCID6G1CBHEBA59DGFC83FD1EHGI278I3BFEA4",
            "AHE4I3GB6CI7FBHEA46D2E7AHCI5G9HDBAFC4BA3EFI8GHF39A7B4E9E6B8D37ABADGCE6IHGCH1FID5B",
        },
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
    std::string Paper = {}; ///< with a paper: a print-ready book on it
    bool PdfX = false;
    std::string Title = {}; ///< UTF-8; for a print-ready book "Golden Puzzles" when empty
};

void PrintTo(const GoldenBook& golden, std::ostream* out) { *out << golden.Name; }

/// Makes the golden book `golden` with `maker` (after `before`, when given, with the same
/// maker and seed) and returns its bytes. With `fromStream`, the page stream the book left is
/// played again into a PDF as the command line's "render" does, and its bytes are put there.
std::string MakeGoldenBook(const GoldenBook& golden, const TBookSettings* before = nullptr,
                           std::string* fromStream = nullptr)
{
    ::setenv("SOURCE_DATE_EPOCH", "1767225600", 1);
    const testsupport::TTempFolder folder("gq-golden");
    const fs::path made = folder / (golden.Name + ".pdf");
    const puzzle::TPuzzleBank bank = GoldenBank();
    TBookMaker maker((folder / kPageStreamName).string());
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
    if (!golden.Paper.empty()) {
        settings.Paper = golden.Paper;
        settings.PrintReady = true;
        settings.Title = "Golden Puzzles";
        settings.Author = "Gridquill Tests";
    }
    settings.PdfX = golden.PdfX;
    if (!golden.Title.empty())
        settings.Title = golden.Title;
    settings.PdfPath = made.string();
    settings.ReplaceExisting = true;
    maker.BuildBook(settings, progress);
    if (fromStream) {
        const fs::path rendered = folder / "rendered.pdf";
        RenderPageStream(maker.PageStreamPath(), rendered.string(), TReplace::Never);
        *fromStream = ReadBytes(rendered);
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
    return ReadBytes(made);
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

TEST_P(GoldenBookTest, BookIsByteForByteTheCheckedInOne)
{
    ExpectGolden(GetParam(), MakeGoldenBook(GetParam()));
}

// A maker that has just made a print-ready A5 book (another size and font state) still makes
// each book exactly as a fresh one does.
TEST_P(GoldenBookTest, BookAfterAPrintReadyOneIsUnchanged)
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

// The stream carries everything the PDF needs: played on its own it gives the book's bytes.
TEST_P(GoldenBookTest, TheBooksPageStreamRendersToTheSameBytes)
{
    if (std::getenv("GQ_UPDATE_GOLDEN"))
        GTEST_SKIP();
    std::string fromStream;
    const std::string book = MakeGoldenBook(GetParam(), nullptr, &fromStream);
    EXPECT_TRUE(book == fromStream)
        << "the book has " << book.size() << " bytes, its stream rendered " << fromStream.size();
}

// A PDF/X book, and a plain book with a title beyond ASCII: PDF/X, the trim boxes and the
// information strings all come through the stream.
TEST(GoldenBookStreamTest, PdfxAndTitledBooksRenderFromTheirStreams)
{
    for (const GoldenBook& golden :
         {GoldenBook{"pdfx", 2, 4, false, "8x10", true},
          GoldenBook{"titled", 0, 1, false, "", false, "Caf\xC3\xA9 Puzzles"}}) {
        SCOPED_TRACE(golden.Name);
        std::string fromStream;
        const std::string book = MakeGoldenBook(golden, nullptr, &fromStream);
        const char* mark = golden.PdfX ? "/GTS_PDFXVersion" : "/Title <FEFF00430061006600E9";
        EXPECT_NE(book.find(mark), std::string::npos) << mark;
        EXPECT_TRUE(book == fromStream) << "the book has " << book.size()
                                        << " bytes, its stream rendered " << fromStream.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, GoldenBookTest,
                         ::testing::Values(GoldenBook{"one-per-page", 0, 1, false},
                                           GoldenBook{"one-per-page-candidates", 2, 1, true},
                                           GoldenBook{"two-per-page", 3, 2, false},
                                           GoldenBook{"four-per-page", 5, 4, false},
                                           GoldenBook{"print-ready-6x9", 1, 2, false, "6x9"}),
                         [](const auto& info) {
                             std::string name = info.param.Name;
                             std::erase(name, '-');
                             return name;
                         });

} // namespace
} // namespace gq::book
