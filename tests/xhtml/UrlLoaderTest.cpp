#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "RenderFixture.h"
#include "platform/Resources.h"
#include "platform/gfx/Image.h"
#include "xhtml/ImageCache.h"
#include "xhtml/UrlLoader.h"

using namespace xhtml;

namespace {

// Counts the reads that reach the loader.
class CountingLoader : public UrlLoader {
public:
    using UrlLoader::UrlLoader;
    uint32_t load(const ZString& url, std::string& bytes) override {
        ++reads;
        return UrlLoader::load(url, bytes);
    }
    int reads = 0;
};

// Decodes a picture and checks its size.
void expectPicture(const std::string& bytes, int width, int height) {
    auto image = platform::gfx::Image::decode(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), width);
    EXPECT_EQ(image->height(), height);
}

}  // namespace

TEST(ResolveUrl, RelativeReferencesJoinTheBaseFolderOthersStay) {
    EXPECT_EQ(resolveUrl(u"res:///", u"is3_add.png"), u"res:///is3_add.png");
    EXPECT_EQ(resolveUrl(u"res:///ui/main.xhtml", u"img/a.png"), u"res:///ui/img/a.png");
    EXPECT_EQ(resolveUrl(u"res:///ui/main.xhtml", u"/b.png"), u"res:///b.png");
    EXPECT_EQ(resolveUrl(u"res:///ui/main.xhtml", u"../c.png"), u"res:///ui/../c.png");
    EXPECT_EQ(resolveUrl(u"http://h/a/b?q=1#f", u"c#g"), u"http://h/a/c?q=1#g");
    EXPECT_EQ(resolveUrl(u"http://h/a/b#f", u""), u"http://h/a/b") << "an empty fragment replaces the base's";
    EXPECT_EQ(resolveUrl(u"http://h/a/b", u"//other/x.png"), u"http://other/x.png");
    // With a scheme of their own they stay as written.
    EXPECT_EQ(resolveUrl(u"res:///", u"bannerUrl://banner"), u"bannerUrl://banner");
    EXPECT_EQ(resolveUrl(u"res:///", u"File:///tmp/A.png"), u"File:///tmp/A.png");
    EXPECT_THROW(resolveUrl(u"http://h:x/", u"a.png"), std::runtime_error);
}

TEST(UrlLoader, ProgramResourcesAreFoundWhateverTheCase) {
    UrlLoader loader;
    std::string lower, upper;
    const uint32_t size = loader.load(u"is3_add.png", lower);
    ASSERT_NE(size, 0u);
    ASSERT_NE(size, UrlLoader::kFailed);
    EXPECT_EQ(size, lower.size());
    EXPECT_EQ(loader.load(u"res:///IS3_ADD.PNG", upper), size);
    EXPECT_EQ(lower, upper);
    EXPECT_EQ(lower.substr(1, 3), "PNG");
    for (const char* name : {"is3_add.png", "is3_recalc.png", "is3_show.png", "is3_save.png"}) {
        std::string bytes;
        ASSERT_NE(loader.load(ZString::fromUtf8(name), bytes), UrlLoader::kFailed) << name;
        expectPicture(bytes, 32, 32);
    }
}

TEST(UrlLoader, AHostNamesTheResourceLibrary) {
    UrlLoader loader;
    for (const char* url : {"res://Resources.dll/BANNER_EN.PNG", "res://resources.dll/banner_de.png"}) {
        std::string bytes;
        ASSERT_NE(loader.load(ZString::fromUtf8(url), bytes), UrlLoader::kFailed) << url;
        expectPicture(bytes, 200, 330);
    }
    std::string bytes = "keep";
    EXPECT_EQ(loader.load(u"res://other.dll/banner_en.png", bytes), UrlLoader::kFailed);
    EXPECT_EQ(loader.load(u"res:///missing.png", bytes), UrlLoader::kFailed);
    EXPECT_EQ(bytes, "keep") << "a failed read appends nothing";
}

TEST(UrlLoader, ProgramIconInEverySize) {
    for (const char* module : {"", "Resources.dll"}) {
        EXPECT_TRUE(platform::Resources::hasModule(module));
        for (int size : platform::Resources::kIconSizes) {
            std::string bytes;
            ASSERT_TRUE(platform::Resources::read(module, "icon100_" + std::to_string(size) + ".png", bytes));
            expectPicture(bytes, size, size);
        }
    }
    EXPECT_FALSE(platform::Resources::hasModule("Other.dll"));
}

TEST(UrlLoader, FilesAndOtherSchemes) {
    xhtml::testing::TempFolder dir;
    std::ofstream(dir.file("page.txt")) << "hello";
    std::ofstream(dir.file("Mixed.TXT")) << "case";
    UrlLoader loader;
    std::string bytes;
    EXPECT_EQ(loader.load(ZString::fromUtf8("file://" + dir.file("page.txt")), bytes), 5u);
    EXPECT_EQ(bytes, "hello");
    bytes.clear();
    EXPECT_EQ(loader.load(ZString::fromUtf8("file://" + dir.file("Mixed.TXT")), bytes), 4u);
    EXPECT_EQ(bytes, "case");
    bytes.clear();
    EXPECT_EQ(loader.load(ZString::fromUtf8("file://" + dir.file("none.txt")), bytes), 0u);
    EXPECT_EQ(loader.load(u"http://example.invalid/a.png", bytes), 0u);
    EXPECT_EQ(loader.load(u"https://h:bad/a.png", bytes), 0u);
    EXPECT_TRUE(bytes.empty());

    // A file base resolves relative names next to the document.
    UrlLoader fileBase(ZString::fromUtf8("file://" + dir.file("doc.xhtml")));
    EXPECT_EQ(fileBase.load(u"page.txt", bytes), 5u);
}

TEST(UrlLoader, TextStopsAtTheFirstZeroByte) {
    EXPECT_EQ(UrlLoader::textFromBytes(std::string("gr\xC3\xBC\xC3\x9F" "e\0tail", 11)), u"grüße");
    UrlLoader loader;
    ZString text;
    ASSERT_TRUE(loader.loadText(u"res:///UI.XHTML", text));
    EXPECT_TRUE(text.startsWith(u"<html>"));
    EXPECT_FALSE(loader.loadText(u"res:///nothing.xhtml", text));
}

TEST(ImageCache, EachUrlIsReadOnceFailuresAreRememberedFramesKeepTheirDelays) {
    CountingLoader loader;
    ImageCache cache;
    ImageCache::Entry& first = cache.load(u"is3_save.png", &loader);
    ImageCache::Entry& again = cache.load(u"res:///is3_save.png", &loader);
    EXPECT_EQ(&first, &again);
    EXPECT_EQ(loader.reads, 1);
    EXPECT_TRUE(first.loaded);
    ASSERT_TRUE(first.image);
    EXPECT_EQ(first.url, u"res:///is3_save.png");
    EXPECT_TRUE(first.frames.empty());

    ImageCache::Entry& missing = cache.load(u"gone.png", &loader);
    EXPECT_TRUE(missing.loaded);
    EXPECT_FALSE(missing.image);
    cache.load(u"gone.png", &loader);
    EXPECT_EQ(loader.reads, 2);
    EXPECT_EQ(cache.size(), 2);
    EXPECT_EQ(cache.find(u"gone.png", &loader), &missing);
    EXPECT_EQ(cache.find(u"other.png", &loader), nullptr);

    // Animation frames keep their delays in milliseconds.
    ImageCache::Entry& entry = cache.load(ZString::fromUtf8("file://" + (std::filesystem::path(VARTO_SOURCE_DIR) / "tests/data/xhtml/three-frames.gif").string()), &loader);
    ASSERT_TRUE(entry.image);
    ASSERT_EQ(entry.frames.size(), 3u);
    EXPECT_EQ(entry.frames[0].delayMs, 100);
    EXPECT_EQ(entry.frames[1].delayMs, 100);
    EXPECT_EQ(entry.frames[2].delayMs, 200);
    EXPECT_EQ(entry.frames[2].index, 2);
}
