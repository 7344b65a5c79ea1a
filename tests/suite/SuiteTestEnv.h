#pragma once

#include <gtest/gtest.h>

#include "suite/Language.h"
#include "tests/support/TestSupport.h"

using testsupport::readFile;
using testsupport::ScopedEnv;
using testsupport::TempFolder;
using testsupport::writeFile;

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
