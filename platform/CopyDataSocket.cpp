#include "platform/CopyDataSocket.h"

#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/LockFile.h"

namespace platform {

namespace {

// A sender that stops writing does not hold a window forever.
constexpr size_t kMaxMessageBytes = 4 * 1024 * 1024;
constexpr int kSendTimeoutMs = 120000;

bool makeAddress(const std::string& path, sockaddr_un& address) {
    if (path.size() >= sizeof(address.sun_path)) return false;
    memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool sameUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 &&
           credentials.uid == getuid();
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    int result;
    do {
        result = poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

bool sendAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        ssize_t written = ::send(fd, data, count, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// Sockets of the class in the runtime folder, newest first.
std::vector<std::string> listeningSockets(const std::string& windowClass) {
    std::vector<std::pair<std::filesystem::file_time_type, std::string>> found;
    std::string folder = runtimeFolder();
    if (folder.empty()) return {};
    std::error_code error;
    std::string prefix = windowClass + ".";
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0 || !entry.is_socket(error)) continue;
        found.emplace_back(entry.last_write_time(error), entry.path().string());
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
    std::vector<std::string> paths;
    for (auto& item : found) paths.push_back(std::move(item.second));
    return paths;
}

fs::UniqueFd connectTo(const std::string& path) {
    sockaddr_un address;
    if (!makeAddress(path, address)) return fs::UniqueFd();
    fs::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return fs::UniqueFd();
    if (connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        return fs::UniqueFd();
    }
    return fd;
}

}  // namespace

struct CopyDataSocket::Connection {
    CopyDataSocket* owner = nullptr;
    fs::UniqueFd fd;
    unsigned source = 0;
    std::string bytes;
};

CopyDataSocket::CopyDataSocket() = default;

CopyDataSocket::~CopyDataSocket() {
    for (auto& item : connections_) g_source_remove(item.second->source);
    if (listenSource_) g_source_remove(listenSource_);
    if (!path_.empty()) unlink(path_.c_str());
}

bool CopyDataSocket::listen(const std::string& windowClass, Handler handler) {
    std::string folder = runtimeFolder();
    if (folder.empty()) return false;
    std::string path = folder + "/" + windowClass + "." + std::to_string(getpid());
    sockaddr_un address;
    if (!makeAddress(path, address)) return false;
    fs::UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return false;
    // A file of our pid is left over from an earlier process that had it.
    unlink(path.c_str());
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(fd.get(), 8) != 0) {
        return false;
    }
    path_ = path;
    handler_ = std::move(handler);
    listenFd_ = std::move(fd);
    listenSource_ = g_unix_fd_add(listenFd_.get(), G_IO_IN,
                                  reinterpret_cast<GUnixFDSourceFunc>(&onListenReady), this);
    return true;
}

int CopyDataSocket::onListenReady(int fd, unsigned, void* data) {
    auto* self = static_cast<CopyDataSocket*>(data);
    fs::UniqueFd client(accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!client || !sameUser(client.get())) return G_SOURCE_CONTINUE;
    auto connection = std::make_unique<Connection>();
    connection->owner = self;
    connection->fd = std::move(client);
    connection->source =
        g_unix_fd_add(connection->fd.get(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP),
                      reinterpret_cast<GUnixFDSourceFunc>(&onConnectionReady), connection.get());
    self->connections_[connection.get()] = std::move(connection);
    return G_SOURCE_CONTINUE;
}

int CopyDataSocket::onConnectionReady(int fd, unsigned, void* data) {
    auto* connection = static_cast<Connection*>(data);
    char buffer[65536];
    for (;;) {
        ssize_t count = recv(fd, buffer, sizeof(buffer), 0);
        if (count > 0) {
            connection->bytes.append(buffer, static_cast<size_t>(count));
            if (connection->bytes.size() > kMaxMessageBytes) break;
            continue;
        }
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return G_SOURCE_CONTINUE;
        connection->owner->finish(connection, count == 0);
        return G_SOURCE_REMOVE;
    }
    connection->owner->finish(connection, false);
    return G_SOURCE_REMOVE;
}

void CopyDataSocket::finish(Connection* connection, bool complete) {
    // Taken out of the list first: the handler may run a nested main loop.
    std::unique_ptr<Connection> owned = std::move(connections_[connection]);
    connections_.erase(connection);
    const std::string& bytes = owned->bytes;
    if (!complete || bytes.size() < 4 || bytes.size() % 2 != 0) return;
    uint32_t tag;
    memcpy(&tag, bytes.data(), 4);
    std::u16string units((bytes.size() - 4) / 2, u'\0');
    memcpy(units.data(), bytes.data() + 4, units.size() * 2);
    while (!units.empty() && units.back() == u'\0') units.pop_back();
    uint32_t answer = handler_ ? handler_(tag, ZString(std::u16string_view(units))) : 0;
    sendAll(owned->fd.get(), reinterpret_cast<const char*>(&answer), sizeof(answer));
}

bool CopyDataSocket::send(const std::string& windowClass, uint32_t tag, const ZString& text,
                          uint32_t* answer) {
    for (const std::string& path : listeningSockets(windowClass)) {
        fs::UniqueFd fd = connectTo(path);
        if (!fd) continue;  // a window that has gone away
        std::string message(reinterpret_cast<const char*>(&tag), sizeof(tag));
        message.append(reinterpret_cast<const char*>(text.data()),
                       static_cast<size_t>(text.length()) * 2);
        if (!sendAll(fd.get(), message.data(), message.size())) continue;
        shutdown(fd.get(), SHUT_WR);
        uint32_t result = 0;
        size_t got = 0;
        while (got < sizeof(result) && waitFor(fd.get(), POLLIN, kSendTimeoutMs)) {
            ssize_t count =
                recv(fd.get(), reinterpret_cast<char*>(&result) + got, sizeof(result) - got, 0);
            if (count < 0 && errno == EINTR) continue;
            if (count <= 0) break;
            got += static_cast<size_t>(count);
        }
        if (got != sizeof(result)) continue;
        if (answer) *answer = result;
        return true;
    }
    return false;
}

}  // namespace platform
