#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "base/ZString.h"
#include "platform/Fs.h"

namespace platform {

// Text that another program sends to a running window: a 32-bit tag and a
// UTF-16 text over the Unix socket "<runtime folder>/<class>.<pid>". The
// sender writes the tag (native byte order) and the text's code units, then
// shuts its side down; the window answers with a 32-bit result.
class CopyDataSocket {
public:
    using Handler = std::function<uint32_t(uint32_t tag, const ZString& text)>;

    CopyDataSocket();
    // Closes the socket and removes its file.
    ~CopyDataSocket();
    CopyDataSocket(const CopyDataSocket&) = delete;
    CopyDataSocket& operator=(const CopyDataSocket&) = delete;

    // Listens on the GUI thread's main context; the handler runs there for
    // each message, from this user only. False when the socket cannot be made.
    bool listen(const std::string& windowClass, Handler handler);
    const std::string& path() const { return path_; }

    // Sends to the newest listening window of the class. True once a window
    // answered (its answer in *answer); false when none is listening.
    static bool send(const std::string& windowClass, uint32_t tag, const ZString& text,
                     uint32_t* answer);

private:
    struct Connection;
    static int onListenReady(int fd, unsigned condition, void* self);
    static int onConnectionReady(int fd, unsigned condition, void* connection);
    void finish(Connection* connection, bool complete);

    std::string path_;
    fs::UniqueFd listenFd_;
    unsigned listenSource_ = 0;
    Handler handler_;
    std::map<Connection*, std::unique_ptr<Connection>> connections_;
};

}  // namespace platform
