#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "EngineTestSupport.h"
#include "compress/Command.h"
#include "compress/LastError.h"
#include "compress/PageCount.h"
#include "compress/Qpdf.h"
#include "compress/Unlock.h"
#include "platform/MessageBox.h"
#include "suite/Language.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// Answers password questions from a list (then cancels) and message boxes
// with a fixed button, recording what it was asked.
class ScriptedPrompt : public UnlockPrompt {
public:
    std::vector<std::string> answers;
    std::vector<std::string> questions;
    std::vector<std::string> messages;  // caption, a line feed, flags, a line feed, text
    int boxAnswer = platform::IDCANCEL;

    bool askPassword(const ZString& question, ZString& password) override {
        questions.push_back(u8(question));
        if (questions.size() > answers.size()) {
            password = u"typed but cancelled";
            return false;
        }
        password = z(answers[questions.size() - 1]);
        return true;
    }
    int report(const ZString& caption, const ZString& text, unsigned f) override {
        messages.push_back(u8(caption) + "\n" + std::to_string(f) + "\n" + u8(text));
        return boxAnswer;
    }
};

const char* kFailureText =
    "Unlocking step failed. Maybe bad PDF file. Printing it to a PDF file from a PDF viewer may "
    "help.\r\n\r\nAffected PDF file:\r\n";

}  // namespace

TEST(QpdfOptimizeTest, CommandLineWithAndWithoutLinearisation) {
    EngineEnv env;
    std::string in = env.add("in dir/ä b.pdf", samplePdf(4));
    std::string out = env.path("out one.pdf");
    EXPECT_TRUE(optimizeWithQpdf(z(in), z(out), {{u"webOptimize", u"false"}}));
    EXPECT_TRUE(optimizeWithQpdf(z(in), z(out + "2"), {{u"webOptimize", u"True"}}));
    auto runs = env.runs("qpdf");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (std::vector<std::string>{"--object-streams=generate", in, out}));
    EXPECT_EQ(runs[1], (std::vector<std::string>{"--object-streams=generate", "--linearize", in,
                                                 out + "2"}));
    EXPECT_FALSE(fs::exists(env.path("tools/qpdf.stdin")));
    EXPECT_EQ(pdfPageCount(z(out)), 4);
    EXPECT_LT(fs::file_size(out), fs::file_size(in));
}

TEST(QpdfOptimizeTest, KilledRunReportsFalse) {
    EngineEnv env;
    env.setMode("qpdf", "sleep");
    CommandContext context;
    std::thread canceller([&] {
        env.waitForPid("qpdf");
        context.cancel();
    });
    int64_t start = nowMs();
    EXPECT_FALSE(
        optimizeWithQpdf(z(env.add("a.pdf", samplePdf(1))), z(env.path("b.pdf")), {}, &context));
    canceller.join();
    EXPECT_LT(nowMs() - start, 5000);
}

TEST(QpdfUnlockTest, PlainPdfPassesWithOneRunAndArgumentsOnStandardInput) {
    EngineEnv env;
    std::string in = env.add("a folder/plain file.pdf", samplePdf(2));
    std::string out = env.path("unlocked.pdf");
    ScriptedPrompt prompt;
    EXPECT_TRUE(unlockPdf(z(in), z(out), u"plain file.pdf", &prompt));
    EXPECT_TRUE(prompt.questions.empty());
    auto runs = env.runs("qpdf");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], std::vector<std::string>{"@-"});
    // No end-of-file byte: the input is closed instead.
    EXPECT_EQ(env.qpdfStdin(), "--verbose\n--decrypt\n--password=\n" + in + "\n" + out + "\n");
    EXPECT_EQ(pdfPageCount(z(out)), 2);
}

TEST(QpdfUnlockTest, WrongPasswordIsAskedAgainAndEveryNewOneRemembered) {
    EngineEnv env;
    std::string locked = env.encrypted("dïr one/horse lock.pdf", "right-horse");
    ScriptedPrompt prompt;
    prompt.answers = {"wrong-battery", "right-horse"};
    EXPECT_TRUE(unlockPdf(z(locked), z(env.path("out.pdf")), u"", &prompt));
    ASSERT_EQ(prompt.questions.size(), 2u);
    // Without a display name the question names the path.
    EXPECT_EQ(prompt.questions[1],
              u8(lang_getStr(u"operations/password-for-file")) + " '" + locked + "'");
    EXPECT_EQ(pdfPageCount(z(env.path("out.pdf"))), 3);

    // Both answers were remembered: each opens its own AES-256 file silently.
    for (const char* password : {"right-horse", "wrong-battery"}) {
        std::string other = env.encrypted(std::string(password) + ".pdf", password);
        ScriptedPrompt silent;
        EXPECT_TRUE(unlockPdf(z(other), z(env.path("out-" + std::string(password) + ".pdf")),
                              u"other.pdf", &silent));
        EXPECT_TRUE(silent.questions.empty()) << password;
    }
}

TEST(QpdfUnlockTest, CancelLeavesNoOutputAndReportsCancelled) {
    EngineEnv env;
    std::string locked = env.encrypted("never.pdf", "never-given");
    ScriptedPrompt prompt;
    setLastError(0);
    EXPECT_FALSE(unlockPdf(z(locked), z(env.path("out.pdf")), u"never.pdf", &prompt));
    EXPECT_EQ(getLastError(), kErrorCancelled);
    EXPECT_EQ(prompt.questions.size(), 1u);
    EXPECT_FALSE(fs::exists(env.path("out.pdf")));
    EXPECT_TRUE(prompt.messages.empty());

    // An output that was there before the step is not the step's to delete.
    std::string existing = env.add("existing.pdf", "keep me");
    EXPECT_FALSE(unlockPdf(z(locked), z(existing), u"never.pdf", &prompt));
    EXPECT_TRUE(fs::exists(existing));

    // Without any prompt, asking counts as cancelled.
    setLastError(0);
    EXPECT_FALSE(unlockPdf(z(locked), z(env.path("out3.pdf")), u"never.pdf", nullptr));
    EXPECT_EQ(getLastError(), kErrorCancelled);
}

TEST(QpdfUnlockTest, DamagedFileAsksToContinueWithAnUnchangedCopy) {
    EngineEnv env;
    std::string damaged = env.add("bad file.pdf", "%PDF-1.4\nnothing a reader could use\n");
    ScriptedPrompt goOn;
    goOn.boxAnswer = platform::IDOK;
    EXPECT_TRUE(unlockPdf(z(damaged), z(env.path("copy.pdf")), u"bad file.pdf", &goOn));
    ASSERT_EQ(goOn.messages.size(), 1u);
    EXPECT_EQ(goOn.messages[0],
              "\n" + std::to_string(platform::MB_OKCANCEL | platform::MB_ICONERROR) + "\n" +
                  kFailureText + damaged + "\r\n\r\nTrying to continue without this unlock step?");
    EXPECT_EQ(readFile(env.path("copy.pdf")), readFile(damaged));

    // The message names the user's own file, not the copy being unlocked.
    ScriptedPrompt stop;
    setLastError(0);
    EXPECT_FALSE(unlockPdf(z(damaged), z(env.path("none.pdf")), u"bad file.pdf", &stop,
                           u"/home/user/bad file.pdf"));
    ASSERT_EQ(stop.messages.size(), 1u);
    EXPECT_TRUE(contains(stop.messages[0], "Affected PDF file:\r\n/home/user/bad file.pdf\r\n"));
    EXPECT_NE(getLastError(), kErrorCancelled);
    EXPECT_FALSE(fs::exists(env.path("none.pdf")));

    env.setConfig("ignorePdfUnlockFailed", "true");
    ScriptedPrompt quiet;
    EXPECT_TRUE(unlockPdf(z(damaged), z(env.path("quiet.pdf")), u"bad file.pdf", &quiet));
    EXPECT_TRUE(quiet.messages.empty());
    EXPECT_EQ(readFile(env.path("quiet.pdf")), readFile(damaged));
}
