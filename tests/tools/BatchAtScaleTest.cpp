// The recipe of docs/batch-at-scale.md run by GNU parallel on this machine
// alone ("-S :" instead of a list of SSH logins), two jobs at a time.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "../compress/EngineTestSupport.h"
#include "CliSupport.h"

using namespace enginetest;
namespace fs = std::filesystem;

namespace {

using testsupport::linesOf;

// Input name -> exit value, from parallel's job log.
std::map<std::string, int> jobExits(const std::string& joblog) {
    std::map<std::string, int> exits;
    for (const std::string& line : linesOf(readFile(joblog))) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
        if (fields.size() >= 9 && fields[0] != "Seq") exits[fields[8].substr(fields[8].rfind(' ') + 1)] = std::stoi(fields[6]);
    }
    return exits;
}

}  // namespace

TEST(BatchAtScaleTest, ParallelRecipeCompressesEveryFileOnceAndResumes) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "a corpus run: the normal build runs it once";
#endif
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus (../shared/corpus or VARTO_CORPUS)";
    if (shellOutput("command -v parallel").empty()) GTEST_SKIP() << "GNU parallel is not installed";
    fs::path folder = fs::canonical(corpus);
    clitest::TempFolder work("varto-scale");
    std::string list = work.path() + "/files", joblog = work.path() + "/joblog";
    std::string results = work.path() + "/results", jsonl = work.path() + "/results.jsonl";
    // Files below 5 MB and only the lossless steps keep the run to seconds;
    // the recipe is the same for the full engine.
    std::string setup = "cd '" + folder.parent_path().string() + "' && PATH='" +
                        testsupport::binDir() +
                        "':\"$PATH\" && ";
    shellOutput(setup + "find '" + folder.filename().string() + "' -name '*.pdf' -size -5M -print0 > " + list);
    size_t listed = 0;
    for (char c : readFile(list)) listed += c == '\0';
    ASSERT_GE(listed, 4u);

    auto recipe = [&](const std::string& resume) {
        return shellOutput(setup + "RESULTS='" + results + "' && parallel -0 -a '" + list +
                           "' -S : -j 2 --retries 3 --joblog '" + joblog + "' " + resume +
                           " --transferfile {} --return \"$RESULTS\"/{//}/{/.}_compressed.pdf --cleanup"
                           " varto-compress-cli --json --lossless --jobs 1 -o \"$RESULTS\"/{//} {}"
                           " >> '" + jsonl + "' 2>/dev/null; echo exit=$?");
    };
    std::string out = recipe("--resume");
    std::map<std::string, int> exits = jobExits(joblog);
    ASSERT_EQ(exits.size(), listed) << readFile(joblog);
    int failed = 0;
    for (const auto& [input, exit] : exits) failed += exit != 0;
    // parallel's exit status is the number of jobs that failed.
    EXPECT_EQ(out, "exit=" + std::to_string(failed) + "\n");

    // Every line is JSON, sizes are the files', each job's summary adds up;
    // every input has one line, failed exactly when its job failed, and
    // every other has its output.
    std::string dump = shellOutput("cd '" + folder.parent_path().string() + "' && /usr/bin/python3 '" VARTO_SOURCE_DIR
                                   "/tests/tools/json_lines.py' '" + jsonl + "'");
    std::vector<std::string> lines = linesOf(dump);
    ASSERT_EQ(lines.size(), 2 * listed) << dump;
    for (const auto& [input, exit] : exits) {
        std::string outcome = exit == 0 ? "compressed" : "failed";
        size_t count = 0;
        for (const std::string& line : lines) {
            if (!contains(line, " b'" + input + "' ")) continue;
            ++count;
            if (exit == 0) {
                EXPECT_TRUE(line.starts_with("file compressed ") || line.starts_with("file unchanged "))
                    << line;
                std::string stem = fs::path(input).stem().string();
                EXPECT_TRUE(fs::exists(results + "/" + fs::path(input).parent_path().string() + "/" +
                                       stem + "_compressed.pdf"))
                    << input;
            } else {
                EXPECT_TRUE(line.starts_with("file failed ")) << line;
            }
        }
        EXPECT_EQ(count, 1u) << input << "\n" << dump;
    }

    // A second run with the job log does nothing: no job, no line, no file.
    std::string before = readFile(jsonl), logBefore = readFile(joblog);
    size_t outputs = std::distance(fs::recursive_directory_iterator(results), fs::recursive_directory_iterator());
    EXPECT_EQ(recipe("--resume"), "exit=0\n");
    EXPECT_EQ(readFile(jsonl), before);
    EXPECT_EQ(readFile(joblog), logBefore);
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(results), fs::recursive_directory_iterator()),
              static_cast<std::ptrdiff_t>(outputs));
    // Only the failed files run again with --resume-failed.
    if (failed > 0) {
        recipe("--resume-failed");
        EXPECT_EQ(linesOf(readFile(jsonl)).size(), linesOf(before).size() + 2 * failed);
    }
}
