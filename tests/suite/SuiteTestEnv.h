#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "suite/Language.h"

// Sets (or with nullopt clears) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~ScopedEnv() {
        previous_ ? setenv(name_.c_str(), previous_->c_str(), 1) : unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// A fresh temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder() : path_((std::filesystem::temp_directory_path() / "varto-suite-XXXXXX").string()) {
        if (!mkdtemp(path_.data())) path_.clear();
    }
    ~TempFolder() {
        std::error_code error;
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline std::string readFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// Writes the file, creating its folder.
inline void writeFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A test with an empty configuration folder, no installation file and a
// language folder of its own; chooseLanguage() picks one as the user would.
class LanguageEnvTest : public ::testing::Test {
protected:
    TempFolder temp;
    ScopedEnv configHome{"VARTO_CONFIG_HOME", temp.file("config")};
    ScopedEnv installIni{"VARTO_INSTALL_INI", temp.file("none/install.ini")};
    ScopedEnv lang{"LANG", std::string("C.UTF-8")};
    ScopedEnv lcAll{"LC_ALL", std::nullopt};
    ScopedEnv lcMessages{"LC_MESSAGES", std::nullopt};
    ScopedEnv langDir{"VARTO_LANG_DIR", temp.file("lang")};

    void TearDown() override { lang_reload(); }
    void chooseLanguage(const std::string& value) {
        writeFile(temp.file("config/config.ini"), "[Settings]\nLanguage=" + value + "\n");
        lang_reload();
    }
};
