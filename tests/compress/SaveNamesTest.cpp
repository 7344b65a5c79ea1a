#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "compress/SaveNames.h"

using namespace enginetest;

TEST(SaveNamesTest, NamesAndSizesAsTheListShowsThem) {
    const char16_t* names[][3] = {{u"report.docx", u"_compressed", u"report_compressed.pdf"},
                                  {u"Scan.PDF", u"_compressed", u"Scan_compressed.pdf"},
                                  {u"notes.xyz1", u"_compressed", u"notes.xyz1_compressed.pdf"},
                                  {u"README", u"_c", u"README_c.pdf"},
                                  {u"scan.pdf", u"", u"scan.pdf"}};
    for (auto [name, suffix, expected] : names) EXPECT_EQ(makeSaveName(name, suffix), expected);
    const std::pair<int64_t, const char16_t*> sizes[] = {
        {-1, u"-1.00 B"},   {1023, u"1023.00 B"},  {1024, u"1.00 KB"},
        {1536, u"1.50 KB"}, {1048576, u"1.00 MB"}, {1024ll * 1024 * 1024 * 1024, u"1024.00 GB"}};
    for (auto [bytes, text] : sizes) EXPECT_EQ(formatFileSize(bytes), text);
}

TEST(SaveNamesTest, UniquePathCountsUpPastExistingFiles) {
    EngineEnv env;
    std::string a = env.path("a.pdf");
    EXPECT_EQ(u8(uniquePath(z(a))), a);
    writeFile(a, "1");
    writeFile(env.path("a (1).pdf"), "2");
    EXPECT_EQ(u8(uniquePath(z(a))), env.path("a (2).pdf"));
    writeFile(env.path("plain"), "3");
    EXPECT_EQ(u8(uniquePath(z(env.path("plain")))), env.path("plain (1)"));
}
