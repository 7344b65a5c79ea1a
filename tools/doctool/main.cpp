// varto-DocTool: converts one picture, text file or office document to PDF.
// Exit code 0 when the PDF was written, 1 otherwise (with a message on
// standard error and no output file).

#include "tools/doctool/CommandLine.h"
#include "tools/doctool/ImageConverter.h"
#include "tools/doctool/InputClassifier.h"
#include "tools/doctool/Interruption.h"
#include "tools/doctool/OfficeConverter.h"
#include "tools/doctool/OutputFile.h"
#include "tools/doctool/TextConverter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace doctool;

namespace {

constexpr const char* unknownType = "unknown file type; pictures, text files and office documents can be converted";

int failWith(const std::string& message) {
  std::fprintf(stderr, "varto-DocTool: %s\n", message.c_str());
  return 1;
}

bool checkInput(const std::string& input, const std::string& output, std::string& error) {
  std::error_code failure;
  if (!fs::exists(input, failure)) {
    error = input + ": no such file";
    return false;
  }
  if (!fs::is_regular_file(input, failure)) {
    error = input + ": not a regular file";
    return false;
  }
  if (access(input.c_str(), R_OK) != 0) {
    error = input + ": " + std::strerror(errno);
    return false;
  }
  if (fs::exists(output, failure) && fs::equivalent(input, output, failure)) {
    error = "the output file must not be the input file";
    return false;
  }
  return true;
}

bool convert(DocumentKind kind, const CommandLine& line, const std::string& target, std::string& error) {
  switch (kind) {
    case DocumentKind::Image: return ImageConverter(line.showProgress()).convert(line.inputPath(), target, error);
    case DocumentKind::Text: return TextConverter(line.showProgress()).convert(line.inputPath(), target, error);
    case DocumentKind::Office: return OfficeConverter().convert(line.inputPath(), target, error);
    case DocumentKind::Unknown: break;
  }
  error = unknownType;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine line;
  if (!line.parse(std::vector<std::string>(argv + 1, argv + argc))) {
    std::fprintf(stderr, "varto-DocTool: %s\n%s", line.error().c_str(), CommandLine::usage());
    return 1;
  }
  if (line.helpRequested()) {
    std::fputs(CommandLine::usage(), stdout);
    return 0;
  }
  Interruption::install();
  std::string error;
  if (!checkInput(line.inputPath(), line.outputPath(), error)) return failWith(error);
  const DocumentKind kind = InputClassifier::classify(line.inputPath());
  if (kind == DocumentKind::Unknown) {
    return failWith(line.inputPath() + ": " + unknownType);
  }
  OutputFile output(line.outputPath());
  if (!output.create(error)) return failWith(error);
  if (!convert(kind, line, output.temporaryPath(), error) || !output.commit(error)) {
    return failWith(line.inputPath() + " (" + InputClassifier::describe(kind) + "): " + error);
  }
  return 0;
}
