#pragma once

#include <memory>
#include <string>

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

    // Reads the options; false (with the failure text) when they cannot be used.
    FetchUrlJob(EmbeddedBrowser& browser, const platform::web::Value& options);

    void run() override;
    void runOnGui() override;

    // The result object as the page gets it (public for tests and benches).
    platform::web::Value buildResult() const;
    const http::FetchRequest& request() const { return request_; }

private:
    void readOptions(const platform::web::Value& options);

    EmbeddedBrowser& browser_;
    std::weak_ptr<bool> alive_;
    int objectId_ = 0;
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
