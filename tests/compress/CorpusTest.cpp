#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "EngineTestSupport.h"
#include "compress/PageCount.h"
#include "compress/Pipeline.h"
#include "compress/Unlock.h"
#include "platform/MessageBox.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// Goes on without unlocking when asked, as a user keeping a damaged file would.
class ContinuePrompt : public UnlockPrompt {
public:
    bool askPassword(const ZString&, ZString& password) override {
        password.clear();
        return false;
    }
    int messageBox(const ZString&, const ZString&, unsigned) override { return platform::IDOK; }
};

// Medium-sized files of every kind that matters to the engine: text, scanned
// images, owner and user passwords, damage. VARTO_CORPUS_ALL=1 takes all.
std::vector<std::string> chosenFiles(const std::string& corpus) {
    if (std::getenv("VARTO_CORPUS_ALL")) {
        std::vector<std::string> all;
        for (const auto& item : fs::directory_iterator(corpus)) {
            if (item.path().extension() == ".pdf") all.push_back(item.path().filename().string());
        }
        std::sort(all.begin(), all.end());
        return all;
    }
    return {"text-r-intro.pdf", "enc-owner-only.pdf", "image-geotrans-users-guide.pdf",
            "damaged-truncated.pdf"};
}

}  // namespace

TEST(CorpusTest, NothingIsLostOrMadeLarger) {
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus at ../shared/corpus or $VARTO_CORPUS";
    EngineEnv env(Tools::Real);
    rememberPassword(u"secret");
    for (const std::string& name : chosenFiles(corpus)) {
        SCOPED_TRACE(name);
        std::string input = env.add("in/" + name, readFile(corpus + "/" + name));
        uint64_t hashBefore = hashFile(input);
        ContinuePrompt prompt;
        auto entry = prepareFile(z(input), u"", u"", &prompt);
        ASSERT_TRUE(entry);
        entry->requestedSettings = formSettings();
        processEntry(*entry, nullptr);

        ASSERT_FALSE(entry->resultPath.isEmpty());
        std::string result = u8(entry->resultPath);
        EXPECT_LE(fs::file_size(result), fs::file_size(input));
        EXPECT_EQ(hashFile(input), hashBefore);
        int64_t pages = pdfPageCount(entry->workingPath);
        EXPECT_EQ(pdfPageCount(entry->resultPath), pages);
        if (pages < 0) {
            // Unreadable input: the result is the input itself, never a blank page.
            EXPECT_EQ(hashFile(result), hashBefore);
        }
        entry.reset();
        EXPECT_FALSE(fs::exists(result));
    }
}
