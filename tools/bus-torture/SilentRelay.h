#pragma once

#include <atomic>
#include <thread>
#include <vector>

// A TCP forwarder on loopback between a subscriber and a decoder board: each
// link it takes is joined to the current board's port and bytes go both ways
// on a thread of its own. Freeze stops every link it holds, in both
// directions, and closes none: a board that lost power, or a cable pulled
// behind a switch, which no FIN ever tells of. Links taken later go to
// whichever board is current, so a board that takes the place of the
// silent one is reached through a fresh link only.
class cSilentRelay {
public:
    cSilentRelay() = default;
    ~cSilentRelay();
    cSilentRelay(const cSilentRelay&) = delete;
    cSilentRelay& operator=(const cSilentRelay&) = delete;

    // Listens on 127.0.0.1:PORT (retrying a port still held for a while).
    bool Listen(unsigned port);
    void SetBoard(unsigned port) { mBoardPort = port; }
    // Returns once no held link moves any more; their count.
    int Freeze();
    // Closes every link and the listener.
    void Close();

    // A loopback port free at the time of asking.
    static unsigned FreePort();

private:
    struct sLink {
        int fromSubscriber;
        int toBoard;
        bool bFrozen;
    };
    void Run();
    bool Forward(int from, int to);

    int mListen = -1;
    std::atomic<unsigned> mBoardPort{0};
    std::atomic<int> mFreezeAsked{0};
    std::atomic<int> mFreezeDone{0};
    std::atomic<int> mFrozenLinks{0};
    std::atomic<bool> mbStop{false};
    std::vector<sLink> mLinks; // the relay thread's only
    std::thread mThread;
};
