#include "app/LinkStatus.h"

#include "bus/ZmqQtListenerBase.h"

#include <QStringList>

#include <algorithm>

void cLinkStatus::SetStream(const char* pName, const char* pPeer,
                            const cZmqQtListenerBase* pListener) {
    mpStream = pName;
    mpPeer = pPeer;
    mpStreamListener = pListener;
}

void cLinkStatus::Add(const char* pName, const cZmqQtListenerBase* pListener,
                      std::function<bool()> also) {
    mLinks.push_back({pName, pListener, std::move(also)});
}

QString cLinkStatus::Next(qint64 iNowMs) {
    QStringList parts;
    QStringList linked;
    QStringList down;
    if (mpStreamListener) {
        const unsigned long long count = mpStreamListener->HandedOut();
        std::rotate(mTicks.begin(), mTicks.begin() + 1, mTicks.end());
        mTicks.back() = {count, iNowMs};
        mTicksSeen = std::min(mTicksSeen + 1, int(mTicks.size()));
        const auto& oldest = mTicks[mTicks.size() - std::size_t(mTicksSeen)];
        if (mTicksSeen == 1 || count != mTicks[mTicks.size() - 2].first)
            mLastHeardMs = iNowMs;
        const qint64 silentS = (iNowMs - mLastHeardMs) / 1000;
        if (!mpStreamListener->Linked())
            down << mpPeer;
        else if (count != oldest.first && iNowMs > oldest.second)
            parts << QStringLiteral("%1 %2 Hz shown")
                         .arg(mpStream)
                         .arg(double(count - oldest.first) * 1000.0 /
                                  double(iNowMs - oldest.second),
                              0, 'f', 1);
        else if (silentS >= 60)
            parts << QStringLiteral("%1 silent %2 min").arg(mpPeer).arg(silentS / 60);
        else
            parts << QStringLiteral("%1 silent").arg(mpPeer);
    }
    for (const sLink& link : mLinks)
        (link.pListener->Linked() && (!link.also || link.also()) ? linked : down) << link.pName;
    if (!linked.isEmpty())
        parts << linked.join(QStringLiteral(", ")) + QStringLiteral(" linked");
    if (!down.isEmpty())
        parts << down.join(QStringLiteral(", ")) + QStringLiteral(" down");
    return parts.join(QStringLiteral("; "));
}
