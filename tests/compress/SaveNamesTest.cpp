#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "compress/SaveNames.h"

using namespace enginetest;

TEST(SaveNamesTest, KnownFileTypesLoseTheirExtension) {
    EXPECT_EQ(makeSaveName(u"report.docx", u"_compressed"), u"report_compressed.pdf");
    EXPECT_EQ(makeSaveName(u"scan.pdf", u"_compressed"), u"scan_compressed.pdf");
    EXPECT_EQ(makeSaveName(u"Scan.PDF", u"_compressed"), u"Scan_compressed.pdf");
    EXPECT_EQ(makeSaveName(u"notes.xyz1", u"_compressed"), u"notes.xyz1_compressed.pdf");
    EXPECT_EQ(makeSaveName(u"README", u"_c"), u"README_c.pdf");
    EXPECT_EQ(makeSaveName(u"scan.pdf", u""), u"scan.pdf");
}

TEST(SaveNamesTest, UniquePathCountsUpPastExistingFiles) {
    EngineEnv env;
    std::string a = env.path("a.pdf");
    EXPECT_EQ(u8(uniquePath(z(a))), a);
    writeFile(a, "1");
    EXPECT_EQ(u8(uniquePath(z(a))), env.path("a (1).pdf"));
    writeFile(env.path("a (1).pdf"), "2");
    EXPECT_EQ(u8(uniquePath(z(a))), env.path("a (2).pdf"));
    writeFile(env.path("plain"), "3");
    EXPECT_EQ(u8(uniquePath(z(env.path("plain")))), env.path("plain (1)"));
}

TEST(SaveNamesTest, SizesInTheListsUnits) {
    EXPECT_EQ(formatFileSize(-1), u"-1.00 B");
    EXPECT_EQ(formatFileSize(1023), u"1023.00 B");
    EXPECT_EQ(formatFileSize(1024), u"1.00 KB");
    EXPECT_EQ(formatFileSize(1536), u"1.50 KB");
    EXPECT_EQ(formatFileSize(1048576), u"1.00 MB");
    EXPECT_EQ(formatFileSize(1024ll * 1024 * 1024 * 1024), u"1024.00 GB");
}
