#include "bus/ZmqQtListenerBase.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QThreadPool>

#include <algorithm>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// A state stream parks no more than this many messages inside the bus
// library (an ED2 event takes about 150 kB there); beyond it they wait in
// the kernel and at the sender, which drops them when full. Room enough for
// a burst to be read whole and only its newest handed out.
constexpr int kStateReceiveHwm = 256;
// How long to let the bus library refill a full receive queue.
constexpr int kSettleMs = 1;
// Room for the topic beside a payload of the frame bound.
constexpr long long kTopicRoom = 256;
// A raw link without a frame bound still takes no frame beyond this.
constexpr int kUnboundFrameBytes = 1 << 20;
// A frame's header on the wire takes at most this many bytes.
constexpr long long kFrameHeaderBytes = 9;
// A TCP link may bring this much more than one whole message before it
// counts as endless.
constexpr long long kInflowSlack = 64LL * 1024;
// The bus library frees a cut link's memory on its own threads; give it back
// to the system after that.
constexpr int kGiveBackMs = 1000;

} // namespace

cZmqQtListenerBase::cZmqQtListenerBase(QObject* parent) : QObject(parent) {
    mClock.start();
    mEmitLater.setSingleShot(true);
    connect(&mEmitLater, &QTimer::timeout, this, &cZmqQtListenerBase::EmitNewestWhenDue);
    mStaleReport.setSingleShot(true);
    // A coarse timer this long may fire a second early, before the report
    // is due, and nothing would start it again.
    mStaleReport.setTimerType(Qt::PreciseTimer);
    connect(&mStaleReport, &QTimer::timeout, this, &cZmqQtListenerBase::ReportStale);
    connect(&mReader, &cSocketReader::sigRunEnded, this, [this](bool bDrained) {
        if (bDrained)
            mKeeper.NoteDrained();
        EmitNewestWhenDue();
    });
    mDropLine.setSingleShot(true);
    connect(&mDropLine, &QTimer::timeout, this, &cZmqQtListenerBase::ReportDropped);
    mGiveBack.setSingleShot(true);
    mGiveBack.setInterval(kGiveBackMs);
    connect(&mGiveBack, &QTimer::timeout, this, [] {
#ifdef __GLIBC__
        // Off the GUI thread: after a million small frames this takes up to a second.
        QThreadPool::globalInstance()->start([] { malloc_trim(0); });
#endif
    });
    connect(&mKeeper, &cLinkKeeper::sigCut, this, [this](long long iBytes) {
        ZqtError("%s: %lld bytes came without a whole message; the link is made again.",
                 mEndpoint.c_str(), iBytes);
        mGiveBack.start();
    });
    // A message left unfinished by a peer that went, a million frames of it
    // perhaps, was freed with its link.
    connect(&mKeeper, &cLinkKeeper::sigDropped, this, [this] {
        if (!mGiveBack.isActive())
            mGiveBack.start();
    });
}

cZmqQtListenerBase::~cZmqQtListenerBase() {
    CloseSocket();
}

void cZmqQtListenerBase::SetTopics(std::vector<sRoute> routes, const sLines& lines,
                                   eStages stages) {
    mRouter = cTopicRouter(std::move(routes), lines);
    mStages = stages;
}

void cZmqQtListenerBase::KeepNewestOnly(const char* pStreamName, cNewestOnlyGate::Check check,
                                        cNewestOnlyGate::Report report) {
    mpStreamName = pStreamName;
    if (!check)
        check = [this](zmsg_t* pMessage) { return int(mRouter.Check(pMessage)); };
    if (!report)
        report = [this](zmsg_t* pMessage) { mRouter.Report(pMessage); };
    mpGate = std::make_unique<cNewestOnlyGate>(std::move(check), std::move(report));
}

void cZmqQtListenerBase::SetMessageBounds(long long iFrames, long long iBytes) {
    mBounds = {iFrames, iBytes};
    mbBoundsSet = true;
}

void cZmqQtListenerBase::SockInit(const char* pEndpoint, int iMaxMessageBytes) {
    if (!pEndpoint) {
        ZqtError("Null input to SockInit().");
        return;
    }
    CloseSocket();
    BusEndpoints::InitRuntime();
    const bool bRaw = mbReadRaw && BusEndpoints::IsTcp(pEndpoint);
    zsock_t* pSocket = zsock_new(bRaw ? ZMQ_STREAM : ZMQ_SUB);
    if (!pSocket)
        return;
    // A raw link's bytes come in pieces of a few kilobytes: its bound is on frames, in the link.
    zsock_set_maxmsgsize(pSocket, bRaw ? -1 : iMaxMessageBytes);
    if (mpGate)
        zsock_set_rcvhwm(pSocket, kStateReceiveHwm);
    if (bRaw) {
        mpLink = std::make_unique<cZmtpLink>(
            pSocket, std::size_t(iMaxMessageBytes < 0 ? kUnboundFrameBytes : iMaxMessageBytes));
        connect(mpLink.get(), &cZmtpLink::sigCut, this, [this](const QString& why) {
            ZqtError("%s: %s; the link is made again.", mEndpoint.c_str(), qPrintable(why));
            mKeeper.Cut();
        });
    }
    BusEndpoints::SetLinkOptions(pSocket, pEndpoint);
    if (zsock_connect(pSocket, "%s", pEndpoint) != 0) {
        // The text carries its own line end, as the unit's other tools print it.
        ZqtError("Unable to connect to socket: %s\n", pEndpoint);
        zsock_destroy(&pSocket);
        return;
    }
    mpSocket = pSocket;
    mEndpoint = pEndpoint;
    if (!mbBoundsSet)
        mBounds = {2, iMaxMessageBytes < 0 ? -1 : iMaxMessageBytes + kTopicRoom};
    mbInitialised = true;
    mbJoined = true;
}

void cZmqQtListenerBase::SockSubscribe(const char* pTopic) {
    if (!mbInitialised) {
        ZqtError("You must initialize the socket before assigning topics.");
        return;
    }
    if (pTopic && mpLink)
        mpLink->Subscribe(pTopic);
    else if (pTopic && mpSocket)
        zsock_set_subscribe(mpSocket, pTopic);
    mbSubscribed = true;
}

void cZmqQtListenerBase::SockUnSubscribe(const char* pTopic) {
    if (!mbInitialised) {
        ZqtError("You must initialize the socket before unsubscribing topics.");
        return;
    }
    if (pTopic && mpLink)
        mpLink->Unsubscribe(pTopic);
    else if (pTopic && mpSocket)
        zsock_set_unsubscribe(mpSocket, pTopic);
}

void cZmqQtListenerBase::StartPolling(unsigned short uPeriodMs) {
    if (!mbInitialised || !mbSubscribed) {
        ZqtError("Socket must be initialized and assigned topics before polling starts.");
        return;
    }
    if (!mpSocket)
        return;
    if (mpGate)
        mpGate->SetPeriod(uPeriodMs);
    mPeriodMs = uPeriodMs;
    mEmitLater.stop();
    auto receive = [this](zmsg_t* pMessage) { Receive(pMessage); };
    auto dropped = [this](long long iFrames, long long iBytes) { OnDropped(iFrames, iBytes); };
    if (!mReader.Watching() &&
        !(mpLink ? mReader.Watch(mpLink.get(), mpSocket, receive, mBounds, dropped)
                 : mReader.Watch(mpSocket, receive, mBounds, dropped))) {
        ZqtError("Unable to connect timer to slot in ZmqQtListener.");
        return;
    }
    // Watching again would cancel a rest under way, and a left endpoint
    // would never be joined again.
    if (!mKeeper.Watching()) {
        const long long wire = mBounds.iBytes < 0 || mBounds.iFrames < 0
                                   ? -1
                                   : mBounds.iBytes + kFrameHeaderBytes * mBounds.iFrames;
        const long long inflow = wire < 0 ? -1 : wire + kInflowSlack;
        if (mpLink)
            mpLink->SetInflowBound(inflow);
        else if (BusEndpoints::IsTcp(mEndpoint.c_str()))
            mKeeper.SetInflowBound(inflow, {[this] { return mReader.HoldsInput(); },
                                            [this] { return mReader.MessagesSeen(); }});
        mKeeper.Watch(
            mpSocket, [this] { Leave(); }, [this] { Join(); });
    }
    mbPolling = true;
    mReader.ReadSoon();
}

void cZmqQtListenerBase::Start(const std::string& endpoint, int iMaxMessageBytes,
                               unsigned short uPeriodMs, const char* pFailureLine) {
    SockInit(endpoint.c_str(), iMaxMessageBytes);
    for (const sRoute& route : mRouter.Routes())
        SockSubscribe(route.pTopic);
    if (!Wire()) {
        ZqtError("%s", pFailureLine);
        return;
    }
    StartPolling(uPeriodMs);
}

bool cZmqQtListenerBase::Wire() {
    // Once: a second start must not hand each message out twice.
    if (!mbWired) {
        mbWired = bool(connect(this, &cZmqQtListenerBase::sigMessageReceived, this,
                               &cZmqQtListenerBase::sltNewMessage));
        if (mbWired && mStages == eStages::kTwo)
            mbWired = bool(connect(this, &cZmqQtListenerBase::sigNewSystemData, this,
                                   &cZmqQtListenerBase::sltSystemTopicSwitch));
    }
    return mbWired;
}

void cZmqQtListenerBase::CloseSocket() {
    mbPolling = false;
    mEmitLater.stop();
    mKeeper.Stop();
    mReader.Stop();
    if (mpGate)
        mpGate->Drop();
    mpLink.reset();
    zsock_destroy(&mpSocket);
}

void cZmqQtListenerBase::Leave() {
    auto leave = [this] {
        if (mpSocket && mbJoined)
            zsock_disconnect(mpSocket, "%s", mEndpoint.c_str());
        if (mpLink)
            mpLink->Forget();
        mbJoined = false;
    };
    // A stream socket's messages are single pieces: never one half read.
    // What the socket did may have taken the signal of bytes waiting.
    if (mpLink) {
        leave();
        mReader.ReadSoon();
    } else {
        mReader.WhenDrained(leave);
    }
}

void cZmqQtListenerBase::Join() {
    auto join = [this] {
        if (mpSocket && !mbJoined)
            mbJoined = zsock_connect(mpSocket, "%s", mEndpoint.c_str()) == 0;
    };
    if (mpLink) {
        join();
        mReader.ReadSoon();
    } else {
        mReader.WhenDrained(join);
    }
}

void cZmqQtListenerBase::Receive(zmsg_t* pMessage) {
    if (!mpGate) {
        HandOut(pMessage);
        return;
    }
    mpGate->Offer(pMessage, mClock.elapsed());
    const qint64 reportAt = mpGate->StaleReportAt();
    if (reportAt >= 0 && !mStaleReport.isActive())
        mStaleReport.start(int(std::max<qint64>(0, reportAt - mClock.elapsed())));
}

void cZmqQtListenerBase::HandOut(zmsg_t* pMessage) {
    ++mHandedOut;
    emit sigMessageReceived(pMessage);
    mReader.Recycle(pMessage);
}

void cZmqQtListenerBase::EmitNewestWhenDue() {
    if (!mpGate || !mpGate->Holding() || !mbPolling)
        return;
    const qint64 now = mClock.elapsed();
    // A full receive queue makes the bus library hold newer messages back
    // until some are read: look again shortly, and go on looking until a
    // look finds the queue no longer full, or the message has been held a
    // whole period.
    if (mReader.LastRunTaken() > 0)
        mbQueueWasFull = mReader.LastRunTaken() >= kStateReceiveHwm;
    const bool bMaybeNewer = mReader.ReadPending() || mbQueueWasFull;
    if (bMaybeNewer && mpGate->HeldFor(now) < mpGate->Period()) {
        if (!mReader.ReadPending())
            mReader.ReadSoon(kSettleMs);
        return;
    }
    if (mEmitLater.isActive())
        return;
    if (zmsg_t* pMessage = mpGate->TakeDue(now)) {
        HandOut(pMessage);
        // What the receivers did may have woken the socket unasked. A raw
        // link's sends say so themselves, and its receivers cannot reach it.
        if (!mpLink)
            mReader.ReadSoon();
    } else {
        mEmitLater.start(int(std::max<qint64>(0, mpGate->DueAt() - now)));
    }
}

void cZmqQtListenerBase::ReportStale() {
    const unsigned stale = mpGate ? mpGate->TakeStaleReport(mClock.elapsed()) : 0;
    if (stale > 0)
        ZqtError("%s: %u stale events skipped in the last minute", mpStreamName, stale);
}

void cZmqQtListenerBase::OnDropped(long long iFrames, long long iBytes) {
    const int kind = mBounds.iFrames >= 0 && iFrames > mBounds.iFrames ? 0 : 1;
    ++mDropped[kind];
    mDroppedSize[kind] = kind == 0 ? iFrames : iBytes;
    // The frames went back as they were read; the bus library's queue that
    // held them waits for the system to take its pages back.
    mGiveBack.start();
    if (mDropLine.isActive())
        return;
    const qint64 sinceLine = mSinceDropLine.isValid() ? mSinceDropLine.elapsed() : mPeriodMs;
    mDropLine.start(int(std::max<qint64>(0, mPeriodMs - sinceLine)));
}

void cZmqQtListenerBase::ReportDropped() {
    static const char* const kWhat[] = {"frames", "bytes"};
    const long long bounds[] = {mBounds.iFrames, mBounds.iBytes};
    for (int kind = 0; kind < 2; ++kind) {
        if (mDropped[kind] == 0)
            continue;
        ZqtError("%s: %u message(s) of more than %lld %s dropped, the last of %lld.",
                 mEndpoint.c_str(), mDropped[kind], bounds[kind], kWhat[kind], mDroppedSize[kind]);
        mDropped[kind] = 0;
    }
    mSinceDropLine.start();
}

void cZmqQtListenerBase::sltNewMessage(zmsg_t* pMessage) {
    mRouter.Split(pMessage, [this](const char* pTopic, const char* pPayload) {
        if (mStages == eStages::kTwo)
            emit sigNewSystemData(pTopic, pPayload);
        else
            mRouter.Route(pTopic, pPayload);
    });
}

void cZmqQtListenerBase::sltSystemTopicSwitch(const char* pTopic, const char* pData) {
    mRouter.Route(pTopic, pData);
}
