#include "SettingsWindow.h"

#include <glib.h>

#include <cstdio>

#include "base/NumberParse.h"
#include "platform/gui/Gui.h"
#include "suite/IniFile.h"
#include "suite/Language.h"
#include "suite/Settings.h"
#include "suite/SettingsPaths.h"
#include "xhtml/CheckView.h"
#include "xhtml/DocumentRenderer.h"
#include "xhtml/FormElement.h"
#include "xhtml/SelectView.h"

namespace {

// The switches the form shows, with what the program takes when config.ini
// does not name them.
struct Switch {
    const char16_t* key;
    bool byDefault;
};
constexpr Switch kSwitches[] = {
    {u"gs.useNewPdf", false},          {u"compress.shareObjects", true},
    {u"compress.slimFonts", true},     {u"compress.planner", true},
    {u"compress.reencode", true},      {u"compress.keepEncryption", true},
    {u"ignorePdfUnlockFailed", false},
};
constexpr const char16_t* kHideUpdates = u"NoUpdateCheckBtns";

// Whole numbers the form takes, each with its range and the mark that says
// it was refused. Empty: the key is removed and the program's default holds.
struct Number {
    const char16_t* key;
    const char16_t* markId;
    int most;
};
constexpr Number kNumbers[] = {
    {u"compress.parallelFiles", u"parallelFilesMark", 64},
    {u"compress.targetMinQuality", u"targetMinQualityMark", 100},
    {u"compress.targetMinDpi", u"targetMinDpiMark", 600},
};

bool validNumber(const ZString& text, int most) {
    if (text.isEmpty()) return true;
    int count = 0;
    return parsePositiveInt(text.toUtf8(), most, count);
}

// The key's name as the file already spells it (names match without regard
// to case), so a value is replaced rather than given twice.
std::string keyInFile(GKeyFile* file, const char* group, const std::string& key) {
    gsize count = 0;
    gchar** keys = g_key_file_get_keys(file, group, &count, nullptr);
    std::string found = key;
    for (gsize i = 0; i < count; ++i) {
        if (g_ascii_strcasecmp(keys[i], key.c_str()) == 0) found = keys[i];
    }
    g_strfreev(keys);
    return found;
}

}  // namespace

SettingsWindow::SettingsWindow(xhtml::ViewContext* context) : FrameView(context) {}

bool SettingsWindow::initialize() {
    if (!create(nullptr, 0, 0, 1, 1, platform::gui::kNoResize, 0, lang_getStr(u"settings/title"))) {
        return false;
    }
    getWindow().setIconFromModule("", 100);
    setScrollMode(kBothAxes, kScrollNever);
    setAutoSize(true, true);
    context()->setListener(this);
    loadUrl(u"res:///settings.xhtml");
    loadValues();
    for (const Number& number : kNumbers) {
        if (xhtml::View* mark = findViewById(number.markId)) mark->setHidden(true);
    }
    scheduleUpdate(true);
    getWindow().centerOnOwner();
    getWindow().show(true);
    getWindow().bringToTop();
    return true;
}

void SettingsWindow::filterMarkup(ZString& text) { xhtml::applyWindowLanguage(text); }

void SettingsWindow::loadValues() {
    setValue(u"Language", config_getStr(u"Language", ZString()).trimmed());
    for (const Switch& item : kSwitches) {
        setValue(item.key, config_getBool(item.key, item.byDefault) ? u"true" : u"false");
    }
    setValue(kHideUpdates, isFeatureEnabled(u"updateCheckBtns") ? u"false" : u"true");
    for (const Number& number : kNumbers) {
        setValue(number.key, config_getStr(number.key, ZString()).trimmed());
    }
}

void SettingsWindow::setValue(const ZString& name, const ZString& text) {
    forEachInTree([&](xhtml::View* view) {
        xhtml::FormElement* element = xhtml::FormElement::of(view);
        if (!element || element->getNameText() != name) return true;
        if (view->type() == xhtml::kCheckView) {
            static_cast<xhtml::CheckView*>(view)->setChecked(text == u"true", false);
        } else if (view->type() == xhtml::kSelectView) {
            static_cast<xhtml::SelectView*>(view)->selectValue(text, false);
        } else {
            element->setValue(text);
        }
        return false;
    });
}

ZString SettingsWindow::value(const ZString& name) {
    ZString found;
    forEachInTree([&](xhtml::View* view) {
        xhtml::FormElement* element = xhtml::FormElement::of(view);
        if (!element || element->getNameText() != name) return true;
        if (view->type() == xhtml::kCheckView) {
            found = static_cast<xhtml::CheckView*>(view)->getCheckedText();
        } else if (view->type() == xhtml::kSelectView) {
            found = static_cast<xhtml::SelectView*>(view)->selectedValues();
        } else {
            element->getValue(found);
        }
        return false;
    });
    return found.trimmed();
}

bool SettingsWindow::save() {
    // Every refused value is marked at once, not one per click.
    bool good = true;
    std::vector<std::pair<std::string, std::string>> numbers;
    for (const Number& number : kNumbers) {
        ZString text = value(number.key);
        bool valid = validNumber(text, number.most);
        if (xhtml::View* mark = findViewById(number.markId)) mark->setHidden(valid);
        good = good && valid;
        numbers.emplace_back(ZString(number.key).toUtf8(), text.toUtf8());
    }
    scheduleUpdate(false);
    if (!good) return false;

    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back("Language", value(u"Language").toUtf8());
    for (const Switch& item : kSwitches) {
        values.emplace_back(ZString(item.key).toUtf8(), value(item.key).toUtf8());
    }
    values.emplace_back(ZString(kHideUpdates).toUtf8(), value(kHideUpdates).toUtf8());
    bool written = IniFile::update(
        SettingsPaths::configIni(),
        [&](GKeyFile* file) {
            const char* group = IniFile::kDefaultGroup;
            for (const auto& [key, text] : values) {
                g_key_file_set_string(file, group, keyInFile(file, group, key).c_str(),
                                      text.c_str());
            }
            for (const auto& [key, text] : numbers) {
                std::string spelt = keyInFile(file, group, key);
                if (text.empty()) {
                    g_key_file_remove_key(file, group, spelt.c_str(), nullptr);
                } else {
                    g_key_file_set_string(file, group, spelt.c_str(), text.c_str());
                }
            }
        },
        true);
    if (!written) {
        std::fprintf(stderr, "varto-Settings: %s could not be written\n",
                     SettingsPaths::configIni().c_str());
    }
    return written;
}

void SettingsWindow::onLButtonUp(xhtml::View* view) {
    ZString id = view->getId();
    if (id == u"actionOk") {
        if (save()) close();
    } else if (id == u"actionCancel") {
        close();
    }
}

void SettingsWindow::close() {
    if (closed_) return;
    closed_ = true;
    platform::gui::Gui::quit(0);
}

intptr_t SettingsWindow::handleMessage(win::Message& message) {
    if (message.msg == win::Msg::Close || message.msg == win::Msg::Destroy) {
        close();
        return 0;
    }
    return FrameView::handleMessage(message);
}
