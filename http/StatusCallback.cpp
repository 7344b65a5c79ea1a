#include "http/StatusCallback.h"

namespace http {

void StatusCallback::status(uint32_t code, const ZString& info) {
    switch (code) {
        case Connecting:
            onConnecting(info);
            break;
        case Connected:
            onConnected();
            break;
        case Redirect:
            onRedirect(info);
            break;
        default:
            break;
    }
}

}  // namespace http
