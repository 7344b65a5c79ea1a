#include "xhtml/DocumentRenderer.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Resources.h"
#include "suite/LangPlaceholders.h"
#include "suite/Language.h"
#include "xhtml/BoxView.h"
#include "xhtml/UrlLoader.h"

namespace xhtml {

namespace gfx = platform::gfx;

namespace {

// A document whose texts go through the language placeholders first.
class LocalizedDocument : public HtmlView {
public:
    LocalizedDocument(ViewContext* context, bool applyLanguage)
        : HtmlView(context), applyLanguage_(applyLanguage) {}
    void filterMarkup(ZString& text) override {
        if (applyLanguage_) applyWindowLanguage(text);
    }

private:
    bool applyLanguage_;
};

// Answers the window's banner address with the resource library's banner
// in the current language, as the application's loader does.
class RenderUrlLoader : public UrlLoader {
public:
    explicit RenderUrlLoader(const ZString& base) : UrlLoader(base) {}
    uint32_t load(const ZString& url, std::string& bytes) override {
        if (!url.startsWith(u"bannerUrl://")) return UrlLoader::load(url, bytes);
        LangInfo info;
        lang_getCurrent(info);
        const std::string localized = "banner_" + info.code.toLower().toUtf8() + ".png";
        const size_t before = bytes.size();
        if (!platform::Resources::read("resources", localized, bytes) &&
            !platform::Resources::read("resources", "banner_en.png", bytes))
            return 0;
        return static_cast<uint32_t>(bytes.size() - before);
    }
};

bool isNativeControl(int32_t type) {
    return type == kEditView || type == kTextAreaView || type == kSelectView ||
           type == kObjectView || type == kControlView || type == kFileChooseView ||
           type == kCheckView || type == kRadioView;
}

void setMouseFlags(View* view, uint32_t flags) {
    if (view) view->setStateFlags(view->stateFlags() | flags);
}

}  // namespace

void applyWindowLanguage(ZString& text) {
    text = applyLangPlaceholders(text);
    // The window names its update link this way too.
    const ZString key = u"{updateTxt}";
    const ZString label = lang_getStr(u"compress/check-for-updates");
    for (int at = text.find(key); at >= 0; at = text.find(key, at + label.length())) {
        text.replace(at, at + key.length(), label);
    }
}

std::unique_ptr<UrlLoader> makeWindowUrlLoader(const ZString& base) { return std::make_unique<RenderUrlLoader>(base); }

DocumentRenderer::DocumentRenderer(Options options)
    : options_(std::move(options)), previousDpi_(View::screenDpi()) {
    View::setScreenDpi(options_.dpi);
    context_ = std::make_unique<ViewContext>();
    document_ = std::make_unique<LocalizedDocument>(context_.get(), options_.applyLanguage);
}

DocumentRenderer::~DocumentRenderer() {
    document_.reset();
    context_.reset();
    View::setScreenDpi(previousDpi_);
}

bool DocumentRenderer::load(const std::string& fileOrUrl, std::string* error) {
    if (fileOrUrl.find("://") != std::string::npos) {
        const ZString url = ZString::fromUtf8(fileOrUrl);
        context_->setUrlLoader(std::make_unique<RenderUrlLoader>(url));
        if (!document_->loadUrl(url)) {
            if (error) *error = "nothing could be read from " + fileOrUrl;
            return false;
        }
        applyMouseStates();
        return true;
    }
    std::ifstream in(fileOrUrl, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + fileOrUrl;
        return false;
    }
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const ZString base =
        ZString::fromUtf8("file://" + std::filesystem::absolute(fileOrUrl).string());
    loadMarkup(UrlLoader::textFromBytes(bytes), base);
    return true;
}

void DocumentRenderer::loadMarkup(const ZString& markup, const ZString& baseUrl) {
    context_->setUrlLoader(std::make_unique<RenderUrlLoader>(baseUrl));
    document_->setMarkup(markup, baseUrl);
    applyMouseStates();
}

void DocumentRenderer::applyMouseStates() {
    if (!options_.hoverId.isEmpty())
        setMouseFlags(document_->findViewById(options_.hoverId), kHovered);
    if (!options_.pressedId.isEmpty())
        setMouseFlags(document_->findViewById(options_.pressedId), kHovered | kLeftPressed);
}

Size DocumentRenderer::layout() {
    int width = options_.width;
    if (width < 0) {
        // The window sizes itself to the body: its content measured without
        // room to spare, so fixed widths count and text does not stretch it.
        View* body = document_->findFirstByType(kBodyView);
        BoxView* box = body ? static_cast<BoxView*>(body) : document_.get();
        width = box->outerSizeOf(box->measureContent(0)).width;
        if (box != document_.get()) width = document_->outerSizeOf({width, 0}).width;
    }
    Rect used;
    document_->layoutInRect({0, 0, width, 0}, used);
    ViewEvent attach{ViewEvent::kAttach, false};
    document_->handleEvent(attach);
    page_ = document_->getSize();
    return page_;
}

std::unique_ptr<gfx::Dc> DocumentRenderer::paint() {
    auto dc = gfx::Dc::createImage(page_.width, page_.height);
    const Rect all{0, 0, page_.width, page_.height};
    dc->fillRect(all, gfx::Color::rgb(255, 255, 255));
    document_->paint(*dc, all);
    // Where the window will put native controls (and the self-drawn check
    // boxes, which are drawn with the window's theme), an empty field.
    document_->forEachInTree([&](View* view) {
        if (!isNativeControl(view->type()) || !view->isVisibleInTree()) return true;
        auto* box = static_cast<BoxView*>(view);
        const Rect field = box->getBorderBox();
        if (field.isEmpty() || !box->attached()) return true;
        dc->fillRect(field, gfx::Color::rgb(255, 255, 255));
        const gfx::Color frame = gfx::Color::rgb(0x7A, 0x7A, 0x7A);
        dc->line({field.left, field.top}, {field.right, field.top}, frame);
        dc->line({field.left, field.bottom - 1}, {field.right, field.bottom - 1}, frame);
        dc->line({field.left, field.top}, {field.left, field.bottom}, frame);
        dc->line({field.right - 1, field.top}, {field.right - 1, field.bottom}, frame);
        return true;
    });
    return dc;
}

}  // namespace xhtml
