// Parse and build timing of the window document and of a generated 200 KB
// document, against the time to merely copy their text.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "xhtml/HtmlView.h"
#include "xhtml/MarkupParser.h"
#include "xhtml/UrlLoader.h"

namespace {

// CPU time of this thread: on a shared, busy machine wall-clock time would
// mostly measure the other processes.
double threadMicros() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

// Median of `runs` timings of `work`, in microseconds. What `work` returns
// is destroyed outside the timing: tearing a document down is not building it.
template <class Work>
double medianMicros(int runs, Work&& work) {
    std::vector<double> times;
    times.reserve(static_cast<size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const double start = threadMicros();
        auto result = work();
        times.push_back(threadMicros() - start);
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[static_cast<size_t>(runs / 2)];
}

// A document shaped like real pages: styled blocks, tables, links, words and
// form fields, repeated to the wanted size.
ZString generatedDocument(size_t minimumChars) {
    std::u16string text = u"<html><head><style>.a { color:red; width:10px } .a:hover { color:blue }"
                          u" #x { border:1px solid #E0E0E0 } td { padding:2px }</style></head><body>";
    int block = 0;
    while (text.size() < minimumChars) {
        const std::u16string n = std::u16string(u"n") + char16_t(u'0' + block % 10);
        text += u"<div class=\"a b\" id=\"" + n + u"\" style=\"margin:2px\">Some <b>bold</b> and "
                u"<i>italic</i> words with &amp; entities &raquo; in a line of text.<br/>"
                u"<table cellpadding=\"2\" border=\"1\"><tr><td width=\"40%\">cell one</td>"
                u"<td><a href=\"actionGo\">a link</a> <img src=\"x.png\" width=\"16\" height=\"16\"/></td></tr>"
                u"</table><input type=\"text\" name=\"f\" value=\"v\" size=\"4\"/>"
                u"<select name=\"s\"><option value=\"\" selected>none</option><option value=\"1\">one</option>"
                u"</select></div>\n";
        ++block;
    }
    text += u"</body></html>";
    return ZString(text);
}

struct Result {
    double copyMicros;
    double parseMicros;
    double buildMicros;
};

Result measure(const ZString& text, int runs) {
    Result r{};
    r.copyMicros = medianMicros(runs, [&] { return ZString(text); });
    r.parseMicros = medianMicros(runs, [&] { return xhtml::parseDocument(text); });
    r.buildMicros = medianMicros(runs, [&] {
        auto document = xhtml::HtmlView::createDocument();
        document->setMarkup(text);
        return document;
    });
    return r;
}

bool report(const char* name, const ZString& text, int runs, double goalMicros) {
    const Result r = measure(text, runs);
    std::printf("%s (%d characters, median of %d runs)\n", name, text.length(), runs);
    std::printf("  copy text          %10.1f us\n", r.copyMicros);
    std::printf("  parse              %10.1f us  (%.0f x copy)\n", r.parseMicros, r.parseMicros / r.copyMicros);
    std::printf("  parse and build    %10.1f us  (%.0f x copy)  goal < %.0f us: %s\n", r.buildMicros,
                r.buildMicros / r.copyMicros, goalMicros, r.buildMicros < goalMicros ? "met" : "MISSED");
    return r.buildMicros < goalMicros;
}

}  // namespace

int main() {
    ZString ui;
    if (!xhtml::UrlLoader().loadText(u"res:///ui.xhtml", ui)) {
        std::fprintf(stderr, "xhtml_parse_bench: res:///ui.xhtml is missing\n");
        return 2;
    }
    bool met = report("ui.xhtml", ui, 200, 1000.0);
    met = report("generated document", generatedDocument(200 * 1024), 21, 40000.0) && met;
    return met ? 0 : 1;
}
