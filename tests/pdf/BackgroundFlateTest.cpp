// Page contents compressed on a helper thread come back exactly as compressed in order on one
// thread, whichever of the two gets to each first.

#include "pdf/BackgroundFlate.h"

#include "pdf/Flate.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace gq::pdf
{
namespace
{

// Content streams of different sizes and contents, like a book's pages.
std::vector<std::string> Pages(int count)
{
    std::vector<std::string> pages;
    for (int n = 0; n < count; ++n) {
        std::string page = "2 J\r\n";
        for (int line = 0; line < 50 + 37 * (n % 7); ++line)
            page += "BT /F1 " + std::to_string(9 + n % 5) + " Tf " + std::to_string(line * 13 + n) +
                    " 720 Td (" + std::to_string(line * n) + ") Tj ET\r\n";
        pages.push_back(page);
    }
    return pages;
}

TEST(BackgroundFlateTest, EveryStreamComesBackAsFlateCompressMakesIt)
{
    const std::vector<std::string> pages = Pages(60);
    // Taken at once after each submission (mostly before the helper reaches it), taken at the
    // end, and taken while more are still queued.
    for (int takeEvery : {1, 7, 60}) {
        SCOPED_TRACE("taken in runs of " + std::to_string(takeEvery));
        TBackgroundFlate flate;
        std::size_t taken = 0;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            flate.Submit(pages[i]);
            if ((i + 1) % static_cast<std::size_t>(takeEvery) != 0)
                continue;
            for (; taken <= i; ++taken) {
                ASSERT_EQ(flate.Take(pages[taken]), FlateCompress(pages[taken])) << taken;
            }
        }
        for (; taken < pages.size(); ++taken)
            ASSERT_EQ(flate.Take(pages[taken]), FlateCompress(pages[taken])) << taken;
        // A stream never submitted, and one taken twice, are compressed on the spot.
        const std::string last = "2 J\r\n0 0 m 1 1 l S\r\n";
        EXPECT_EQ(flate.Take(last), FlateCompress(last));
        EXPECT_EQ(flate.Take(pages[0]), FlateCompress(pages[0]));
    }
}

TEST(BackgroundFlateTest, StopsWithStreamsStillQueued)
{
    const std::vector<std::string> pages = Pages(40);
    auto flate = std::make_unique<TBackgroundFlate>();
    for (const std::string& page : pages)
        flate->Submit(page);
    EXPECT_EQ(flate->Take(pages[3]), FlateCompress(pages[3]));
    flate.reset(); // returns after at most the stream being compressed, reading only live pages
    SUCCEED();
}

} // namespace
} // namespace gq::pdf
