// Runs the built converter on generated pictures, text files and an office
// document, and checks the PDFs with poppler's pdfinfo and pdftotext.

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "CliSupport.h"

namespace fs = std::filesystem;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

std::string docTool() { return testsupport::binPath("varto-DocTool"); }

// Runs argv; env entries ("NAME=value") replace those of this process meanwhile.
testsupport::ProgramRun run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {}) {
  std::vector<std::unique_ptr<testsupport::ScopedEnv>> scoped;
  for (const auto& entry : env)
    scoped.push_back(std::make_unique<testsupport::ScopedEnv>(entry.substr(0, entry.find('=')).c_str(),
                                                              entry.substr(entry.find('=') + 1)));
  return testsupport::runProgram(argv);
}

testsupport::ProgramRun convert(const fs::path& input, const fs::path& output, const std::vector<std::string>& env = {}) {
  return run({docTool(), "-convertToPDF", "-noProgress", "-profile", "default/best", "-outputFile", output.string(),
              input.string()},
             env);
}

struct PageSize {
  double width;
  double height;
};

std::vector<PageSize> pageSizes(const fs::path& pdf) {
  testsupport::ProgramRun info = run({"pdfinfo", "-f", "1", "-l", "9999", pdf.string()});
  std::vector<PageSize> pages;
  std::regex line(R"(Page +\d+ size: +([0-9.]+) x ([0-9.]+) pts)");
  for (std::sregex_iterator it(info.out.begin(), info.out.end(), line), end; it != end; ++it) {
    pages.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  }
  return pages;
}

std::string pdfText(const fs::path& pdf, int page = 0) {
  std::vector<std::string> argv{"pdftotext", "-enc", "UTF-8"};
  if (page > 0) argv.insert(argv.end(), {"-f", std::to_string(page), "-l", std::to_string(page)});
  argv.insert(argv.end(), {pdf.string(), "-"});
  return run(argv).out;
}

struct Rgb {
  int red, green, blue;
};

// The colour in the middle of page 1, rendered by poppler at 72 dpi.
Rgb middlePixel(const fs::path& pdf) {
  const fs::path ppm = pdf.string() + ".ppm";
  run({"pdftoppm", "-r", "72", "-singlefile", "-f", "1", "-l", "1", pdf.string(), pdf.string()});
  std::ifstream file(ppm, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maxValue = 0;
  file >> magic >> width >> height >> maxValue;
  file.get();
  std::string pixels(std::istreambuf_iterator<char>(file), {});
  const size_t at = (size_t(height / 2) * width + width / 2) * 3;
  if (magic != "P6" || pixels.size() < at + 3) return {-1, -1, -1};
  return {static_cast<unsigned char>(pixels[at]), static_cast<unsigned char>(pixels[at + 1]),
          static_cast<unsigned char>(pixels[at + 2])};
}

void expectColour(const fs::path& pdf, Rgb expected, int tolerance) {
  Rgb found = middlePixel(pdf);
  EXPECT_NEAR(found.red, expected.red, tolerance) << pdf;
  EXPECT_NEAR(found.green, expected.green, tolerance) << pdf;
  EXPECT_NEAR(found.blue, expected.blue, tolerance) << pdf;
}

void savePixbuf(const fs::path& path, const char* type, int width, int height,
                std::initializer_list<const char*> options = {}, bool alpha = false, guint32 rgba = 0x3366ccff) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, width, height);
  gdk_pixbuf_fill(pixbuf, rgba);
  std::vector<char*> keys, values;
  for (auto it = options.begin(); it != options.end(); it += 2) {
    keys.push_back(const_cast<char*>(it[0]));
    values.push_back(const_cast<char*>(it[1]));
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  GError* error = nullptr;
  gboolean saved = gdk_pixbuf_savev(pixbuf, path.c_str(), type, keys.data(), values.data(), &error);
  g_object_unref(pixbuf);
  ASSERT_TRUE(saved) << (error ? error->message : "");
}

// A grey TIFF with one page per entry, each with its own resolution (dpi,
// or 0 for none), written by hand so the test needs no TIFF library.
struct TiffPage {
  uint16_t width;
  uint16_t height;
  uint32_t dpi;
};

std::string multiPageTiff(const std::vector<TiffPage>& pages) {
  std::string out = "II*";
  out += '\0';
  auto put16 = [&](uint32_t v) { out += char(v & 0xFF), out += char(v >> 8 & 0xFF); };
  auto put32 = [&](uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  auto patch32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = char(v >> (8 * i) & 0xFF);
  };
  size_t nextLink = out.size();
  put32(0);
  for (const TiffPage& page : pages) {
    const uint32_t pixels = out.size();
    out.append(size_t(page.width) * page.height, char(0x80));
    const uint32_t rational = out.size();
    put32(page.dpi), put32(1);
    patch32(nextLink, out.size());
    std::vector<std::array<uint32_t, 4>> tags{{256, 3, 1, page.width},       {257, 3, 1, page.height},
                                              {258, 3, 1, 8},                {259, 3, 1, 1},
                                              {262, 3, 1, 1},                {273, 4, 1, pixels},
                                              {277, 3, 1, 1},                {278, 3, 1, page.height},
                                              {279, 4, 1, uint32_t(page.width) * page.height}};
    if (page.dpi) tags.insert(tags.end(), {{282, 5, 1, rational}, {283, 5, 1, rational}, {296, 3, 1, 2}});
    put16(tags.size());
    for (const auto& tag : tags) {
      put16(tag[0]), put16(tag[1]), put32(tag[2]);
      if (tag[1] == 3) put16(tag[3]), put16(0);
      else put32(tag[3]);
    }
    nextLink = out.size();
    put32(0);
  }
  return out;
}

// Two one-pixel frames: an animation.
std::string animatedGif() {
  const std::string header("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00", 19);
  const std::string frame("\x21\xf9\x04\x00\x0a\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00",
                          23);
  return header + frame + frame + "\x3b";
}

class DocToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(docTool())) << docTool();
    ASSERT_FALSE(folder_.path().empty());
    dir_ = folder_.path();
  }

  fs::path path(const std::string& name) const { return dir_ / name; }

  // Only the given names are left in the test folder (no temporary output).
  void expectOnly(std::initializer_list<std::string> names) const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir_)) found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected(names);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
  }

  void expectPages(const fs::path& pdf, const std::vector<PageSize>& expected) const {
    std::vector<PageSize> pages = pageSizes(pdf);
    ASSERT_EQ(pages.size(), expected.size()) << pdf;
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_NEAR(pages[i].width, expected[i].width, 0.01) << "page " << i + 1;
      EXPECT_NEAR(pages[i].height, expected[i].height, 0.01) << "page " << i + 1;
    }
  }

  testsupport::TempFolder folder_{"varto-doctool-test"};
  fs::path dir_;
};

TEST_F(DocToolTest, BadCommandLinesFailWithAReasonAndWriteNothing) {
  const std::string in = path("in.txt").string(), out = path("out.pdf").string();
  writeFile(in, "hello\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{"-convertToPDF", "-outputFile", out, "-quality", "5", in}, "unknown option -quality"},
      {{"-convertToPDF", in}, "no output file"},
      {{"-convertToPDF", "-outputFile", out}, "no input file"},
      {{"-convertToPDF", "-outputFile", out, in, in}, "more than one input"},
      {{"-convertToPDF", in, "-outputFile"}, "-outputFile needs a value"},
      {{"-noProgress", "-outputFile", out, in}, "-convertToPDF"},
  };
  for (const auto& [args, reason] : cases) {
    std::vector<std::string> argv{docTool()};
    argv.insert(argv.end(), args.begin(), args.end());
    testsupport::ProgramRun result = run(argv);
    EXPECT_EQ(result.exitCode, 1u) << reason;
    EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Usage:"), std::string::npos);
  }
  expectOnly({"in.txt"});

  testsupport::ProgramRun help = run({docTool(), "--help"});
  EXPECT_EQ(help.exitCode, 0u);
  EXPECT_NE(help.out.find("-outputFile"), std::string::npos);
}

TEST_F(DocToolTest, OptionsAreReadInAnyOrder) {
  writeFile(path("in.txt"), "order\n");
  testsupport::ProgramRun result = run({docTool(), "-outputFile", path("out.pdf").string(), path("in.txt").string(), "-profile",
                          "other", "-convertToPDF"});
  EXPECT_EQ(result.exitCode, 0u) << result.err;
  EXPECT_NE(result.err.find("page 1"), std::string::npos) << "progress is shown without -noProgress";
  EXPECT_NE(pdfText(path("out.pdf")).find("order"), std::string::npos);
}

// Every picture kind becomes a page per frame or TIFF page, sized by its
// own resolution (or a point per pixel without one), in its own colours,
// transparency blended over white.
TEST_F(DocToolTest, PicturesBecomePagesAtTheirOwnResolutionInTheirColours) {
  savePixbuf(path("dpi150.png"), "png", 300, 150, {"x-dpi", "150", "y-dpi", "150"});
  savePixbuf(path("plain.png"), "png", 300, 150);
  savePixbuf(path("halfblue.png"), "png", 100, 100, {}, true, 0x3366cc80);
  savePixbuf(path("dpi300.jpg"), "jpeg", 600, 300, {"x-dpi", "300", "y-dpi", "300", "quality", "95"});
  savePixbuf(path("tiny.ico"), "ico", 16, 16);
  // gdk-pixbuf writes no BMP resolution: 96 dpi is put into the header by hand.
  savePixbuf(path("dpi96.bmp"), "bmp", 200, 100);
  std::string bmp = readFile(path("dpi96.bmp"));
  ASSERT_GE(bmp.size(), 46u);
  for (int at : {38, 42}) bmp.replace(at, 4, std::string("\xc4\x0e\x00\x00", 4));  // 3780 px/m
  writeFile(path("dpi96.bmp"), bmp);
  savePixbuf(path("unknown.bmp"), "bmp", 200, 100);
  writeFile(path("animated.gif"), animatedGif());
  writeFile(path("scan.tif"), multiPageTiff({{200, 100, 100}, {100, 300, 0}, {300, 300, 300}}));
  savePixbuf(path("single.tiff"), "tiff", 400, 200, {"x-dpi", "200", "y-dpi", "200"});

  const Rgb blue{0x33, 0x66, 0xcc};
  const struct {
    std::string name;
    std::vector<PageSize> pages;
    std::optional<Rgb> colour;  // in the middle of page 1
    int tolerance;
  } rows[] = {
      {"dpi150.png", {{144, 72}}, blue, 1},
      {"plain.png", {{300, 150}}, blue, 1},
      {"halfblue.png", {{100, 100}}, Rgb{153, 178, 229}, 2},
      {"dpi300.jpg", {{144, 72}}, blue, 4},
      {"tiny.ico", {{16, 16}}, blue, 1},
      {"dpi96.bmp", {{150, 75}}, blue, 1},
      {"unknown.bmp", {{200, 100}}, blue, 1},
      {"animated.gif", {{1, 1}}, std::nullopt, 0},
      {"scan.tif", {{144, 72}, {100, 300}, {72, 72}}, Rgb{0x80, 0x80, 0x80}, 1},
      {"single.tiff", {{144, 72}}, blue, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const fs::path out = path(row.name + ".pdf");
    testsupport::ProgramRun result = convert(path(row.name), out);
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    expectPages(out, row.pages);
    if (row.colour) expectColour(out, *row.colour, row.tolerance);
  }
  // A JPEG is embedded as it is instead of being re-encoded.
  EXPECT_NE(readFile(path("dpi300.jpg.pdf")).find("/DCTDecode"), std::string::npos);
  EXPECT_EQ(readFile(path("dpi150.png.pdf")).find("/DCTDecode"), std::string::npos);
}

TEST_F(DocToolTest, TextIsTypesetOnA4PagesWithWrappingAndPageBreaks) {
  std::string text = "Grüße aus Köln – Ελληνικά – Кириллица\n";
  for (int word = 0; word < 400; ++word) text += "word" + std::to_string(word) + " ";
  text += "\n";
  for (int line = 1; line <= 150; ++line) text += "line " + std::to_string(line) + "\n";
  text += "\fafter the form feed\n";
  writeFile(path("notes.txt"), text);
  testsupport::ProgramRun result = convert(path("notes.txt"), path("notes.pdf"));
  ASSERT_EQ(result.exitCode, 0u) << result.err;

  std::vector<PageSize> pages = pageSizes(path("notes.pdf"));
  ASSERT_GE(pages.size(), 4u);
  EXPECT_NEAR(pages[0].width, 595.28, 0.01);
  EXPECT_NEAR(pages[0].height, 841.89, 0.01);
  const std::string first = pdfText(path("notes.pdf"), 1);
  EXPECT_NE(first.find("Grüße aus Köln – Ελληνικά – Кириллица"), std::string::npos) << first;
  // The long line wraps inside the margins instead of running off the page.
  EXPECT_NE(first.find("word0 "), std::string::npos);
  EXPECT_NE(pdfText(path("notes.pdf")).find("word399"), std::string::npos);
  const std::string boxes = run({"pdftotext", "-bbox", path("notes.pdf").string(), "-"}).out;
  std::regex word(R"re(<word xMin="([0-9.]+)" yMin="[0-9.]+" xMax="([0-9.]+)")re");
  int words = 0;
  for (std::sregex_iterator it(boxes.begin(), boxes.end(), word), end; it != end; ++it, ++words) {
    EXPECT_GE(std::stod((*it)[1]), 56.0);
    EXPECT_LE(std::stod((*it)[2]), 595.28 - 56.0);
  }
  EXPECT_GT(words, 700);
  EXPECT_EQ(pdfText(path("notes.pdf"), 1).find("line 150"), std::string::npos);
  const int last = static_cast<int>(pages.size());
  EXPECT_NE(pdfText(path("notes.pdf"), last - 1).find("line 150"), std::string::npos);
  EXPECT_EQ(pdfText(path("notes.pdf"), last).find("after the form feed"), 0u) << "the form feed starts a page";
}

// Each input, written as given (or not at all), and what the converter makes
// of it: the exit status, part of its message and part of the PDF's text.
// Failures leave no output, keep an old one as it was, and leave nothing else.
TEST_F(DocToolTest, InputsGiveTheirTextOrAClearFailure) {
  const struct {
    std::string name;
    std::optional<std::string> bytes;  // none: no such file
    uint32_t exitCode;
    std::string message, text;
  } rows[] = {
      {"latin1.txt", "caf\xe9 ok\n", 0, "not valid UTF-8", "caf\xef\xbf\xbd ok"},
      {"utf16.txt", std::string("\xff\xfeh\0\xe9\0l\0l\0o\0", 12), 0, "", "h\xc3\xa9llo"},
      {"README", "plain words\n", 0, "", "plain words"},  // text recognised by its content
      {"data.xyz", std::string("\x00\x01\x02\x03\xfe\xff binary", 13), 1, "unknown file type", ""},
      {"missing.png", std::nullopt, 1, "no such file", ""},
      {"broken.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR garbage", 24), 1, "cannot read the picture", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.bytes) writeFile(path(row.name), *row.bytes);
    testsupport::ProgramRun result = convert(path(row.name), path(row.name + ".pdf"));
    EXPECT_EQ(result.exitCode, row.exitCode) << result.err;
    EXPECT_NE(result.err.find(row.message), std::string::npos) << result.err;
    if (row.exitCode == 0) {
      EXPECT_NE(pdfText(path(row.name + ".pdf")).find(row.text), std::string::npos);
    }
  }
  writeFile(path("old.pdf"), "previous result");
  EXPECT_EQ(convert(path("broken.png"), path("old.pdf")).exitCode, 1u);
  EXPECT_EQ(convert(path("old.pdf"), path("old.pdf")).exitCode, 1u);
  EXPECT_EQ(readFile(path("old.pdf")), "previous result");
  EXPECT_EQ(convert(path("data.xyz"), path("no-such-folder/out.pdf")).exitCode, 1u);
  expectOnly({"latin1.txt", "latin1.txt.pdf", "utf16.txt", "utf16.txt.pdf", "README", "README.pdf", "data.xyz",
              "broken.png", "old.pdf"});

  writeFile(path("empty.txt"), "");
  ASSERT_EQ(convert(path("empty.txt"), path("empty.pdf")).exitCode, 0u);
  EXPECT_EQ(pageSizes(path("empty.pdf")).size(), 1u);

  // The title is the file's own name, shown as UTF-8 even when the name is
  // not; the engine's working names give none.
  const struct {
    std::string name, title;
  } titles[] = {{"caf\xe9.txt", "caf\xef\xbf\xbd.txt"}, {"compress_22_1234_99.txt", ""}};
  for (const auto& row : titles) {
    writeFile(path(row.name), "words\n");
    testsupport::ProgramRun result = convert(path(row.name), path("titled.pdf"));
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const std::string info = run({"pdfinfo", path("titled.pdf").string()}).out;
    const size_t at = info.find("Title:");
    std::string title;
    if (at != std::string::npos) {
      title = info.substr(at + 6, info.find('\n', at) - at - 6);
      title.erase(0, title.find_first_not_of(' '));
    }
    EXPECT_EQ(title, row.title) << row.name;
  }
}

// A hand-written RTF, so the test depends on no office file from elsewhere.
const char* const rtfDocument =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0\\fs24 Quarterly report\\par "
    "Second paragraph with caf\\'e9.\\par}";

class OfficeDocToolTest : public DocToolTest {
 protected:
  void SetUp() override {
    DocToolTest::SetUp();
    fs::create_directory(path("tmp"));
  }
  // LibreOffice's profile and copies live in TMPDIR; it must be empty after.
  std::vector<std::string> privateTemp() const { return {"TMPDIR=" + path("tmp").string()}; }
  bool tempIsEmpty() const { return fs::is_empty(path("tmp")); }
};

// Without LibreOffice the conversion fails with the reason; with it, the
// document is converted with a profile of its own, gone afterwards.
TEST_F(OfficeDocToolTest, RtfIsConvertedByLibreOfficeWithAPrivateProfile) {
  writeFile(path("letter.rtf"), rtfDocument);
  std::vector<std::string> env = privateTemp();
  env.push_back("PATH=/nonexistent");
  testsupport::ProgramRun result = convert(path("letter.rtf"), path("letter.pdf"), env);
  EXPECT_EQ(result.exitCode, 1u);
  EXPECT_NE(result.err.find("LibreOffice is not installed"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(path("letter.pdf")));
  EXPECT_TRUE(tempIsEmpty());

  if (run({"sh", "-c", "command -v soffice || command -v libreoffice"}).exitCode != 0) {
    GTEST_SKIP() << "LibreOffice is not installed";
  }
  result = convert(path("letter.rtf"), path("letter.pdf"), privateTemp());
  ASSERT_EQ(result.exitCode, 0u) << result.err;
  const std::string text = pdfText(path("letter.pdf"));
  EXPECT_NE(text.find("Quarterly report"), std::string::npos) << text;
  EXPECT_NE(text.find("café"), std::string::npos) << text;
  EXPECT_TRUE(tempIsEmpty());
  expectOnly({"letter.rtf", "letter.pdf", "tmp"});
}

// LibreOffice's single-instance socket: the first one made after `since`,
// inside the private temporary folder or else in /tmp.
fs::path officeSocket(const fs::path& privateTemp, fs::file_time_type since) {
  const std::string prefix = "OSL_PIPE_";
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(privateTemp, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored)) {
    if (it->path().filename().string().starts_with(prefix)) return it->path();
  }
  for (const auto& entry : fs::directory_iterator("/tmp", ignored)) {
    if (entry.path().filename().string().starts_with(prefix) && fs::last_write_time(entry.path(), ignored) >= since)
      return entry.path();
  }
  return {};
}

// The caller stops a conversion with SIGTERM, kills it outright, or kills its
// whole process group; either way LibreOffice must go at once and take its
// private folder and its socket with it. Where the kernel grants namespaces
// the socket never appears in /tmp; where it does not (tried in a user
// namespace allowed no further ones), the socket is removed afterwards.
TEST_F(OfficeDocToolTest, StoppingTheConverterEndsLibreOfficeAndLeavesNothing) {
  if (run({"sh", "-c", "command -v soffice || command -v libreoffice"}).exitCode != 0) {
    GTEST_SKIP() << "LibreOffice is not installed";
  }
  const bool userNamespaces = run({"unshare", "-Ur", "true"}).exitCode == 0;
  const bool namespaces = userNamespaces || run({"unshare", "-m", "true"}).exitCode == 0;
  const std::vector<std::string> withoutNamespaces{
      "unshare", "-Ur", "sh", "-c",
      "echo 0 >/proc/sys/user/max_user_namespaces && echo 0 >/proc/sys/user/max_mnt_namespaces && exec \"$@\"",
      "sh"};
  struct Ending {
    int signalNumber;
    bool wholeGroup;
    bool ownTmp;
  };
  writeFile(path("stopped.rtf"), rtfDocument);
  for (const Ending& ending : {Ending{SIGTERM, false, true}, Ending{SIGKILL, false, true}, Ending{SIGKILL, true, true},
                               Ending{SIGKILL, true, false}}) {
    SCOPED_TRACE(testing::Message() << "signal " << ending.signalNumber << (ending.wholeGroup ? " to the group" : "")
                                    << (ending.ownTmp ? "" : ", no namespaces"));
    if (!ending.ownTmp && !userNamespaces) continue;  // cannot be taken away here
    const auto started = fs::file_time_type::clock::now();
    std::vector<std::string> argv = ending.ownTmp ? std::vector<std::string>{} : withoutNamespaces;
    argv.insert(argv.end(), {docTool(), "-convertToPDF", "-noProgress", "-outputFile", path("stopped.pdf").string(),
                             path("stopped.rtf").string()});
    std::vector<char*> args;
    for (auto& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    gchar** env = g_environ_setenv(g_get_environ(), "TMPDIR", path("tmp").c_str(), TRUE);
    GPid pid = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, args.data(), env, GSpawnFlags(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_SEARCH_PATH),
                              [](gpointer) { setpgid(0, 0); }, nullptr, &pid, nullptr));
    g_strfreev(env);
    // Stop it once LibreOffice has made its socket.
    fs::path socket;
    for (int i = 0; i < 750 && (socket = officeSocket(path("tmp"), started)).empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(socket.empty()) << "LibreOffice made no socket";
    EXPECT_EQ(socket.parent_path() != "/tmp", ending.ownTmp && namespaces) << socket;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(ending.wholeGroup ? -pid : pid, ending.signalNumber);
    int status = 0;
    waitpid(pid, &status, 0);
    if (ending.signalNumber == SIGTERM) {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    }
    const fs::path inTmp = "/tmp" / socket.filename();
    for (int i = 0; i < 400 && (!tempIsEmpty() || fs::exists(fs::symlink_status(inTmp))); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(tempIsEmpty());
    EXPECT_FALSE(fs::exists(fs::symlink_status(inTmp))) << inTmp;
    EXPECT_FALSE(fs::exists(path("stopped.pdf")));
    EXPECT_NE(run({"pgrep", "-f", path("tmp").string()}).exitCode, 0u) << "LibreOffice still runs";
  }
  expectOnly({"stopped.rtf", "tmp"});
}

}  // namespace
