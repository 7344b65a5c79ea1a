#include "platform/web/WebView.h"

#include <webkit2/webkit2.h>

#include "base/Url.h"
#include "platform/GlibHandles.h"
#include "platform/ShellOpen.h"
#include "platform/gui/WindowData.h"

namespace platform::web {

namespace {

using ReplyPtr = CHandle<WebKitScriptMessageReply, webkit_script_message_reply_unref>;

// The bridge is split in two. The program's message channel exists only in
// a script world of its own, injected into the top frame of allowed pages
// (kRelay); the page's window.external (kShim) reaches it through DOM events
// on the top document, which frames of other origins cannot reach. Values
// cross between the worlds as JSON text.
constexpr const char* kWorld = "varto-bridge";

constexpr const char* kAllowedCheck = R"JS(
  var allowed = __ALLOWED__;
  if (location.href.indexOf('varto://res/') !== 0 && allowed.indexOf(location.origin) < 0) return;
)JS";

constexpr const char* kRelay = R"JS((function () {__CHECK__
  var channel = window.webkit.messageHandlers.varto, stringify = JSON.stringify, parse = JSON.parse;
  function answer(id, ok, value) {
    document.dispatchEvent(new CustomEvent('varto-answer', { detail: stringify({ id: id, ok: ok, value: value }) }));
  }
  document.addEventListener('varto-call', function (e) {
    if (typeof e.detail !== 'string') return;
    var call = parse(e.detail);
    channel.postMessage(call.message).then(function (value) { answer(call.id, true, value); },
      function (error) { answer(call.id, false, String(error && error.message !== undefined ? error.message : error)); });
  });
  // The program's calls of the page's objects (callbacks) come as answers to
  // a request that is always waiting: an answer carries no click with it,
  // as a script the program ran would.
  function poll() {
    channel.postMessage({ poll: true }).then(function (events) {
      (events || []).forEach(function (event) {
        document.dispatchEvent(new CustomEvent('varto-event', { detail: stringify(event) }));
      });
      poll();
    }, function () { setTimeout(poll, 250); });
  }
  poll();
})();)JS";

// window.external for allowed pages. Objects handed to a function are kept
// by id so the program can call their members (callbacks) later.
constexpr const char* kShim = R"JS((function () {__CHECK__
  var objects = {}, next = 1, pending = {}, nextCall = 1;
  var stringify = JSON.stringify, parse = JSON.parse, doc = document;
  var dispatch = EventTarget.prototype.dispatchEvent, Custom = CustomEvent, Prom = Promise;
  doc.addEventListener('varto-answer', function (e) {
    if (typeof e.detail !== 'string') return;
    var a = parse(e.detail), p = pending[a.id];
    if (!p) return;
    delete pending[a.id];
    if (a.ok) p.resolve(a.value === undefined ? null : a.value); else p.reject(new Error(a.value));
  });
  function pack(a) {
    if (a === undefined) return { __vartoUndefined: true };
    if (typeof a === 'function') { var f = next++; objects[f] = { callback: a }; return { __vartoObject: f }; }
    if (a && typeof a === 'object' && !Array.isArray(a)) {
      var id = next++; objects[id] = a; var c = {};
      for (var k in a) { if (typeof a[k] !== 'function') c[k] = a[k]; }
      c.__vartoObject = id; return c;
    }
    return a;
  }
  function post(name, kind, args) {
    var message = { name: name, kind: kind, args: Array.prototype.map.call(args, pack) };
    return new Prom(function (resolve, reject) {
      var id = nextCall++;
      pending[id] = { resolve: resolve, reject: reject };
      dispatch.call(doc, new Custom('varto-call', { detail: stringify({ id: id, message: message }) }));
    });
  }
  var ext = {};
  function holder(path) {
    var o = ext;
    for (var i = 0; i < path.length - 1; i++) { if (!o[path[i]]) o[path[i]] = {}; o = o[path[i]]; }
    return o;
  }
  __FUNCTIONS__.forEach(function (name) {
    var path = name.split('.');
    holder(path)[path[path.length - 1]] = function () { return post(name, 'method', arguments); };
  });
  __PROPERTIES__.forEach(function (name) {
    Object.defineProperty(ext, name, { enumerable: true,
      get: function () { return post(name, 'get', []); },
      set: function (v) { post(name, 'put', [v]); } });
  });
  doc.addEventListener('varto-event', function (e) {
    if (typeof e.detail !== 'string') return;
    var v = parse(e.detail), o = objects[v.id];
    if (!o) return;
    if (v.kind === 'invoke' && typeof o[v.member] === 'function') o[v.member].apply(o, v.args);
    else if (v.kind === 'set') o[v.member] = v.value;
    else if (v.kind === 'release') delete objects[v.id];
  });
  Object.defineProperty(window, 'external', { value: ext, configurable: false, writable: false });
})();)JS";

std::string jsonList(const std::vector<std::string>& names) {
    Value list = Value::array();
    for (const auto& n : names) list.items.push_back(Value::of(n));
    return list.toJson();
}

std::string replaceAll(std::string text, const std::string& what, const std::string& with) {
    size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
}

Value fromJsc(JSCValue* v, int depth = 0) {
    if (!v || jsc_value_is_undefined(v) || depth > 32) return Value();
    if (jsc_value_is_null(v)) return Value::null();
    if (jsc_value_is_boolean(v)) return Value::of(static_cast<bool>(jsc_value_to_boolean(v)));
    if (jsc_value_is_number(v)) return Value::of(jsc_value_to_double(v));
    if (jsc_value_is_string(v)) {
        GCharPtr s(jsc_value_to_string(v));
        return Value::of(std::string(s ? s.get() : ""));
    }
    if (jsc_value_is_array(v)) {
        Value out = Value::array();
        GObjectPtr<JSCValue> len(jsc_value_object_get_property(v, "length"));
        int n = len ? jsc_value_to_int32(len.get()) : 0;
        for (int i = 0; i < n; ++i) {
            GObjectPtr<JSCValue> item(jsc_value_object_get_property_at_index(v, i));
            out.items.push_back(fromJsc(item.get(), depth + 1));
        }
        return out;
    }
    if (jsc_value_is_object(v)) {
        if (jsc_value_object_has_property(v, "__vartoUndefined")) return Value();
        Value out = Value::object();
        gchar** names = jsc_value_object_enumerate_properties(v);
        for (gchar** p = names; p && *p; ++p) {
            GObjectPtr<JSCValue> m(jsc_value_object_get_property(v, *p));
            out.members.emplace_back(*p, fromJsc(m.get(), depth + 1));
        }
        g_strfreev(names);
        return out;
    }
    return Value();
}

void registerScheme();

}  // namespace

struct WebView::Impl {
    WebView* owner = nullptr;
    WindowHandle parent = nullptr;
    GtkWidget* view = nullptr;  // owned by the parent's layout; we hold a reference
    Handlers handlers;
    std::vector<std::string> allowed;
    // The address the program itself last loaded, as WebKit writes it.
    std::string programUri;
    // The page's waiting request for the program's calls of its objects,
    // and the calls not yet handed over.
    ReplyPtr poll;
    GObjectPtr<JSCContext> pollContext;
    Value events = Value::array();

    void deliverEvents() {
        if (!poll || events.items.empty()) return;
        answerPoll();
    }

    // Hands the waiting request what is queued (perhaps nothing).
    void answerPoll() {
        if (!poll) return;
        std::string json = events.toJson();
        GObjectPtr<JSCValue> answer(jsc_value_new_from_json(pollContext.get(), json.c_str()));
        webkit_script_message_reply_return_value(poll.get(), answer.get());
        poll.reset();
        events = Value::array();
    }

    void queueEvent(Value event) {
        events.items.push_back(std::move(event));
        deliverEvents();
    }
    gfx::Rect rect{-300, -300, 300, 300};
    bool visible = false;

    static gboolean onMessage(WebKitUserContentManager*, JSCValue* message, WebKitScriptMessageReply* reply,
                              gpointer data) {
        auto* self = static_cast<Impl*>(data);
        ReplyPtr keep(webkit_script_message_reply_ref(reply));
        const char* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(self->view));
        if (!uri || !originAllowed(uri, self->allowed) || !self->handlers.call) {
            webkit_script_message_reply_return_error_message(reply, "window.external is not available here");
            return TRUE;
        }
        Value m = fromJsc(message);
        if (m.member("poll").boolean) {
            // A newer request replaces one of a page that left, which gets
            // nothing of what is queued.
            Value queued = std::move(self->events);
            self->events = Value::array();
            self->answerPoll();
            self->events = std::move(queued);
            self->poll.reset(webkit_script_message_reply_ref(reply));
            // The answer is made in the context the request came from.
            self->pollContext.reset(JSC_CONTEXT(g_object_ref(jsc_value_get_context(message))));
            self->deliverEvents();
            return TRUE;
        }
        Call call;
        call.name = m.member("name").text;
        const std::string& kind = m.member("kind").text;
        call.kind = kind == "get" ? Call::Kind::Get : kind == "put" ? Call::Kind::Put : Call::Kind::Method;
        call.args = m.member("args").items;
        CallResult result = self->handlers.call(call);
        if (!result.ok) {
            webkit_script_message_reply_return_error_message(reply, result.error.c_str());
            return TRUE;
        }
        std::string json = result.value.isDefined() ? result.value.toJson() : "null";
        GObjectPtr<JSCValue> answer(
            jsc_value_new_from_json(jsc_value_get_context(message), json.c_str()));
        webkit_script_message_reply_return_value(reply, answer.get());
        return TRUE;
    }

    static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri, GError* error, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) return FALSE;
        // A page's navigation we refused: the page stays as it was.
        if (error->domain == WEBKIT_POLICY_ERROR && (!failingUri || self->programUri != failingUri)) return TRUE;
        if (self->handlers.navigationFailed) self->handlers.navigationFailed(-1);
        return TRUE;  // no error page of its own
    }

    static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
        auto* self = static_cast<Impl*>(data);
        if (event == WEBKIT_LOAD_COMMITTED) {
            // Calls meant for the page that left go nowhere.
            self->events = Value::array();
            WebKitWebResource* main = webkit_web_view_get_main_resource(view);
            WebKitURIResponse* response = main ? webkit_web_resource_get_response(main) : nullptr;
            int status = response ? static_cast<int>(webkit_uri_response_get_status_code(response)) : 0;
            if (status > 399 && self->handlers.navigationFailed) self->handlers.navigationFailed(status);
        } else if (event == WEBKIT_LOAD_FINISHED && self->handlers.navigationFinished) {
            // WebKit ends a request for a blocked address (a port such as 9)
            // on an empty page without reporting a failure.
            const char* uri = webkit_web_view_get_uri(view);
            if (uri && std::string(uri) == "about:blank" && self->handlers.navigationFailed)
                self->handlers.navigationFailed(-1);
            self->handlers.navigationFinished();
        }
    }

    static gboolean onDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                   gpointer data) {
        auto* self = static_cast<Impl*>(data);
        switch (type) {
            case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
                openElsewhere(webkit_navigation_policy_decision_get_navigation_action(
                    WEBKIT_NAVIGATION_POLICY_DECISION(decision)));
                webkit_policy_decision_ignore(decision);
                return TRUE;
            case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
                self->decideNavigation(decision);
                return TRUE;
            case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
                self->decideResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision));
                return TRUE;
        }
        return FALSE;
    }

    // A navigation of any frame (WebKit does not say which). The program's
    // own loads go; a click towards another site opens in the default
    // browser; other schemes than http and https are never loaded from a
    // page. Whether the top frame may show the page is decided on the answer.
    void decideNavigation(WebKitPolicyDecision* decision) {
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        const std::string uri = webkit_uri_request_get_uri(request) ? webkit_uri_request_get_uri(request) : "";
        const WebKitNavigationType kind = webkit_navigation_action_get_navigation_type(action);
        const bool click = webkit_navigation_action_is_user_gesture(action);
        if ((!programUri.empty() && uri == programUri) || uri == "about:blank" || uri == "about:srcdoc" ||
            mayBeTop(uri)) {
            webkit_policy_decision_use(decision);
            return;
        }
        if (uri.rfind("http://", 0) == 0 || uri.rfind("https://", 0) == 0) {
            if (!click) {
                webkit_policy_decision_use(decision);  // a frame's own page; the answer decides for the top
                return;
            }
            if (kind == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED || kind == WEBKIT_NAVIGATION_TYPE_OTHER)
                shell::open(ZString::fromUtf8(uri), u"");
        }
        webkit_policy_decision_ignore(decision);
    }

    // Nothing is ever downloaded, and the top frame shows only the allowed
    // pages (and what the program itself asked for).
    void decideResponse(WebKitResponsePolicyDecision* decision) {
        WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
        const char* raw = webkit_uri_response_get_uri(response);
        const std::string uri = raw ? raw : "";
        SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
        const char* disposition = headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
        while (disposition && g_ascii_isspace(*disposition)) ++disposition;
        const bool attachment = disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
        const bool top = webkit_response_policy_decision_is_main_frame_main_resource(decision);
        if (attachment || !webkit_response_policy_decision_is_mime_type_supported(decision) ||
            (top && uri != programUri && !mayBeTop(uri))) {
            webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
            return;
        }
        webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
    }

    // The top frame may show the allowed origins and the program's pages.
    bool mayBeTop(const std::string& uri) const { return WebView::originAllowed(uri, allowed); }

    // window.open() asks for a new view without a new-window decision.
    static GtkWidget* onCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer) {
        openElsewhere(action);
        return nullptr;
    }

    // New windows open in the desktop's handler, only for web and mail
    // addresses and only after a click.
    static void openElsewhere(WebKitNavigationAction* action) {
        WebKitURIRequest* request = action ? webkit_navigation_action_get_request(action) : nullptr;
        const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
        if (!uri || !webkit_navigation_action_is_user_gesture(action)) return;
        const std::string text = uri;
        if (text.rfind("http://", 0) == 0 || text.rfind("https://", 0) == 0 || text.rfind("mailto:", 0) == 0)
            shell::open(ZString::fromUtf8(text), u"");
    }

    // Only edit fields and selections keep the view's own menu.
    static gboolean onContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult* hit, gpointer) {
        return !(webkit_hit_test_result_context_is_editable(hit) || webkit_hit_test_result_context_is_selection(hit));
    }

    void place() {
        GtkWidget* client = gui::detail::clientOf(parent);
        if (!client || !view) return;
        if (gtk_widget_get_parent(view) != client)
            gtk_layout_put(GTK_LAYOUT(client), view, rect.left, rect.top);
        else
            gtk_layout_move(GTK_LAYOUT(client), view, rect.left, rect.top);
        gtk_widget_set_size_request(view, std::max(rect.width(), 1), std::max(rect.height(), 1));
    }
};

namespace {

void answerScheme(WebKitURISchemeRequest* request, gpointer) {
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    auto* impl = view ? static_cast<WebView::Impl*>(g_object_get_data(G_OBJECT(view), "varto-impl")) : nullptr;
    std::string data, mime;
    // The query and the fragment belong to the page, never to what is
    // served (a file's own "?" arrives escaped).
    std::string uri = webkit_uri_scheme_request_get_uri(request) ? webkit_uri_scheme_request_get_uri(request) : "";
    uri = uri.substr(0, uri.find_first_of("?#"));
    if (impl && impl->handlers.resolveScheme && impl->handlers.resolveScheme(uri, data, mime)) {
        GBytes* bytes = g_bytes_new(data.data(), data.size());
        GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_bytes(bytes));
        g_bytes_unref(bytes);
        webkit_uri_scheme_request_finish(request, stream.get(), static_cast<gint64>(data.size()), mime.c_str());
        return;
    }
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

gboolean refuseDestination(WebKitDownload* download, gchar*, gpointer) {
    webkit_download_cancel(download);
    return TRUE;
}

// Nothing a page does is ever saved to disk.
void cancelDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
    g_signal_connect(download, "decide-destination", G_CALLBACK(refuseDestination), nullptr);
    webkit_download_cancel(download);
}

void registerScheme() {
    static bool done = false;
    if (done) return;
    done = true;
    WebKitWebContext* context = webkit_web_context_get_default();
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    // Only "varto" pages (the program's own) may load or show "varto"
    // addresses: WebKit does not tell the handler which frame asks, so no web
    // page, of any origin, reaches the scheme; allowed pages use loadFromUrl.
    webkit_security_manager_register_uri_scheme_as_secure(security, "varto");
    webkit_security_manager_register_uri_scheme_as_display_isolated(security, "varto");
    webkit_web_context_register_uri_scheme(context, "varto", answerScheme, nullptr, nullptr);
    g_signal_connect(context, "download-started", G_CALLBACK(cancelDownload), nullptr);
}

}  // namespace

WebView::WebView(WindowHandle parent, Handlers handlers, std::vector<std::string> functionNames,
                 std::vector<std::string> propertyNames, std::vector<std::string> allowedOrigins)
    : impl_(std::make_unique<Impl>()) {
    impl_->owner = this;
    impl_->parent = parent;
    impl_->handlers = std::move(handlers);
    impl_->allowed = std::move(allowedOrigins);
    if (!gui::detail::clientOf(parent)) return;
    registerScheme();

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    std::string check = replaceAll(kAllowedCheck, "__ALLOWED__", jsonList(impl_->allowed));
    std::string shim = replaceAll(kShim, "__CHECK__", check);
    shim = replaceAll(shim, "__FUNCTIONS__", jsonList(functionNames));
    shim = replaceAll(shim, "__PROPERTIES__", jsonList(propertyNames));
    WebKitUserScript* script =
        webkit_user_script_new(shim.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
    std::string relay = replaceAll(kRelay, "__CHECK__", check);
    script = webkit_user_script_new_for_world(relay.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                              WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
    g_signal_connect(content, "script-message-with-reply-received::varto", G_CALLBACK(Impl::onMessage), impl_.get());
    webkit_user_content_manager_register_script_message_handler_with_reply(content, "varto", kWorld);

    impl_->view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "user-content-manager", content, nullptr));
    g_object_unref(content);
    g_object_ref_sink(impl_->view);
    g_object_set_data(G_OBJECT(impl_->view), "varto-impl", impl_.get());
    WebKitSettings* settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(impl_->view));
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_javascript_can_open_windows_automatically(settings, FALSE);
    g_signal_connect(impl_->view, "load-failed", G_CALLBACK(Impl::onLoadFailed), impl_.get());
    g_signal_connect(impl_->view, "load-changed", G_CALLBACK(Impl::onLoadChanged), impl_.get());
    g_signal_connect(impl_->view, "decide-policy", G_CALLBACK(Impl::onDecidePolicy), impl_.get());
    g_signal_connect(impl_->view, "create", G_CALLBACK(Impl::onCreate), impl_.get());
    g_signal_connect(impl_->view, "context-menu", G_CALLBACK(Impl::onContextMenu), impl_.get());
    // Files dropped on the banner go to the main window, not to the page.
    gtk_drag_dest_unset(impl_->view);
    gtk_widget_set_no_show_all(impl_->view, TRUE);
    impl_->place();
}

WebView::~WebView() {
    if (!impl_->view) return;
    g_signal_handlers_disconnect_by_data(impl_->view, impl_.get());
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(impl_->view));
    if (content) g_signal_handlers_disconnect_by_data(content, impl_.get());
    g_object_set_data(G_OBJECT(impl_->view), "varto-impl", nullptr);
    if (GtkWidget* p = gtk_widget_get_parent(impl_->view)) gtk_container_remove(GTK_CONTAINER(p), impl_->view);
    g_object_unref(impl_->view);
}

bool WebView::valid() const { return impl_->view != nullptr; }

void WebView::setRect(const gfx::Rect& rect) {
    impl_->rect = rect;
    impl_->place();
}

gfx::Rect WebView::rect() const { return impl_->rect; }

void WebView::navigate(const std::string& url) {
    if (!impl_->view) return;
    GObjectPtr<WebKitURIRequest> request(webkit_uri_request_new(url.c_str()));
    impl_->programUri = webkit_uri_request_get_uri(request.get());
    webkit_web_view_load_request(WEBKIT_WEB_VIEW(impl_->view), request.get());
}

void WebView::reload() {
    if (impl_->view) webkit_web_view_reload(WEBKIT_WEB_VIEW(impl_->view));
}

void WebView::show(bool visible) {
    if (!impl_->view) return;
    impl_->visible = visible;
    if (visible) {
        gtk_widget_show(impl_->view);
        gtk_widget_queue_draw(impl_->view);
    } else {
        gtk_widget_hide(impl_->view);
    }
}

bool WebView::isVisible() const { return impl_->view && gtk_widget_get_visible(impl_->view); }

std::string WebView::url() const {
    const char* uri = impl_->view ? webkit_web_view_get_uri(WEBKIT_WEB_VIEW(impl_->view)) : nullptr;
    return uri ? uri : "";
}

WindowHandle WebView::parent() const { return impl_->parent; }

void WebView::runScript(const std::string& script) {
    if (!impl_->view) return;
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(impl_->view), script.c_str(),
                                        static_cast<gssize>(script.size()), nullptr, nullptr, nullptr, nullptr,
                                        nullptr);
}

namespace {

// What the page's relay hears about one of its objects: the kind of call and
// the object's id, the call's own fields added by the caller.
Value objectEvent(const char* kind, int objectId) {
    Value event = Value::object();
    event.set("kind", Value::of(kind));
    event.set("id", Value::of(objectId));
    return event;
}

}  // namespace

void WebView::invokeMember(int objectId, const std::string& member, const Value& args) {
    Value event = objectEvent("invoke", objectId);
    event.set("member", Value::of(member));
    event.set("args", args);
    impl_->queueEvent(std::move(event));
}

void WebView::setMember(int objectId, const std::string& member, const Value& value) {
    Value event = objectEvent("set", objectId);
    event.set("member", Value::of(member));
    event.set("value", value);
    impl_->queueEvent(std::move(event));
}

void WebView::releaseObject(int objectId) { impl_->queueEvent(objectEvent("release", objectId)); }

void WebView::prepare() { registerScheme(); }

bool WebView::originAllowed(const std::string& url, const std::vector<std::string>& allowed) {
    // The program's own pages; never the page files of "varto://file/".
    if (url.rfind("varto://res/", 0) == 0) return true;
    // The round trip keeps every byte, so the text compared is the address's own.
    std::string origin = urlOrigin(ZString::fromUtf8(url)).toUtf8();
    if (origin.empty()) return false;
    for (const auto& a : allowed)
        if (a == origin) return true;
    return false;
}

}  // namespace platform::web
