#pragma once

#include <memory>
#include <string>
#include <vector>

#include "async/GuiSyncedOp.h"
#include "async/Job.h"
#include "http/BufferOutput.h"
#include "http/FetchRequest.h"
#include "platform/web/Value.h"

namespace browser {

class EmbeddedBrowser;

// One fetchUrl call of the page: options read on the window's thread, the
// exchange on a pool thread, the result object built and handed to the
// options' "callback" back on the window's thread.
class FetchUrlJob : public async::Job, public async::GuiSyncedOp {
public:
    static constexpr int64_t kDefaultMaxSize = 0xA00000;

    // The largest "responseMaxSize" a page may ask for.
    static constexpr int64_t kMaxMaxSize = 0x40000000;

    // Reads the options; a failure to read them is reported through the
    // result, as the page expects.
    FetchUrlJob(EmbeddedBrowser& browser, const platform::web::Value& options);

    // False when a number among the options is not a whole number of its
    // range (a negative size, a NaN time-out, flags above 32 bits): the call
    // is then an invalid argument and nothing is fetched.
    static bool numbersValid(const platform::web::Value& options);

    // Whether the page may reach the address: http or https of one of the
    // allowed origins, or of a host listed in "EmbeddedBrowserFetchHosts"
    // ("host" for any port, "host:port" for one).
    static bool addressAllowed(const ZString& url, const std::vector<std::string>& allowedOrigins);

    void run() override;
    void runOnGui() override;
    // The program is quitting: the exchange ends and no result is delivered.
    void abort() override;

    // The result object as the page gets it (public for tests and benches).
    platform::web::Value buildResult() const;
    const http::FetchRequest& request() const { return request_; }

private:
    void readOptions(const platform::web::Value& options);
    // One exchange per allowed address, following redirects here so each
    // new address is checked before it is asked.
    bool fetch();

    EmbeddedBrowser& browser_;
    std::weak_ptr<bool> alive_;
    int objectId_ = 0;
    platform::web::Value options_;
    std::vector<std::string> allowedOrigins_;
    bool followRedirects_ = false;
    http::FetchRequest request_;
    int64_t maxSize_ = kDefaultMaxSize;
    std::unique_ptr<http::BufferOutput> output_;
    bool sent_ = false;
    bool optionsFailed_ = false;
    ZString responseCharset_;
    bool responseAsBinary_ = false;
    bool returnResponseHeaders_ = false;
    bool returnRequestHeaders_ = false;
};

}  // namespace browser
