#pragma once

#include <QString>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class cZmqQtListenerBase;

// What the panel hears, in a line for the service's status (DECISIONS.md):
// the stream's rate while it comes, or its peer silent or down; then the
// other links, linked or down. For example
// "ED2 9.9 Hz shown; peer, app server, monitor linked; hw manager down".
class cLinkStatus {
public:
    // The stream whose rate is shown, under its name and its peer's.
    void SetStream(const char* pName, const char* pPeer, const cZmqQtListenerBase* pListener);
    // A link that is only linked or down; also is what else it needs (the
    // peer's end of an outbound socket), asked at each Next.
    void Add(const char* pName, const cZmqQtListenerBase* pListener,
             std::function<bool()> also = {});

    // The text for now; called once a second, on the heartbeat's tick.
    QString Next(qint64 iNowMs);

    // Seconds of the rate's window.
    static constexpr int kWindow = 10;

private:
    struct sLink {
        const char* pName;
        const cZmqQtListenerBase* pListener;
        std::function<bool()> also;
    };
    const char* mpStream = "";
    const char* mpPeer = "";
    const cZmqQtListenerBase* mpStreamListener = nullptr;
    std::vector<sLink> mLinks;
    // The stream's count and the time at each of the last ticks, oldest first.
    std::array<std::pair<unsigned long long, qint64>, kWindow + 1> mTicks{};
    int mTicksSeen = 0;
    qint64 mLastHeardMs = 0;
};
