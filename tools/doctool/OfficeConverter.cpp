#include "tools/doctool/OfficeConverter.h"

#include "tools/doctool/ChildProcess.h"
#include "tools/doctool/Handles.h"
#include "tools/doctool/OfficeSockets.h"
#include "tools/doctool/TempFolder.h"
#include "tools/doctool/Watchdog.h"

#include <gio/gio.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <chrono>
#include <csignal>

namespace fs = std::filesystem;

namespace doctool {

namespace {

constexpr int timeoutSeconds = 600;

constexpr std::array officeExtensions{
    // word processing
    ".doc", ".docx", ".docm", ".dot", ".dotx", ".dotm", ".odt", ".ott", ".fodt", ".rtf", ".wpd", ".wps", ".sxw",
    // spreadsheets
    ".xls", ".xlsx", ".xlsm", ".xlsb", ".xlt", ".xltx", ".xltm", ".ods", ".ots", ".fods", ".sxc",
    // presentations and drawings
    ".ppt", ".pptx", ".pptm", ".pps", ".ppsx", ".pot", ".potx", ".odp", ".otp", ".fodp", ".sxi", ".odg", ".vsd",
    ".vsdx"};

constexpr std::array officeContentTypes{
    "application/msword",          "application/rtf",           "text/rtf",
    "application/vnd.ms-excel",    "application/vnd.ms-powerpoint",
    "application/vnd.ms-word",     "application/vnd.oasis.opendocument.",
    "application/vnd.openxmlformats-officedocument.",
};

std::string lowerExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

}  // namespace

bool OfficeConverter::hasOfficeExtension(const std::string& path) {
  std::string extension = lowerExtension(path);
  return std::find(officeExtensions.begin(), officeExtensions.end(), extension) != officeExtensions.end();
}

bool OfficeConverter::isOfficeContentType(const std::string& contentType) {
  return std::any_of(officeContentTypes.begin(), officeContentTypes.end(), [&](std::string_view known) {
    return known.back() == '.' ? contentType.starts_with(known) : contentType == known;
  });
}

std::string OfficeConverter::findOfficeProgram() {
  for (const char* name : {"soffice", "libreoffice"}) {
    GCharPtr found(g_find_program_in_path(name));
    if (found) return found.get();
  }
  return {};
}

bool OfficeConverter::moveFile(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  std::error_code failure;
  if (errno == EXDEV && fs::copy_file(from, to, fs::copy_options::overwrite_existing, failure)) return true;
  error = "cannot write " + to + ": " + (failure ? failure.message() : std::string(std::strerror(errno)));
  return false;
}

bool OfficeConverter::convert(const std::string& input, const std::string& output, std::string& error) {
  const std::string program = findOfficeProgram();
  if (program.empty()) {
    error = "LibreOffice is not installed (neither soffice nor libreoffice is on PATH); office documents need it";
    return false;
  }
  TempFolder work;
  if (!work.exists()) {
    error = "cannot create a folder in the temporary folder";
    return false;
  }
  // LibreOffice names its output after the input and leaves lock files beside
  // it, so it works on a copy with a plain name in the private folder.
  // The canonical name, which stays valid inside LibreOffice's own /tmp.
  std::error_code failure;
  const fs::path folder = fs::canonical(work.path(), failure);
  const fs::path document = folder / ("document" + lowerExtension(input));
  const fs::path outFolder = folder / "out";
  // Its own temporary files go into the private folder as well, so that
  // nothing is left behind when it has to be killed.
  const fs::path tempFolder = folder / "tmp";
  if (failure || !fs::create_directory(outFolder, failure) || !fs::create_directory(tempFolder, failure) ||
      !fs::copy_file(input, document, failure)) {
    error = "cannot copy the document to the temporary folder: " + failure.message();
    return false;
  }
  GCharPtr profileUri(g_filename_to_uri((folder / "profile").c_str(), nullptr, nullptr));
  Watchdog watchdog({work.path(), output});
  // Its single-instance socket always goes into /tmp; where the kernel allows
  // it, /tmp is our private folder for it, so nothing of it can be left there.
  ChildProcess office;
  office.setPrivateTmp(tempFolder.string());
  if (!office.start({program, std::string("-env:UserInstallation=") + profileUri.get(), "--headless", "--invisible",
                     "--norestore", "--nologo", "--nodefault", "--nolockcheck", "--convert-to", "pdf", "--outdir",
                     outFolder.string(), document.string()},
                    {"TMPDIR=" + tempFolder.string()}, error)) {
    return false;
  }
  watchdog.watchGroup(office.processGroup());
  const int exitCode = office.wait(timeoutSeconds);
  // Its helper processes may hold the socket a moment longer.
  for (int i = 0; i < 100 && kill(-office.processGroup(), 0) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  removeStaleOfficeSockets();
  const fs::path converted = outFolder / "document.pdf";
  if (!fs::exists(converted, failure) || fs::file_size(converted, failure) == 0 || failure) {
    if (office.timedOut()) {
      error = "LibreOffice did not finish the conversion within " + std::to_string(timeoutSeconds) + " seconds";
    } else {
      error = "LibreOffice could not convert the document (exit code " + std::to_string(exitCode) + ")";
    }
    return false;
  }
  return moveFile(converted.string(), output, error);
}

}  // namespace doctool
