#pragma once

#include <cstdint>

#include "base/ZString.h"

namespace http {

// Transport events by their designed status codes, dispatched to operations
// of the receiver; codes without an operation here are ignored.
class StatusCallback {
public:
    enum : uint32_t {
        ResolvingName = 10,
        NameResolved = 11,
        Connecting = 20,
        Connected = 21,
        SendingRequest = 30,
        RequestSent = 31,
        ReceivingResponse = 40,
        ResponseReceived = 41,
        HandleCreated = 60,
        HandleClosing = 70,
        RequestComplete = 100,
        Redirect = 110,
    };

    virtual ~StatusCallback() = default;

    void status(uint32_t code, const ZString& info = ZString());

protected:
    virtual void onConnecting(const ZString& /*address*/) {}
    virtual void onConnected() {}
    virtual void onRedirect(const ZString& /*target*/) {}
};

}  // namespace http
