#include "tools/bus-torture/SilentRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

namespace {

sockaddr_in Loopback(unsigned port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int ConnectTo(unsigned port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

cSilentRelay::~cSilentRelay() {
    Close();
}

unsigned cSilentRelay::FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    unsigned port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool cSilentRelay::Listen(unsigned port) {
    mListen = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(mListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in address = Loopback(port);
    for (int attempt = 0;
         bind(mListen, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0;
         ++attempt) {
        if (attempt == 100) {
            close(mListen);
            mListen = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    listen(mListen, 16);
    mbStop = false;
    mThread = std::thread([this] { Run(); });
    return true;
}

int cSilentRelay::Freeze() {
    const int asked = ++mFreezeAsked;
    while (mThread.joinable() && mFreezeDone < asked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return mFrozenLinks;
}

void cSilentRelay::Close() {
    mbStop = true;
    if (mThread.joinable())
        mThread.join();
    for (const sLink& link : mLinks) {
        close(link.fromSubscriber);
        close(link.toBoard);
    }
    mLinks.clear();
    if (mListen >= 0)
        close(mListen);
    mListen = -1;
}

bool cSilentRelay::Forward(int from, int to) {
    char buffer[65536];
    const ssize_t got = recv(from, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got <= 0)
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    for (ssize_t sent = 0; sent < got;) {
        const ssize_t n = send(to, buffer + sent, std::size_t(got - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

void cSilentRelay::Run() {
    while (!mbStop) {
        if (mFreezeDone < mFreezeAsked) {
            const int asked = mFreezeAsked;
            for (sLink& link : mLinks)
                if (!link.bFrozen) {
                    link.bFrozen = true;
                    ++mFrozenLinks;
                }
            mFreezeDone = asked;
        }
        // The listener first, then both ends of every live link.
        std::vector<pollfd> fds{{mListen, POLLIN, 0}};
        std::vector<std::size_t> owners;
        for (std::size_t i = 0; i < mLinks.size(); ++i)
            if (!mLinks[i].bFrozen) {
                fds.push_back({mLinks[i].fromSubscriber, POLLIN, 0});
                fds.push_back({mLinks[i].toBoard, POLLIN, 0});
                owners.push_back(i);
            }
        if (poll(fds.data(), fds.size(), 20) <= 0)
            continue;
        std::vector<std::size_t> dead;
        for (std::size_t k = 0; k < owners.size(); ++k) {
            sLink& link = mLinks[owners[k]];
            const bool bUp = !(fds[1 + 2 * k].revents & (POLLIN | POLLHUP | POLLERR)) ||
                             Forward(link.fromSubscriber, link.toBoard);
            const bool bDown = !(fds[2 + 2 * k].revents & (POLLIN | POLLHUP | POLLERR)) ||
                               Forward(link.toBoard, link.fromSubscriber);
            if (!bUp || !bDown)
                dead.push_back(owners[k]);
        }
        // A link whose either end went is closed whole, as a board's exit would.
        for (auto it = dead.rbegin(); it != dead.rend(); ++it) {
            close(mLinks[*it].fromSubscriber);
            close(mLinks[*it].toBoard);
            mLinks.erase(mLinks.begin() + long(*it));
        }
        if (fds[0].revents & POLLIN) {
            const int subscriber = accept(mListen, nullptr, nullptr);
            if (subscriber < 0)
                continue;
            const int board = ConnectTo(mBoardPort);
            if (board < 0) {
                close(subscriber); // no board yet: as if nothing listened
                continue;
            }
            // A stalled reader must not stall the relay.
            const timeval wait{0, 200000};
            setsockopt(subscriber, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
            setsockopt(board, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
            mLinks.push_back({subscriber, board, false});
        }
    }
}
