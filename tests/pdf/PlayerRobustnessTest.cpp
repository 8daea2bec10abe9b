// Damaged page streams: the seed corpus and a few hundred deterministic mutations of it must
// play without a crash or hang, and every failure must be a gq::Error. What was played before a
// failure must still form a well-formed document.

#include "pdf/RenderPDF.h"

#include "PdfTestSupport.h"
#include "pdf/EngineFontServices.h"
#include "pdf/PdfError.h"
#include "pdf/StreamPlayer.h"
#include "report/FontManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <random>

namespace gq::pdf
{
namespace
{

using TBytes = std::vector<std::uint8_t>;

std::vector<std::pair<std::string, TBytes>> Corpus()
{
    std::vector<std::pair<std::string, TBytes>> files;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(GQ_TEST_DATA_DIR) +
                                                                 "/pagestream-corpus")) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(
            entry.path().filename().string(),
            TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

enum class TOutcome
{
    Played,
    Failed
};

// Plays `bytes` into a PDF in memory; a failure must be a gq::Error, and whatever the renderer
// wrote must be a complete document.
TOutcome PlayChecked(const TBytes& bytes, const std::string& what)
{
    std::ostringstream out;
    static TEngineFontServices fonts(std::make_shared<report::TFontManager>());
    TRenderPDF pdf;
    pdf.Clock = test::FixedDate;
    pdf.FontServices = &fonts;
    pdf.SetOutputStream(&out);
    TOutcome outcome = TOutcome::Played;
    auto start = std::chrono::steady_clock::now();
    try {
        pdf.RenderStream(bytes);
    } catch (const gq::Error&) {
        outcome = TOutcome::Failed;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": not a gq::Error: " << e.what();
        outcome = TOutcome::Failed;
    }
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10.0) << what; // a hang, not a speed target
    if (!out.str().empty()) {
        SCOPED_TRACE(what);
        test::ExpectWellFormed(out.str());
    }
    return outcome;
}

TEST(PlayerRobustness, TheCorpusPlaysCleanly)
{
    auto corpus = Corpus();
    ASSERT_GE(corpus.size(), 5u);
    for (const auto& [name, bytes] : corpus)
        EXPECT_EQ(PlayChecked(bytes, name), TOutcome::Played) << name;
}

TEST(PlayerRobustness, EveryTruncationFailsCleanly)
{
    auto corpus = Corpus();
    const TBytes& bytes = corpus.front().second;
    // Every shorter prefix of the smallest stream lacks its last end-of-page code.
    for (std::size_t n = 0; n < bytes.size(); ++n)
        EXPECT_EQ(PlayChecked(TBytes(bytes.begin(), bytes.begin() + static_cast<long>(n)),
                              "prefix " + std::to_string(n)),
                  TOutcome::Failed);
}

TEST(PlayerRobustness, MutatedStreamsFailCleanlyOrPlay)
{
    std::mt19937 random(20261209); // fixed seed: the same mutations on every run
    auto below = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(random() % n); };
    const std::uint8_t interesting[] = {0, 1, 0x7F, 0x80, 0xC0, 0xFF, 80, 82, 90, 0xFD, 0x01};
    int mutations = 0, failures = 0;
    for (const auto& [name, original] : Corpus()) {
        for (int round = 0; round < 60; ++round) {
            TBytes bytes = original;
            std::string what = name + " mutation " + std::to_string(round);
            switch (round % 5) {
            case 0: // bit flips
                for (int i = 0, n = 1 + static_cast<int>(below(4)); i < n; ++i)
                    bytes[below(bytes.size())] ^= static_cast<std::uint8_t>(1u << below(8));
                break;
            case 1: // truncation
                bytes.resize(below(bytes.size()));
                break;
            case 2: // inserted bytes
            {
                TBytes extra(1 + below(8));
                for (auto& b : extra)
                    b = static_cast<std::uint8_t>(random());
                bytes.insert(bytes.begin() + static_cast<long>(below(bytes.size())), extra.begin(),
                             extra.end());
                break;
            }
            case 3: // interesting values, often in offsets, counts and lengths
                for (int i = 0; i < 3; ++i)
                    bytes[below(bytes.size())] = interesting[below(std::size(interesting))];
                break;
            case 4: // a chunk repeated elsewhere
            {
                std::size_t from = below(bytes.size()), length = 1 + below(32);
                length = std::min(length, bytes.size() - from);
                TBytes chunk(bytes.begin() + static_cast<long>(from),
                             bytes.begin() + static_cast<long>(from + length));
                bytes.insert(bytes.begin() + static_cast<long>(below(bytes.size())), chunk.begin(),
                             chunk.end());
                break;
            }
            }
            ++mutations;
            if (PlayChecked(bytes, what) == TOutcome::Failed)
                ++failures;
        }
    }
    EXPECT_EQ(mutations, 420); // seven seed files
    EXPECT_GT(failures, 0);
}

TEST(PlayerRobustness, FailuresCarryTheOffsetOfTheFault)
{
    TBytes bytes = Corpus().front().second;
    bytes.resize(bytes.size() - 1); // drop the final end-of-page code
    TRenderPDF pdf;
    std::ostringstream out;
    pdf.SetOutputStream(&out);
    try {
        pdf.RenderStream(bytes);
        FAIL() << "no error";
    } catch (const TPageStreamError& e) {
        EXPECT_EQ(e.Offset, bytes.size());
        EXPECT_NE(std::string(e.what()).find(std::to_string(bytes.size())), std::string::npos);
    }
}

// Plays `bytes` into a PDF in memory and returns the failure, or nothing when it played.
std::optional<TPageStreamError> PlayError(const TBytes& bytes)
{
    TRenderPDF pdf;
    pdf.Clock = test::FixedDate;
    try {
        pdf.RenderToString(bytes);
    } catch (const TPageStreamError& e) {
        return e;
    }
    return std::nullopt;
}

// One page drawing `lines` line segments, each a single 9-byte command.
TBytes PageOfLines(std::size_t lines)
{
    test::TStreamBuilder b;
    b.JobHeader(1);
    b.PageHeader(1);
    for (std::size_t i = 0; i < lines; ++i)
        b.LineTo(static_cast<float>(i % 8), 1);
    b.EndPage();
    return b.Bytes;
}

TEST(PlayerRobustness, APageHoldsABoundedNumberOfCommands)
{
    // The books' fullest page holds about 900 commands.
    EXPECT_FALSE(PlayError(PageOfLines(kMaxCommandsPerPage)));
    TBytes tooMany = PageOfLines(kMaxCommandsPerPage + 1);
    auto error = PlayError(tooMany);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Offset, tooMany.size() - 10) << "the command beyond the limit";
    EXPECT_NE(error->Problem.find("page 1 holds more than 100000 commands"), std::string::npos)
        << error->what();
}

TEST(PlayerRobustness, ATinyStreamCannotMakeAHugeDocument)
{
    // Each text names a variable 80 times whose value names another three times: 730 bytes of
    // stream print 57600 bytes. Books make about twice their stream's size.
    test::TStreamBuilder b;
    b.JobHeader(1);
    b.PageHeader(1);
    b.StateDump(12);
    auto define = [&](const char* name, const std::string& value) {
        b.Code(test::TCode::Variable), b.String(name),
            b.Byte(static_cast<std::uint8_t>(value.size()));
        b.Byte(static_cast<std::uint8_t>(value.size()));
        for (char c : value)
            b.Byte(static_cast<std::uint8_t>(c));
    };
    const std::string refW = "\xFD$PGCV\xFCw\xFB", refV = "\xFD$PGCV\xFCv\xFB";
    define("w", std::string(240, 'x'));
    define("v", refW + refW + refW);
    std::string text;
    for (int i = 0; i < 80; ++i)
        text += refV;
    for (int i = 0; i < 400; ++i)
        b.Text(test::TCode::LeftText, 5, text, 0);
    b.EndPage();
    auto error = PlayError(b.Bytes);
    ASSERT_TRUE(error);
    EXPECT_NE(error->Problem.find("the most a stream of " + std::to_string(b.Bytes.size()) +
                                  " bytes may make"),
              std::string::npos)
        << error->what();
    // Stopped while playing, as soon as the document passed the bound.
    const std::uint64_t bound = kOutputFloorBytes + kOutputPerStreamByte * b.Bytes.size();
    EXPECT_LT(error->Offset, b.Bytes.size() * (bound + 200'000) / (400 * 57'600));
}

} // namespace
} // namespace gq::pdf
