#pragma once

namespace xhtml {

class View;

// Receives the document's notifications; every slot does nothing by default.
class EventListener {
public:
    virtual ~EventListener() = default;
    virtual void onLButtonDown(View* view) { (void)view; }
    virtual void onLButtonUp(View* view) { (void)view; }
    virtual void onRButtonDown(View* view) { (void)view; }
    virtual void onRButtonUp(View* view) { (void)view; }
    virtual void onLinkClicked(View* view) { (void)view; }
    virtual void onButtonClicked(View* view) { (void)view; }
    virtual void onClicked(View* view) { (void)view; }
    virtual void onFormNotify(View* view) { (void)view; }
    virtual void onSelectionChanged(View* view) { (void)view; }
    virtual void onFormNotify2(View* view) { (void)view; }
};

}  // namespace xhtml
