// The record of font matches: answered from while everything fontconfig read is unchanged, and
// never trusted, nor an error, otherwise.

#include "report/FontMatchCache.h"

#include "report/FontManager.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace gq::report
{
namespace
{

namespace fs = std::filesystem;

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

const TFontMatch kMatch{"/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf", 0,
                        "Liberation Sans", false};

TEST(FontMatchCacheTest, ARecordHoldsWhileWhatItDependsOnIsUnchanged)
{
    const testsupport::TTempFolder scratch("gq-font-record");
    const fs::path fonts = scratch / "fonts";
    fs::create_directory(fonts);
    const fs::path conf = scratch / "fonts.conf";
    Write(conf, "<fontconfig/>");
    const std::string record = (scratch / "record").string();
    {
        TFontMatchCache cache(record);
        EXPECT_FALSE(cache.Find("Arial||"));
        cache.Store("Arial||", kMatch, {conf.string(), fonts.string(), "/no/such/folder"});
        TFontMatch bold = kMatch;
        bold.FilePath = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";
        bold.Embolden = true;
        cache.Store("Arial|B|", bold, {conf.string(), fonts.string(), "/no/such/folder"});
    }
    EXPECT_EQ(TFontMatchCache(record).Find("Arial||"), kMatch);
    EXPECT_TRUE(TFontMatchCache(record).Find("Arial|B|")->Embolden) << "both are kept";
    EXPECT_FALSE(TFontMatchCache(record).Find("Courier||"));

    // A font added to a folder, an edited file, a folder that appears: each ends the record.
    Write(fonts / "new.ttf", "x");
    EXPECT_FALSE(TFontMatchCache(record).Find("Arial||")) << "a font added";
    TFontMatchCache(record).Store("Arial||", kMatch, {conf.string(), fonts.string()});
    ASSERT_TRUE(TFontMatchCache(record).Find("Arial||"));
    EXPECT_FALSE(TFontMatchCache(record).Find("Arial|B|")) << "made under other stamps";
    Write(conf, "<fontconfig><dir>/x</dir></fontconfig>");
    EXPECT_FALSE(TFontMatchCache(record).Find("Arial||")) << "the configuration edited";

    TFontMatchCache(record).Store("Arial||", kMatch, {(scratch / "later").string()});
    ASSERT_TRUE(TFontMatchCache(record).Find("Arial||"));
    fs::create_directory(scratch / "later");
    EXPECT_FALSE(TFontMatchCache(record).Find("Arial||")) << "a missing folder made";
}

TEST(FontMatchCacheTest, ADamagedOrForeignRecordCountsForNothing)
{
    const testsupport::TTempFolder scratch("gq-font-record");
    const fs::path record = scratch / "record";
    fs::create_directory(scratch / "fonts");
    TFontMatchCache(record.string()).Store("Arial||", kMatch, {(scratch / "fonts").string()});
    const std::string good = Read(record);
    ASSERT_TRUE(TFontMatchCache(record.string()).Find("Arial||"));

    const std::string environment = TFontMatchCache::Environment();
    for (const std::string& bad :
         {std::string(), std::string("not a record\n"), good.substr(0, good.size() / 2),
          good + "match\tArial|B|\t/x.ttf\tseven\tX\t0\n", good + "garbage line\n",
          std::string(good).replace(good.find(environment), environment.size(), "fontconfig 1")}) {
        Write(record, bad);
        EXPECT_FALSE(TFontMatchCache(record.string()).Find("Arial||")) << bad;
    }
    // Nothing is recorded where no file can be made, and that is no error.
    TFontMatchCache nowhere((scratch / "missing" / "record").string());
    EXPECT_NO_THROW(nowhere.Store("Arial||", kMatch, {}));
    EXPECT_FALSE(fs::exists(scratch / "missing"));
}

TEST(FontMatchCacheTest, TheManagerAnswersFromItsRecordOnlyWhileItHolds)
{
    const testsupport::TTempFolder scratch("gq-font-record");
    const fs::path record = scratch / "record";
    TFontManager first;
    first.KeepMatchRecord(record.string());
    const TFontMatch asked = first.Match("Arial", false, false);
    ASSERT_TRUE(fs::exists(record));
    EXPECT_NE(Read(record).find("\tLiberation Sans\t"), std::string::npos);

    // A record that names another file proves the answer comes from it, not from fontconfig.
    const std::string regular = Read(record);
    std::string doctored = regular;
    const std::string bold = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf";
    doctored.replace(doctored.find("\t" + asked.FilePath + "\t"), asked.FilePath.size() + 2,
                     "\t" + bold + "\t");
    Write(record, doctored);
    TFontManager second;
    second.KeepMatchRecord(record.string());
    EXPECT_EQ(second.Match("Arial", false, false).FilePath, bold);

    // Under another environment the record is not used, and is made again.
    ::setenv("FC_LANG", "de", 1);
    TFontManager third;
    third.KeepMatchRecord(record.string());
    EXPECT_EQ(third.Match("Arial", false, false), asked);
    ::unsetenv("FC_LANG");
    EXPECT_EQ(Read(record).find(bold), std::string::npos);
}

} // namespace
} // namespace gq::report
