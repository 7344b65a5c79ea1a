#include "tools/doctool/CommandLine.h"

namespace doctool {

const char* CommandLine::usage() {
  return "Usage: varto-DocTool -convertToPDF [-noProgress] [-profile NAME] -outputFile OUT.pdf INPUT\n"
         "Converts an image, a UTF-8 text file or an office document to PDF.\n"
         "  -convertToPDF     convert INPUT to PDF (the only action)\n"
         "  -noProgress       do not report pages on standard error\n"
         "  -profile NAME     accepted for compatibility; every conversion keeps full quality\n"
         "  -outputFile OUT   the PDF to write (replaced only when the conversion succeeds)\n"
         "  -h, --help        show this text\n";
}

bool CommandLine::fail(std::string message) {
  error_ = std::move(message);
  return false;
}

bool CommandLine::parse(const std::vector<std::string>& args) {
  std::vector<std::string> inputs;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
      inputs.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help" || arg == "-help") {
      help_ = true;
    } else if (arg == "-convertToPDF") {
      convert_ = true;
    } else if (arg == "-noProgress") {
      showProgress_ = false;
    } else if (arg == "-profile" || arg == "-outputFile") {
      if (i + 1 >= args.size()) return fail("option " + arg + " needs a value");
      (arg == "-profile" ? profile_ : outputPath_) = args[++i];
    } else {
      return fail("unknown option " + arg);
    }
  }
  if (help_) return true;
  if (!convert_) return fail("no action given (expected -convertToPDF)");
  if (outputPath_.empty()) return fail("no output file given (expected -outputFile OUT.pdf)");
  if (inputs.empty()) return fail("no input file given");
  if (inputs.size() > 1) return fail("more than one input file given: " + inputs[1]);
  if (inputs[0].empty()) return fail("the input file name is empty");
  inputPath_ = inputs[0];
  return true;
}

}  // namespace doctool
