#include "FetchOptions.h"

#include <charconv>

#include "http/ConnectionFlags.h"

const char* const kFetchUsage =
    "usage: varto-fetch [-X METHOD] [-H 'Name: value']... [--data TEXT] [--data-encoding hex|base64]\n"
    "                   [--form NAME=VALUE]... [--content-type T] [--chunked] [--no-decode]\n"
    "                   [--max-size N] [--timeout MS] [--no-redirect] [--insecure] URL\n";

namespace {

bool readNumber(const std::string& text, long long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= 0;
}

ZString text(const std::string& arg) { return ZString::fromUtf8(arg); }

}  // namespace

FetchOptions FetchOptions::parse(const std::vector<std::string>& args) {
    FetchOptions options;
    http::FetchRequest& r = options.request;
    r.flags = 0;
    std::string url;
    auto fail = [&](std::string why) {
        options.error = std::move(why);
        return std::move(options);
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() -> const std::string& { return args[++i]; };
        const bool takesValue = arg == "-X" || arg == "-H" || arg == "--data" || arg == "--data-encoding" ||
                                arg == "--form" || arg == "--content-type" || arg == "--max-size" ||
                                arg == "--timeout";
        if (takesValue && !hasValue) return fail(arg + " needs a value");
        if (arg == "-X") {
            r.method = text(value());
        } else if (arg == "-H") {
            const std::string& header = value();
            const size_t colon = header.find(':');
            if (colon == std::string::npos || colon == 0) return fail("-H needs 'Name: value'");
            r.headers[text(header.substr(0, colon)).trimmed()] = text(header.substr(colon + 1)).trimmed();
        } else if (arg == "--data") {
            r.data = text(value());
        } else if (arg == "--data-encoding") {
            r.dataEncoding = text(value());
        } else if (arg == "--form") {
            const std::string& pair = value();
            const size_t equals = pair.find('=');
            if (equals == std::string::npos) return fail("--form needs NAME=VALUE");
            r.formValues[text(pair.substr(0, equals))] = text(pair.substr(equals + 1));
        } else if (arg == "--content-type") {
            r.contentType = text(value());
        } else if (arg == "--chunked") {
            options.chunked = true;
        } else if (arg == "--no-decode") {
            r.decodeContent = false;
        } else if (arg == "--max-size") {
            if (!readNumber(value(), options.maxSize)) return fail("--max-size needs a number of bytes");
        } else if (arg == "--timeout") {
            long long ms = 0;
            if (!readNumber(value(), ms) || ms > 0xffffffffLL) return fail("--timeout needs milliseconds");
            r.receiveTimeoutMs = r.sendTimeoutMs = static_cast<uint32_t>(ms);
        } else if (arg == "--no-redirect") {
            r.flags |= http::kFlagNoAutoRedirect;
        } else if (arg == "--insecure") {
            r.flags |= http::kFlagIgnoreCertCnInvalid | http::kFlagIgnoreCertDateInvalid;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else if (!url.empty()) {
            return fail("only one URL");
        } else {
            url = arg;
        }
    }
    if (url.empty()) return fail("no URL");
    r.url = text(url);
    return options;
}
