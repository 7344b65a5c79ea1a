#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <limits>

#include "suite/Settings.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

// Every test gets an empty configuration folder and an installation without
// install.ini or defaults.ini, unless it says otherwise.
class SettingsTest : public ::testing::Test {
protected:
    TempFolder temp;
    ScopedEnv configHome{"VARTO_CONFIG_HOME", temp.file("config")};
    ScopedEnv installIni{"VARTO_INSTALL_INI", temp.file("install/install.ini")};

    std::string configFile(const std::string& name) const { return temp.file("config/" + name); }
    void writeConfig(const std::string& text) const { writeFile(configFile("config.ini"), text); }
};

std::string canonical(const char* path) { return std::filesystem::canonical(path).string(); }

TEST_F(SettingsTest, AbsentKeysGiveTheDefaultEverywhere) {
    EXPECT_EQ(progConfig_getStr(u"LogoClickUrl", u"d"), u"d");
    EXPECT_TRUE(progConfig_getBool(u"x", true));
    EXPECT_EQ(config_getStr(u"x", u"d"), u"d");
    EXPECT_FALSE(config_getBool(u"gs.useNewPdf", true));  // built in, whatever install.ini
    EXPECT_FALSE(config_getBool(u"ignorePdfUnlockFailed", false));
    EXPECT_EQ(config_getDword(u"x", 4000000000u), 4000000000u);
    EXPECT_EQ(config_getInt(u"x", -3), -3);
    EXPECT_EQ(config_getLong(u"x", -5000000000LL), -5000000000LL);
    EXPECT_EQ(config_getQword(u"x", 18000000000000000000ULL), 18000000000000000000ULL);
    EXPECT_EQ(config_getDouble(u"x", 2.5), 2.5);
    EXPECT_EQ(userConfig_getStr(u"x", u"d"), u"d");
    EXPECT_EQ(userConfig_getDword(u"LastUpdateCheck", 7), 7u);
    EXPECT_FALSE(config_hasStr(u"x") || config_hasBool(u"x") || config_hasDword(u"x") ||
                 config_hasInt(u"x") || config_hasLong(u"x") || config_hasQword(u"x") ||
                 config_hasDouble(u"x"));
    Props props{{u"keep", u"me"}};
    EXPECT_FALSE(userConfig_loadProfile(u"compress", u"lastUsedSettings", props));
    EXPECT_EQ(props, (Props{{u"keep", u"me"}}));
    EXPECT_FALSE(std::filesystem::exists(temp.file("config")));  // reading creates nothing
}

TEST_F(SettingsTest, InstallationValuesAndDefaults) {
    EXPECT_EQ(progConfig_getStr(u"BinDir", u"").toUtf8(), canonical(VARTO_BINARY_DIR "/bin"));
    EXPECT_EQ(progConfig_getStr(u"InstallDir", u"").toUtf8(), canonical(VARTO_BINARY_DIR));
    EXPECT_EQ(progConfig_getStr(u"GsWincCmdline", u""), u"gs");
    EXPECT_EQ(progConfig_getStr(u"QpdfCmdline", u""), u"qpdf");

    writeFile(temp.file("install/install.ini"),
              "[Settings]\nGsWincCmdline=/opt/gs -q\nPortable=yes\n");
    EXPECT_EQ(progConfig_getStr(u"GsWincCmdline", u""), u"/opt/gs -q");
    EXPECT_EQ(progConfig_getStr(u"QpdfCmdline", u""), u"qpdf");
    EXPECT_TRUE(progConfig_getBool(u"Portable", false));
    EXPECT_FALSE(config_hasStr(u"GsWincCmdline"));

    // The build tree carries an installation and the defaults for Linux.
    ScopedEnv useBuildTree("VARTO_INSTALL_INI", std::nullopt);
    EXPECT_EQ(progConfig_getStr(u"BinDir", u"").toUtf8(), canonical(VARTO_BINARY_DIR "/bin"));
    EXPECT_FALSE(config_getBool(u"gs.useNewPdf", true));
    EXPECT_FALSE(isFeatureEnabled(u"updateCheckBtns"));
    EXPECT_TRUE(isFeatureEnabled(u"embeddedBrowser"));

    // config.ini wins over the installation's defaults; user values, which
    // page scripts may write, never reach the general configuration.
    writeConfig("[Settings]\ngs.useNewPdf=true\nNoUpdateCheckBtns=false\n");
    EXPECT_TRUE(config_getBool(u"gs.useNewPdf", false));
    EXPECT_TRUE(isFeatureEnabled(u"updateCheckBtns"));
    userConfig_setBool(u"gs.useNewPdf", false);
    userConfig_setBool(u"NoUpdateCheckBtns", true);
    userConfig_setStr(u"Language", u"de");
    EXPECT_TRUE(config_getBool(u"gs.useNewPdf", false));
    EXPECT_TRUE(isFeatureEnabled(u"updateCheckBtns"));
    EXPECT_FALSE(config_hasStr(u"Language"));
    EXPECT_EQ(userConfig_getStr(u"Language", u""), u"de");
}

// As a person would expect of an INI file: a byte order mark, keys before
// any group, names in any case, and one bad line that costs only itself.
TEST_F(SettingsTest, HandWrittenConfigurationIsReadTolerantly) {
    writeConfig("\xEF\xBB\xBFlanguage=de\r\nthis line is no setting\n; a comment\n"
                "[Settings]\nGS.USENEWPDF=true\n=no name\nnoUpdateCheckBtns = false\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(config_getStr(u"Language", u""), u"de");
    EXPECT_TRUE(config_getBool(u"gs.useNewPdf", false));
    EXPECT_TRUE(isFeatureEnabled(u"updateCheckBtns"));
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(messages, "varto: settings file " + configFile("config.ini") +
                            " line 2 cannot be read and is skipped\n"
                            "varto: settings file " + configFile("config.ini") +
                            " line 6 cannot be read and is skipped\n");
}

TEST_F(SettingsTest, FeatureSwitchRule) {
    EXPECT_TRUE(isFeatureEnabled(u"embeddedBrowser") && isFeatureEnabled(u"updateCheckBtns") &&
                isFeatureEnabled(u"other"));
    writeConfig(
        "[Settings]\nNoEmbeddedBrowser=true\nfeature.other=false\nfeature.updateCheckBtns=0\n");
    EXPECT_FALSE(isFeatureEnabled(u"embeddedBrowser"));
    EXPECT_FALSE(isFeatureEnabled(u"feature.embeddedBrowser"));
    EXPECT_FALSE(isFeatureEnabled(u"other"));
    EXPECT_FALSE(isFeatureEnabled(u"feature.other"));  // not prefixed twice
    EXPECT_FALSE(isFeatureEnabled(u"updateCheckBtns"));
    // A false off-key leaves the decision to the feature key; unreadable values count as absent.
    writeConfig(
        "[Settings]\nNoEmbeddedBrowser=false\nfeature.embeddedBrowser=false\nNoUpdateCheckBtns="
        "maybe\n");
    EXPECT_FALSE(isFeatureEnabled(u"embeddedBrowser"));
    EXPECT_TRUE(isFeatureEnabled(u"updateCheckBtns"));
}

TEST_F(SettingsTest, HandWrittenValuesAreReadByType) {
    writeConfig(
        "# comment\n[Settings]\nneg=-42\nbig=18446744073709551615\ndbl= 2.5e-3 \nhex=0x10\n"
        "bad=12abc\nflag=TRUE\nhuge=3000000000\npath=C:\\Program Files\\x\n[Other]\nneg=1\n");
    EXPECT_EQ(config_getInt(u"neg", 0), -42);
    EXPECT_EQ(config_getDword(u"neg", 7), 7u);  // negative is no unsigned number
    EXPECT_EQ(config_getQword(u"big", 0), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(config_getLong(u"big", 9), 9);  // out of range
    EXPECT_EQ(config_getDouble(u"dbl", 0), 0.0025);
    EXPECT_EQ(config_getDword(u"hex", 0), 16u);
    EXPECT_EQ(config_getInt(u"bad", 5), 5);
    EXPECT_TRUE(config_hasStr(u"bad") && !config_hasInt(u"bad") && !config_hasBool(u"bad"));
    EXPECT_TRUE(config_getBool(u"flag", false));
    EXPECT_TRUE(config_hasDword(u"huge") && !config_hasInt(u"huge") && config_hasLong(u"huge"));
    EXPECT_EQ(config_getStr(u"path", u""), u"C:\\Program Files\\x");
}

TEST_F(SettingsTest, TypedValuesRoundTrip) {
    userConfig_setInt(u"int", std::numeric_limits<int32_t>::min());
    userConfig_setLong(u"long", std::numeric_limits<int64_t>::min());
    userConfig_setQword(u"qword", std::numeric_limits<uint64_t>::max());
    userConfig_setDword(u"LastUpdateCheck", std::numeric_limits<uint32_t>::max());
    userConfig_setDouble(u"double", -1.25e-300);
    userConfig_setDouble(u"tenth", 0.1);
    userConfig_setBool(u"bool", true);
    userConfig_setStr(u"str", u"Grüße = \"x\"; #1 [a]\nzweite Zeile");
    userConfig_setInt(u"int2", -1);
    userConfig_setInt(u"int2", -2);

    // The same text in config.ini reads back as the typed values.
    std::filesystem::rename(configFile("user.ini"), configFile("config.ini"));
    EXPECT_EQ(config_getInt(u"int", 0), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(config_getLong(u"long", 0), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(config_getQword(u"qword", 0), std::numeric_limits<uint64_t>::max());
    EXPECT_EQ(config_getDword(u"LastUpdateCheck", 0), std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(config_getDouble(u"double", 0), -1.25e-300);
    EXPECT_EQ(config_getDouble(u"tenth", 0), 0.1);
    EXPECT_TRUE(config_getBool(u"bool", false));
    EXPECT_EQ(config_getStr(u"str", u""), u"Grüße = \"x\"; #1 [a]\nzweite Zeile");
    EXPECT_EQ(config_getStr(u"int2", u""), u"-2");
}

TEST_F(SettingsTest, NumbersUseAPointUnderAGermanLocale) {
    std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    userConfig_setDouble(u"ratio", 1234.5);
    writeConfig("[Settings]\nscale=0.75\n");
    double scale = config_getDouble(u"scale", 0);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_NE(readFile(configFile("user.ini")).find("ratio=1234.5\n"), std::string::npos);
    EXPECT_EQ(scale, 0.75);
}

TEST_F(SettingsTest, ProfilesRoundTripAnyText) {
    Props saved{{u"empty", u""},
                {u"equals", u"a=b=c"},
                {u"semicolon", u"x;y;"},
                {u"hash", u"#no comment"},
                {u"bracket", u"[section]"},
                {u"lines", u"one\ntwo\r\nthree\n"},
                {u"nonAscii", u"Größe 日本語 \U0001F600"},
                {u"spaces", u"  padded  "},
                {u"backslash", u"C:\\n\\"},
                {u"key=[odd]#chars ", u"v"},
                {u"#leading", u"w"},
                {u"percent%41", u"%"}};
    userConfig_saveProfile(u"compress", u"lastUsedSettings", saved);
    userConfig_saveProfile(u"compress", u"other", Props{{u"dpi", u"72"}});
    Props loaded;
    EXPECT_TRUE(userConfig_loadProfile(u"compress", u"lastUsedSettings", loaded));
    EXPECT_EQ(loaded, saved);

    // Saving replaces the whole profile and leaves the others alone.
    userConfig_saveProfile(u"compress", u"lastUsedSettings", Props{{u"dpi", u"300"}});
    Props replaced, other;
    EXPECT_TRUE(userConfig_loadProfile(u"compress", u"lastUsedSettings", replaced));
    EXPECT_EQ(replaced, (Props{{u"dpi", u"300"}}));
    EXPECT_TRUE(userConfig_loadProfile(u"compress", u"other", other));
    EXPECT_EQ(other, (Props{{u"dpi", u"72"}}));
}

TEST_F(SettingsTest, TwoProcessesSavingAtOnceLoseNothing) {
    int start[2];
    ASSERT_EQ(pipe(start), 0);
    pid_t children[2];
    for (int id = 0; id < 2; ++id) {
        children[id] = fork();
        ASSERT_GE(children[id], 0);
        if (children[id] > 0) continue;
        char go = 0;
        close(start[1]);
        if (read(start[0], &go, 1) != 1) _exit(2);  // both start together
        for (int i = 0; i < 200; ++i) {
            userConfig_setDword(ZString::format(u"p%d_%d", id, i), i);
            userConfig_saveProfile(
                u"race", ZString::format(u"p%d", id),
                Props{{u"count", ZString::format(u"%d", i)}, {u"text", u"a=b;#[c]\nd"}});
        }
        _exit(0);
    }
    close(start[0]);
    ASSERT_EQ(write(start[1], "gg", 2), 2);
    close(start[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int id = 0; id < 2; ++id) {
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(userConfig_getDword(ZString::format(u"p%d_%d", id, i), 9999), uint32_t(i))
                << id << " " << i;
        Props profile;
        EXPECT_TRUE(userConfig_loadProfile(u"race", ZString::format(u"p%d", id), profile));
        EXPECT_EQ(profile, (Props{{u"count", u"199"}, {u"text", u"a=b;#[c]\nd"}}));
    }
    for (const auto& entry : std::filesystem::directory_iterator(temp.file("config"))) {
        std::string name = entry.path().filename().string();  // no temporary or damaged files
        EXPECT_TRUE(name == "user.ini" || name == "profiles.ini" || name.ends_with(".ini.lock"))
            << name;
    }
}

TEST_F(SettingsTest, DamagedFilesAreReportedOnceReadAsEmptyAndKept) {
    const std::string damaged = "LastUpdateCheck=5\nthis line is no setting\n\xff\xfe\n";
    writeFile(configFile("user.ini"), damaged);
    writeFile(configFile("profiles.ini"), "[compress/lastUsedSettings\ndpi=1\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(userConfig_getDword(u"LastUpdateCheck", 0), 0u);
    EXPECT_FALSE(config_hasStr(u"LastUpdateCheck"));
    Props props;
    EXPECT_FALSE(userConfig_loadProfile(u"compress", u"lastUsedSettings", props));
    userConfig_setDword(u"LastUpdateCheck", 7);
    userConfig_saveProfile(u"compress", u"lastUsedSettings", Props{{u"dpi", u"96"}});
    std::string messages = testing::internal::GetCapturedStderr();

    size_t first = messages.find("user.ini");
    ASSERT_NE(first, std::string::npos) << messages;
    EXPECT_EQ(messages.find("user.ini", first + 1), std::string::npos) << messages;
    EXPECT_NE(messages.find("profiles.ini"), std::string::npos) << messages;
    // The first save kept the damaged files byte for byte.
    EXPECT_EQ(readFile(configFile("user.ini.bad")), damaged);
    EXPECT_EQ(readFile(configFile("profiles.ini.bad")), "[compress/lastUsedSettings\ndpi=1\n");
    EXPECT_EQ(userConfig_getDword(u"LastUpdateCheck", 0), 7u);
    EXPECT_TRUE(userConfig_loadProfile(u"compress", u"lastUsedSettings", props));
    EXPECT_EQ(props, (Props{{u"dpi", u"96"}}));
}

TEST_F(SettingsTest, ConfigurationFolderFollowsTheEnvironment) {
    TempFolder other;
    userConfig_setStr(u"where", u"first");
    {
        ScopedEnv noVarto("VARTO_CONFIG_HOME", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", other.path());
        EXPECT_EQ(userConfig_getStr(u"where", u"none"), u"none");
        userConfig_setStr(u"where", u"xdg");
        EXPECT_TRUE(std::filesystem::exists(other.file("varto/user.ini")));
    }
    EXPECT_EQ(userConfig_getStr(u"where", u"none"), u"first");
}

}  // namespace
