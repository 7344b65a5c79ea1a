#include "xhtml/ViewAccessible.h"

#include <algorithm>
#include <map>

#include "platform/gfx/Dc.h"
#include "platform/gui/Message.h"
#include "platform/gui/Window.h"
#include "xhtml/ButtonView.h"
#include "xhtml/CheckView.h"
#include "xhtml/ControlView.h"
#include "xhtml/FrameView.h"
#include "xhtml/StyleTables.h"
#include "xhtml/WordView.h"

namespace xhtml {

namespace gui = platform::gui;
using Role = gui::AccessibleItem::Role;

namespace {

bool isField(const View* view) {
    return dynamic_cast<const ControlView*>(view) || view->type() == kCheckView ||
           view->type() == kRadioView;
}

void appendText(View* view, std::u16string& out) {
    if (!view->isVisible()) return;
    if (view->type() == kWordView) {
        out += static_cast<WordView*>(view)->text().view();
    } else if (view->type() == kBreakView) {
        out += u' ';
    } else if (auto* composite = dynamic_cast<CompositeView*>(view)) {
        for (int i = 0; i < composite->childCount(); ++i) appendText(composite->childAt(i), out);
    }
}

ZString collapsed(const std::u16string& text) {
    std::u16string out;
    bool space = false;
    for (char16_t c : text) {
        const bool blank = c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0xA0;
        if (blank) {
            space = !out.empty();
            continue;
        }
        if (space) out += u' ';
        space = false;
        out += c;
    }
    return ZString(out);
}

ZString altInside(View* view) {
    ZString alt;
    view->forEachInTree([&](View* inner) {
        if (inner->type() == kImageView)
            alt = inner->styleString(StyleId::AltText, ZString(), kStateNormal);
        return alt.isEmpty();
    });
    return alt;
}

// The first field in a view's subtree, or null.
View* fieldIn(View* view) {
    View* found = nullptr;
    view->forEachInTree([&](View* inner) {
        if (isField(inner)) found = inner;
        return found == nullptr;
    });
    return found;
}

bool hasInteractive(View* view) {
    bool found = false;
    view->forEachInTree([&](View* inner) {
        Role role;
        found = isField(inner) || ViewAccessible::interactiveRole(inner, role);
        return !found;
    });
    return found;
}

// The field a static cell names: the field of the next cell in its row,
// as forms lay labels and fields out in two columns.
View* fieldBesideCell(View* cell) {
    CompositeView* row = cell->parent();
    if (!row || row->type() != kRowView) return nullptr;
    const int at = row->indexOf(cell);
    for (int i = at + 1; i < row->childCount(); ++i) {
        View* next = row->childAt(i);
        if (next->type() == kCellView) return fieldIn(next);
    }
    return nullptr;
}

class Collector {
public:
    Collector(FrameView& frame, std::vector<gui::AccessibleItem>& items, std::vector<View*>& views)
        : frame_(frame), items_(items), views_(views), viewport_(frame.viewportRect()) {}

    void run() {
        walk(&frame_);
        resolveLabels();
    }

private:
    struct PendingLabel {
        size_t item;
        View* field;
    };

    size_t add(gui::AccessibleItem item, View* view) {
        items_.push_back(std::move(item));
        views_.push_back(view);
        return items_.size() - 1;
    }

    gui::AccessibleItem itemFor(View* view, Role role) {
        gui::AccessibleItem item;
        item.role = role;
        const Rect bounds = ViewAccessible::boundsOf(view);
        item.rect = frame_.toClient(bounds);
        item.showing = view->isVisibleInTree() && !bounds.intersect(viewport_).isEmpty();
        item.description = view->styleString(StyleId::Title, ZString(), kStateNormal);
        return item;
    }

    void walk(View* view) {
        if (!view->isVisible() || view->isDisplayNone()) return;
        if (view != &frame_) {
            if (auto* frame = dynamic_cast<FrameView*>(view); frame && frame->windowHandle()) {
                gui::AccessibleItem item = itemFor(view, Role::Window);
                item.window = frame->windowHandle();
                add(std::move(item), view);
                return;  // the nested frame shows its own document
            }
            if (auto* control = dynamic_cast<ControlView*>(view)) {
                std::vector<platform::WindowHandle> windows;
                control->appendWindows(windows);
                for (platform::WindowHandle window : windows) {
                    gui::AccessibleItem item = itemFor(view, Role::Window);
                    item.window = window;
                    fields_.emplace(view, add(std::move(item), view));
                }
                return;
            }
            if (Role role; ViewAccessible::interactiveRole(view, role)) {
                gui::AccessibleItem item = itemFor(view, role);
                item.name = ViewAccessible::nameOf(view);
                item.focusable = true;
                item.disabled = view->isDisabled();
                item.pressed = (view->stateFlags() & kLeftPressed) != 0;
                if (role == Role::CheckBox || role == Role::RadioButton)
                    item.checked = static_cast<CheckView*>(view)->isChecked();
                fields_.emplace(view, add(std::move(item), view));
                return;  // its text is its name
            }
            if (addLabel(view)) return;
        }
        if (auto* composite = dynamic_cast<CompositeView*>(view))
            for (int i = 0; i < composite->childCount(); ++i) walk(composite->childAt(i));
    }

    bool addLabel(View* view) {
        View* field = nullptr;
        const ZString target = view->styleString(StyleId::LabelFor, ZString(), kStateNormal);
        if (!target.isEmpty())
            field = frame_.findViewById(target);
        else if (view->type() == kCellView && !hasInteractive(view))
            field = fieldBesideCell(view);
        if (!field) return false;
        std::u16string text;
        appendText(view, text);
        gui::AccessibleItem item = itemFor(view, Role::Label);
        item.name = collapsed(text);
        if (item.name.isEmpty()) return false;
        labels_.push_back({add(std::move(item), view), field});
        return true;
    }

    // A label names its field; a field without text of its own takes the
    // label's text as its name (the tooltip stays its description).
    void resolveLabels() {
        for (const PendingLabel& label : labels_) {
            auto found = fields_.find(label.field);
            if (found == fields_.end()) continue;
            items_[label.item].labelFor = static_cast<int>(found->second);
            gui::AccessibleItem& field = items_[found->second];
            if (field.name.isEmpty() || field.role == Role::Window ||
                field.role == Role::CheckBox || field.role == Role::RadioButton)
                field.name = items_[label.item].name;
        }
    }

    FrameView& frame_;
    std::vector<gui::AccessibleItem>& items_;
    std::vector<View*>& views_;
    Rect viewport_;
    std::multimap<View*, size_t> fields_;  // field view -> its first item
    std::vector<PendingLabel> labels_;
};

}  // namespace

bool ViewAccessible::interactiveRole(const View* view, Item::Role& role) {
    switch (view->type()) {
        case kLinkView:
            if (view->styleString(StyleId::LinkTarget, ZString(), kStateNormal).isEmpty())
                return false;
            role = Role::Link;
            return true;
        case kButtonView:
            role = Role::Button;
            return true;
        case kCheckView:
            role = Role::CheckBox;
            return true;
        case kRadioView:
            role = Role::RadioButton;
            return true;
        default:
            break;
    }
    // A box the document gives the hand cursor is something to press: the
    // tool buttons are such boxes.
    const StyleValue* cursor = view->lookupStyle(StyleId::Cursor, kStateNormal);
    if (!cursor || cursor->toInt() != kCursorPointer || !dynamic_cast<const BoxView*>(view)) return false;
    role = Role::Button;
    return true;
}

ZString ViewAccessible::nameOf(View* view) {
    if (view->type() == kButtonView)
        if (ZString value = view->styleString(StyleId::FormValue, ZString(), kStateNormal);
            !value.isEmpty())
            return value;
    std::u16string text;
    appendText(view, text);
    ZString name = collapsed(text);
    if (name.isEmpty()) name = view->styleString(StyleId::Title, ZString(), kStateNormal);
    if (name.isEmpty()) name = altInside(view);
    return name;
}

Rect ViewAccessible::boundsOf(View* view) {
    if (auto* box = dynamic_cast<BoxView*>(view)) return box->getBorderBox();
    Rect bounds;
    bool any = false;
    if (auto* composite = dynamic_cast<CompositeView*>(view)) {
        for (int i = 0; i < composite->childCount(); ++i) {
            const Rect inner = boundsOf(composite->childAt(i));
            if (inner.isEmpty()) continue;
            bounds = any ? Rect{std::min(bounds.left, inner.left), std::min(bounds.top, inner.top),
                                std::max(bounds.right, inner.right),
                                std::max(bounds.bottom, inner.bottom)}
                         : inner;
            any = true;
        }
        return bounds;
    }
    return view->getRect();
}

void ViewAccessible::press(View* view) {
    // The pressed state lasts the click only; a check box toggles on release.
    view->setStateFlags(view->stateFlags() | kLeftPressed);
    view->onLButtonDown();
    view->setStateFlags((view->stateFlags() & ~kLeftPressed) | kLeftClick);
    view->onLButtonUp();
    view->setStateFlags(view->stateFlags() & ~kLeftClick);
}

void ViewAccessible::refresh() {
    if (!frame_.windowHandle()) return;
    std::vector<Item> items;
    std::vector<View*> views;
    collect(frame_, items, views);
    views_ = std::move(views);
    gui::AccessibleArea::setItems(frame_.windowHandle(), std::move(items));
}

void ViewAccessible::reset() {
    views_.clear();
    focusIndex_ = -1;
    if (frame_.windowHandle()) gui::AccessibleArea::setItems(frame_.windowHandle(), {});
}

void ViewAccessible::onFocusItem(int index) {
    if (index == focusIndex_) return;
    focusIndex_ = index;
    frame_.invalidateRect(nullptr);
}

bool ViewAccessible::isLive(const View* view) const {
    bool found = false;
    frame_.forEachInTree([&](View* candidate) {
        found = candidate == view;
        return !found;
    });
    return found;
}

bool ViewAccessible::pressItem(int index) {
    if (index < 0 || index >= static_cast<int>(views_.size())) return false;
    View* view = views_[static_cast<size_t>(index)];
    Role role;
    if (!view || !isLive(view) || !interactiveRole(view, role) || view->isDisabled()) return false;
    press(view);
    return true;
}

View* ViewAccessible::focusedView() const {
    if (focusIndex_ < 0 || focusIndex_ >= static_cast<int>(views_.size())) return nullptr;
    View* view = views_[static_cast<size_t>(focusIndex_)];
    return view && isLive(view) ? view : nullptr;
}

bool ViewAccessible::onKey(uint32_t key) {
    if (key != gui::kVkReturn && key != gui::kVkSpace) return false;
    if (!focusedView() || !gui::Window::hasFocus(frame_.windowHandle())) return false;
    return pressItem(focusIndex_);
}

void ViewAccessible::paintFocusRing(platform::gfx::Dc& dc) {
    View* view = focusedView();
    if (!view || !gui::Window::hasFocus(frame_.windowHandle())) return;
    Rect r = boundsOf(view);
    // Inside a box's border, around a link's text.
    const int inset = dynamic_cast<BoxView*>(view) ? view->scaleInt(2) : -1;
    r = {r.left + inset, r.top + inset, r.right - inset - 1, r.bottom - inset - 1};
    if (r.right <= r.left || r.bottom <= r.top) return;
    const platform::gfx::Color black = platform::gfx::Color::rgb(0, 0, 0);
    using platform::gfx::PenStyle;
    dc.line({r.left, r.top}, {r.right, r.top}, black, PenStyle::Dot);
    dc.line({r.right, r.top}, {r.right, r.bottom}, black, PenStyle::Dot);
    dc.line({r.right, r.bottom}, {r.left, r.bottom}, black, PenStyle::Dot);
    dc.line({r.left, r.bottom}, {r.left, r.top}, black, PenStyle::Dot);
}

void ViewAccessible::collect(FrameView& frame, std::vector<Item>& items, std::vector<View*>& views) {
    Collector(frame, items, views).run();
}

}  // namespace xhtml
