#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "EngineTestSupport.h"
#include "compress/LastError.h"
#include "compress/PageCount.h"
#include "compress/Pipeline.h"
#include "compress/Unlock.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

// Intermediate files of the two tools still in the temporary folder.
std::vector<std::string> intermediates(const EngineEnv& env) {
    std::vector<std::string> found;
    for (const std::string& name : env.tempFiles()) {
        if (name.find("compress_gs_") != std::string::npos ||
            name.find("compress_qpdf_") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

std::string inputOf(const std::vector<std::string>& gsRun) {
    return gsRun.empty() ? std::string() : gsRun.back();
}

const char* const kConverter = R"SH(#!/bin/bash
dir="$(dirname "$0")"
{ for a in "$@"; do printf '%s\n' "$a"; done; echo "--end--"; } >> "$dir/../tools/convert.log"
[ -f "$dir/sample.pdf" ] && cp "$dir/sample.pdf" "$6"
exit 0
)SH";

}  // namespace

TEST(CompressFileTest, SmallerOutputWinsAndKeepsEveryPage) {
    EngineEnv env;
    std::string in = env.add("in.pdf", samplePdf(12));
    std::string out = env.path("out.pdf");
    compressFile(z(in), z(out), formSettings(u"72"), nullptr);
    EXPECT_LT(fs::file_size(out), fs::file_size(in));
    EXPECT_EQ(pdfPageCount(z(out)), 12);
    auto gs = env.runs("gs");
    auto qpdf = env.runs("qpdf");
    ASSERT_EQ(gs.size(), 1u);
    ASSERT_EQ(qpdf.size(), 1u);
    EXPECT_EQ(inputOf(gs[0]), in);
    // qpdf starts from Ghostscript's smaller output.
    EXPECT_NE(qpdf[0][1], in);
    EXPECT_TRUE(qpdf[0][1].find("/Varto/compress_gs_") != std::string::npos) << qpdf[0][1];
    EXPECT_TRUE(intermediates(env).empty());
}

TEST(CompressFileTest, LosslessModeNeverStartsGhostscript) {
    EngineEnv env;
    std::string in = env.add("in.pdf", samplePdf(3));
    Props s = formSettings(u"72");
    s[u"mode"] = u"lossless";
    compressFile(z(in), z(env.path("out.pdf")), s, nullptr);
    EXPECT_TRUE(env.runs("gs").empty());
    ASSERT_EQ(env.runs("qpdf").size(), 1u);
    EXPECT_EQ(env.runs("qpdf")[0][1], in);
    EXPECT_EQ(pdfPageCount(z(env.path("out.pdf"))), 3);

    s[u"mode"] = u"Lossless";  // only the exact word skips Ghostscript
    compressFile(z(in), z(env.path("out2.pdf")), s, nullptr);
    EXPECT_EQ(env.runs("gs").size(), 1u);
}

TEST(CompressFileTest, LargerEqualOrShortOutputsAreBypassed) {
    EngineEnv env;
    env.setConfig("compress.shareObjects", "false");  // the two tools' outputs alone
    env.setConfig("compress.slimFonts", "false");
    env.setConfig("compress.reencode", "false");
    std::string in = env.add("in.pdf", samplePdf(2));
    // Ties keep the earlier file; Ghostscript's output with fewer pages
    // (page 1 alone, as for an unreadable input) never wins.
    const struct {
        const char *gs, *qpdf;
        bool unchanged;  // else the result is qpdf's output of the input
    } cases[] = {{"grow", "real", false},
                 {"onepage", "real", false},
                 {"same", "same", true},
                 {"none", "grow", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.gs) + "/" + c.qpdf);
        env.setMode("gs", c.gs);
        env.setMode("qpdf", c.qpdf);
        std::string out = env.path(std::string(c.gs) + ".pdf");
        compressFile(z(in), z(out), formSettings(u"72"), nullptr);
        EXPECT_EQ(env.runs("qpdf").back()[1], in);  // qpdf works on the unchanged input
        EXPECT_EQ(readFile(out) == readFile(in), c.unchanged);
        EXPECT_EQ(pdfPageCount(z(out)), 2);
    }
    EXPECT_TRUE(intermediates(env).empty());
}

TEST(CompressFileTest, DamagedPdfNeverBecomesGhostscriptsBlankPage) {
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    EngineEnv env(Tools::Real);
    std::string in = env.add("damaged.pdf", readFile(corpus + "/damaged-truncated.pdf"));
    compressFile(z(in), z(env.path("out.pdf")), formSettings(u"72"), nullptr);
    EXPECT_EQ(hashFile(env.path("out.pdf")), hashFile(in));
    EXPECT_TRUE(intermediates(env).empty());
}

TEST(ProcessEntryTest, UnchangedSettingsStartNoToolAndChangedOnesReplaceTheResult) {
    EngineEnv env;
    FileData entry(z(env.add("in.pdf", samplePdf(5))), u"in.pdf", u"");
    entry.requestedSettings = formSettings(u"72");
    processEntry(entry, nullptr);
    ZString first = entry.resultPath;
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(fs::exists(u8(first)));
    EXPECT_EQ(entry.pdfSourcePath, entry.workingPath);
    EXPECT_EQ(entry.resultSettings, formSettings(u"72"));

    processEntry(entry, nullptr);
    EXPECT_EQ(env.runs("gs").size(), 1u);
    EXPECT_EQ(env.runs("qpdf").size(), 1u);
    EXPECT_EQ(entry.resultPath, first);

    entry.requestedSettings = formSettings(u"100");
    processEntry(entry, nullptr);
    EXPECT_EQ(env.runs("gs").size(), 2u);
    EXPECT_NE(entry.resultPath, first);
    EXPECT_FALSE(fs::exists(u8(first)));
    EXPECT_TRUE(fs::exists(u8(entry.resultPath)));
    EXPECT_EQ(entry.resultSettings, formSettings(u"100"));
    EXPECT_EQ(entry.state, FileData::Done);

    ZString last = entry.resultPath;
    {
        FileData gone(std::move(entry.workingPath), u"", u"");
        gone.resultPath = last;
    }
    EXPECT_FALSE(fs::exists(u8(last)));  // a destroyed record takes its result with it
}

TEST(ProcessEntryTest, DocumentsAreConvertedOnceByTheConverter) {
    EngineEnv env;
    std::string converter = env.path("bin/varto-DocTool");
    writeFile(converter, kConverter);
    fs::permissions(converter, fs::perms::owner_all);
    writeFile(env.path("bin/sample.pdf"), samplePdf(2));

    FileData entry(z(env.add("notes file.txt", "some text")), u"notes file.txt", u"");
    entry.requestedSettings = formSettings(u"72");
    processEntry(entry, nullptr);
    entry.requestedSettings = formSettings(u"50");
    processEntry(entry, nullptr);

    EXPECT_EQ(env.runs("convert"),
              (std::vector<std::vector<std::string>>{
                  {"-convertToPDF", "-noProgress", "-profile", "default/best", "-outputFile",
                   u8(entry.pdfSourcePath), u8(entry.workingPath)}}));
    EXPECT_EQ(env.runs("gs").size(), 2u);
    EXPECT_EQ(inputOf(env.runs("gs")[1]), u8(entry.pdfSourcePath));
    EXPECT_EQ(pdfPageCount(entry.resultPath), 2);
    EXPECT_EQ(u8(converterCommandLine(u"/a b/in.doc", u"/t/o.pdf", u"default/best")),
              "\"" + env.path("bin") +
                  "/varto-DocTool\" -convertToPDF -noProgress -profile \"default/best\" "
                  "-outputFile \"/t/o.pdf\" \"/a b/in.doc\"");

    // A failed conversion ends done without a result and starts no tool.
    fs::remove(env.path("bin/sample.pdf"));
    FileData broken(z(env.add("broken.odt", "x")), u"broken.odt", u"");
    processEntry(broken, nullptr);
    EXPECT_EQ(broken.state, FileData::Done);
    EXPECT_TRUE(broken.resultPath.isEmpty());
    EXPECT_EQ(env.runs("gs").size(), 2u);
}

TEST(PrepareFileTest, WorkingCopyNamesAndUnlockedPdf) {
    EngineEnv env;
    std::string odd = env.add("in\"put\nfolder/my \"file\".p|df", samplePdf(1));
    setLastError(0);
    auto entry = prepareFile(z(odd), u"", u"", nullptr);
    ASSERT_TRUE(entry);
    EXPECT_EQ(u8(entry->displayName), "my \"file\".p|df");
    EXPECT_EQ(u8(entry->sourceFolder), env.path("in\"put\nfolder"));
    std::string working = u8(entry->workingPath);
    // The working copy's name is the engine's own: the PDF was unlocked into it.
    EXPECT_TRUE(working.starts_with(env.tempFolder() + "/Varto/unlocked_")) << working;
    EXPECT_EQ(working.find_first_of("\"\n|"), std::string::npos);
    EXPECT_EQ(pdfPageCount(entry->workingPath), 1);
    EXPECT_EQ(readFile(odd), samplePdf(1));

    std::string doc = env.add("docs/report.docx", "not really a document");
    auto named = prepareFile(z(doc), u"Quarterly", u"/proposed", nullptr);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->displayName, u"Quarterly.docx");
    EXPECT_EQ(named->sourceFolder, u"/proposed");
    EXPECT_TRUE(u8(named->workingPath).ends_with(".docx"));
    EXPECT_EQ(readFile(u8(named->workingPath)), "not really a document");

    auto kept = prepareFile(z(doc), u"Quarterly.DOCX", u"", nullptr);
    EXPECT_EQ(kept->displayName, u"Quarterly.DOCX");
    EXPECT_EQ(kept->sourceFolder, u"");

    EXPECT_FALSE(prepareFile(z(env.path("missing.pdf")), u"", u"", nullptr));
}

namespace {

std::string converterExiting(int status, bool writes) {
    return std::string("#!/bin/bash\n") + (writes ? "cp \"$(dirname \"$0\")/sample.pdf\" \"$6\"\n" : "") +
           "exit " + std::to_string(status) + "\n";
}

}  // namespace

// A file no tool can read, a converter that fails with or without leaving a
// file, and a retry that succeeds: each failure is named, none is a result.
TEST(ProcessEntryTest, FailuresAreNamedAndARetryClearsThem) {
    EngineEnv env;
    std::string converter = env.path("bin/varto-DocTool");
    writeFile(env.path("bin/sample.pdf"), samplePdf(2));
    auto process = [&](const std::string& name, const std::string& bytes) {
        auto entry = std::make_unique<FileData>(z(env.add(name, bytes)), z(name), u"");
        entry->requestedSettings = formSettings(u"72");
        processEntry(*entry, nullptr);
        EXPECT_EQ(entry->state, FileData::Done);
        return entry;
    };
    auto setConverter = [&](int status, bool writes) {
        writeFile(converter, converterExiting(status, writes));
        fs::permissions(converter, fs::perms::owner_all);
    };

    auto damaged = process("damaged.pdf", samplePdf(3).substr(0, 200));
    EXPECT_EQ(damaged->failure, FileData::Unreadable);
    EXPECT_TRUE(damaged->resultPath.isEmpty());
    EXPECT_TRUE(env.runs("gs").empty());

    setConverter(3, true);
    auto refused = process("a.odt", "x");
    EXPECT_EQ(refused->failure, FileData::ConversionFailed);
    EXPECT_EQ(refused->converterExitStatus, 3u);
    EXPECT_TRUE(refused->resultPath.isEmpty());

    setConverter(0, false);
    auto silent = process("b.odt", "x");
    EXPECT_EQ(silent->failure, FileData::ConversionFailed);
    EXPECT_EQ(silent->converterExitStatus, 0u);

    setConverter(0, true);
    processEntry(*silent, nullptr);
    EXPECT_EQ(silent->failure, FileData::NoFailure);
    EXPECT_EQ(pdfPageCount(silent->resultPath), 2);

    // Listed without copies (it could not be prepared): it stays failed.
    auto unprepared = failedFile(z(env.path("gone/x.pdf")), u"", u"");
    EXPECT_EQ(unprepared->displayName, u"x.pdf");
    processEntry(*unprepared, nullptr);
    EXPECT_EQ(unprepared->failure, FileData::Unreadable);
    EXPECT_EQ(unprepared->state, FileData::Done);
}

// Sizes are the user's: the entry keeps a byte copy of the user's file, not
// only the unlocked copy the unlocking rewrote.
TEST(PrepareFileTest, KeepsAByteCopyOfTheUsersFileAndItsPassword) {
    EngineEnv env;
    std::string plain = env.add("plain.pdf", samplePdf(2));
    auto entry = prepareFile(z(plain), u"", u"", nullptr);
    ASSERT_TRUE(entry);
    EXPECT_EQ(readFile(u8(entry->originalCopyPath)), samplePdf(2));
    EXPECT_EQ(u8(entry->userPath), plain);
    EXPECT_FALSE(entry->encrypted);

    std::string locked = env.encrypted("locked.pdf", "pw-1");
    rememberPassword(u"pw-1");
    auto opened = prepareFile(z(locked), u"", u"", nullptr);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->encrypted);
    EXPECT_EQ(opened->password, u"pw-1");
    EXPECT_EQ(readFile(u8(opened->originalCopyPath)), readFile(locked));
}

namespace {

// qpdf's verdict: 0 needs a password, 2 not encrypted, 3 encrypted without one.
int requiresPassword(const std::string& pdf) {
    return std::system(("qpdf --requires-password '" + pdf + "' >/dev/null 2>&1").c_str()) >> 8;
}

std::string encryptionOf(const std::string& pdf, const std::string& password) {
    return shellOutput("qpdf --show-encryption --password='" + password + "' '" + pdf +
                       "' 2>&1 | grep -v 'Supplied password'");
}

}  // namespace

// The result of a protected file opens only with the same password, keeps
// the owner password and permissions, and has every page; asked to, the
// result comes out unprotected. An owner password alone is kept too.
TEST(ProcessEntryTest, ProtectionIsKeptUnlessTurnedOff) {
    EngineEnv env(Tools::Real);
    std::string locked = env.encrypted("locked.pdf", "pw-2");
    std::string ownerOnly = env.path("owner-only.pdf");
    shellOutput("qpdf --encrypt '' owner-x 256 --print=low --modify=none -- '" +
                env.add("plain.pdf", samplePdf(3)) + "' '" + ownerOnly + "'");
    rememberPassword(u"pw-2");

    for (const std::string& user : {locked, ownerOnly}) {
        SCOPED_TRACE(user);
        bool needsPassword = user == locked;
        auto entry = prepareFile(z(user), u"", u"", nullptr);
        ASSERT_TRUE(entry);
        ASSERT_TRUE(entry->encrypted);
        entry->requestedSettings = formSettings(u"72");
        processEntry(*entry, nullptr);
        std::string result = u8(entry->resultPath);
        ASSERT_FALSE(result.empty());
        EXPECT_TRUE(entry->protectionKept);
        EXPECT_EQ(requiresPassword(result), needsPassword ? 0 : 3);
        std::string password = needsPassword ? "pw-2" : "";
        EXPECT_EQ(pdfPageCount(z(result), z(password)), 3);
        EXPECT_EQ(encryptionOf(result, password), encryptionOf(user, password));
        // The owner password still opens it as the owner.
        std::string owner = needsPassword ? "owner-pw-2" : "owner-x";
        EXPECT_TRUE(contains(shellOutput("qpdf --show-encryption --password=" + owner + " '" +
                                         result + "'"),
                             "Supplied password is owner password"));
        EXPECT_LE(fs::file_size(result), fs::file_size(user));

        entry->requestedSettings[u"keepEncryption"] = u"false";
        processEntry(*entry, nullptr);
        EXPECT_FALSE(entry->protectionKept);
        EXPECT_EQ(requiresPassword(u8(entry->resultPath)), 2);
        EXPECT_FALSE(pdfIsEncrypted(entry->resultPath));
    }
}
