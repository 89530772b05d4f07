#pragma once

#include "bus/LinkKeeper.h"
#include "bus/NewestOnlyGate.h"
#include "bus/SocketReader.h"
#include "bus/TopicRouter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <memory>
#include <string>
#include <vector>

// CZMQ hides the message struct; Qt's meta-type system must not look inside.
Q_DECLARE_OPAQUE_POINTER(zmsg_t*)

// A SUB socket (or, for a TCP link read raw, a stream socket speaking as one)
// whose messages are handed out as one signal each, destroyed when the
// signal returns. The work is its parts': the socket reader wakes on
// arrival and reads with a budget, the link keeper mends dropped links, a
// state stream's newest-only gate picks what to hand out, and the topic
// router takes each message to its handler. This class keeps the socket's
// life and the order of the steps.
//
// Command streams (the default) hand out every message, in order. State
// streams (KeepNewestOnly) carry snapshots: only the newest of what waits
// that could be shown is handed out, at most once per period.
//
// Call order: SockInit, SockSubscribe (once per topic), StartPolling. Each
// step refuses to run until the one before it has happened.
class cZmqQtListenerBase : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqQtListenerBase)

public:
    using sRoute = cTopicRouter::sRoute;
    using sLines = cTopicRouter::sLines;

    explicit cZmqQtListenerBase(QObject* parent = nullptr);
    ~cZmqQtListenerBase() override;

    // iMaxMessageBytes bounds each inbound frame: a peer that sends a larger
    // one is refused by the bus library before anything is allocated for it
    // (and the link is made again); -1 leaves frames unbounded. The message
    // as a whole is bounded by SetMessageBounds. A second call replaces the
    // socket.
    void SockInit(const char* pEndpoint, int iMaxMessageBytes = -1);
    void SockSubscribe(const char* pTopic);
    void SockUnSubscribe(const char* pTopic);
    // Nothing polls: the reader wakes when a message arrives. This starts
    // reading and keeping the link; the period is the shortest gap between
    // two messages of a state stream. A second call takes the new period.
    void StartPolling(unsigned short uPeriodMs);
    void CloseSocket();

    // Wires the subscriber's own signals to its slots, once: a message
    // emitted by sigMessageReceived then reaches its handler, socket or not
    // (a recording is played so). False when the wiring fails.
    bool Wire();

    bool IsInitialised() const { return mbInitialised; }
    bool IsSubscribed() const { return mbSubscribed; }
    bool IsPolling() const { return mbPolling; }
    // For the service's status: a link to the publisher is up; messages handed out so far.
    bool Linked() const { return mKeeper.Linked(); }
    unsigned long long HandedOut() const { return mHandedOut; }

signals:
    void sigMessageReceived(zmsg_t* pMessage);
    // A two-stage subscriber's topic and payload, valid during the signal.
    void sigNewSystemData(const char* pTopic, const char* pData);

protected:
    enum class eStages { kOne, kTwo };
    // The subscriber's topics, subscribed and compared in table order, with
    // its console lines; a two-stage subscriber's message goes out by
    // sigNewSystemData first.
    void SetTopics(std::vector<sRoute> routes, const sLines& lines, eStages stages);
    // Marks this listener as a state stream; call before SockInit. The name
    // starts the line that counts superseded messages. Without a check of its
    // own a message could be shown when the topic router would handle it.
    void KeepNewestOnly(const char* pStreamName, cNewestOnlyGate::Check check = {},
                        cNewestOnlyGate::Report report = {});
    // The subscriber's messages have at most this many frames and bytes in
    // all; a larger one is dropped as it is read. Without a call: a topic and
    // a payload of at most the frame bound, with room for the topic. Call
    // before SockInit.
    void SetMessageBounds(long long iFrames, long long iBytes);
    // A TCP link of this subscriber is read raw (see cZmtpLink): for messages
    // of thousands of frames. Call before SockInit.
    void ReadTcpRaw() { mbReadRaw = true; }

    // The frames of a message being handed out, with their bytes and sizes,
    // when the reader knows them; else null.
    const std::vector<sFrameSlot>* KnownFrames(zmsg_t* pMessage) const {
        return mReader.FramesOf(pMessage);
    }
    // The start every subscriber shares: the socket on the endpoint, its
    // topics, its own signals wired to its slots once, then polling; or its
    // failure line when the wiring fails.
    void Start(const std::string& endpoint, int iMaxMessageBytes, unsigned short uPeriodMs,
               const char* pFailureLine);

protected slots:
    // Splits the message and routes it (two-stage: by sigNewSystemData).
    virtual void sltNewMessage(zmsg_t* pMessage);
    void sltSystemTopicSwitch(const char* pTopic, const char* pData);

private:
    void Receive(zmsg_t* pMessage);
    void HandOut(zmsg_t* pMessage);
    void EmitNewestWhenDue();
    void ReportStale();
    void OnDropped(long long iFrames, long long iBytes);
    void ReportDropped();
    void Leave();
    void Join();

    zsock_t* mpSocket = nullptr;
    std::unique_ptr<cZmtpLink> mpLink; // a raw TCP link's protocol, with mpSocket a stream socket
    bool mbReadRaw = false;
    std::string mEndpoint;
    bool mbInitialised = false;
    bool mbSubscribed = false;
    bool mbPolling = false;
    bool mbJoined = false;
    bool mbWired = false;
    cSocketReader mReader;
    cLinkKeeper mKeeper;
    cTopicRouter mRouter;
    eStages mStages = eStages::kOne;

    cSocketReader::sBounds mBounds;
    bool mbBoundsSet = false;
    // Dropped messages since the last line, by kind: too many frames, too many bytes.
    unsigned mDropped[2] = {0, 0};
    long long mDroppedSize[2] = {0, 0};
    QElapsedTimer mSinceDropLine;
    QTimer mDropLine;
    QTimer mGiveBack; // memory a dropped message took, back to the system
    unsigned short mPeriodMs = 0;
    unsigned long long mHandedOut = 0;

    // State streams only.
    const char* mpStreamName = nullptr;
    std::unique_ptr<cNewestOnlyGate> mpGate;
    QElapsedTimer mClock;
    QTimer mEmitLater;
    QTimer mStaleReport;
    bool mbQueueWasFull = false; // the last run that took anything filled the queue
};
