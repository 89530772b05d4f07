#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class QSocketNotifier;

// CZMQ hides the message struct; Qt's meta-type system must not look inside.
Q_DECLARE_OPAQUE_POINTER(zmsg_t*)

// A SUB socket read on the GUI thread when something arrives: a socket
// notifier on the socket's descriptor wakes it, so an idle listener costs
// nothing. Each message is handed out as one signal and destroyed when the
// signal returns.
//
// Command streams (the default) hand out every message, in order. One run
// reads for a few milliseconds at most and comes back at once for the rest,
// so a burst clears at parsing speed while the GUI stays responsive.
//
// State streams (KeepNewestOnly) carry snapshots: a newer message supersedes
// every older one, so only the newest of what waits is handed out, at most
// once per period; superseded ones are dropped unread and counted.
//
// Call order: SockInit, SockSubscribe (once per topic), StartPolling. Each
// step refuses to run until the one before it has happened.
class cZmqQtListenerBase : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqQtListenerBase)

public:
    // Console printer of one line: ZqtError or KeldError.
    using ConsolePrinter = void (*)(const char* pFormat, ...);
    struct sTopicRoute {
        const char* pTopic;
        std::function<void(const char* pPayload)> handle;
    };
    // A subscriber's own console lines for bad messages.
    struct sDispatchLines {
        // Printed with ZqtError; given the shown topic and payload, which it may leave out.
        const char* pNullElements;
        ConsolePrinter pUnhandledPrinter;
        // Given the topic.
        const char* pUnhandledTopic;
    };

    explicit cZmqQtListenerBase(QObject* parent = nullptr);
    ~cZmqQtListenerBase() override;

    // iMaxMessageBytes bounds each inbound frame: a peer that sends a larger
    // one is refused by the bus library before anything is allocated for it
    // (and reconnected); -1 leaves frames unbounded.
    void SockInit(const char* pEndpoint, int iMaxMessageBytes = -1);
    void SockSubscribe(const char* pTopic);
    void SockUnSubscribe(const char* pTopic);
    // Starts watching the socket; the period is the shortest gap between two
    // messages of a state stream. A second call takes the new period.
    void StartPolling(unsigned short uPeriodMs);
    void CloseSocket();

    bool IsInitialised() const { return mbInitialised; }
    bool IsSubscribed() const { return mbSubscribed; }
    bool IsPolling() const { return mbPolling; }

signals:
    void sigMessageReceived(zmsg_t* pMessage);

protected:
    // Marks this listener as a state stream; call before SockInit. The name
    // starts the line that counts superseded messages.
    void KeepNewestOnly(const char* pStreamName);

    // The start-up every subscriber shares: SockInit on the endpoint, then one
    // SockSubscribe per topic in the order given.
    void OpenSubscribed(const char* pEndpoint, std::initializer_list<const char*> topics,
                        int iMaxMessageBytes);
    // Polls when the subscriber's own connections all succeeded; otherwise
    // prints its failure line and never polls.
    void PollIfConnected(bool bConnected, unsigned short uPeriodMs, const char* pFailureLine);

    // The topics a subscriber handles, compared exactly in this order.
    void SetTopicRoutes(std::vector<sTopicRoute> routes, const sDispatchLines& lines);
    // The same for a two-stage subscriber: topic and payload go out by its
    // own sigNewSystemData, whose slot then calls RouteTopic.
    template <class T>
    void SetTopicRoutes(std::vector<sTopicRoute> routes, const sDispatchLines& lines,
                        void (T::*pSignal)(const char*, const char*)) {
        SetTopicRoutes(std::move(routes), lines);
        mForward = [this, pSignal](const char* pTopic, const char* pPayload) {
            (static_cast<T*>(this)->*pSignal)(pTopic, pPayload);
        };
    }
    // Pops topic and payload; prints the null-element line when one is
    // missing, else hands both on. The texts live until it returns.
    void SplitMessage(zmsg_t* pMessage);
    // Calls the handler of the topic, or prints the unhandled-topic line.
    void RouteTopic(const char* pTopic, const char* pPayload);

private slots:
    void PollMyListener();
    void sltEmitNewest();
    void sltReportStale();

private:
    bool HasInput() const;
    void Supersede(zmsg_t* pMessage);
    void EmitNewestWhenDue();

    QSocketNotifier* mpNotifier = nullptr;
    QSocketNotifier* mpDropNotifier = nullptr;
    QTimer mReadOn;    // zero-time: the rest of what waits, after other events
    QTimer mEmitLater; // a state stream's next emission, once its period is over
    QTimer mStaleReport;
    QElapsedTimer mSinceEmit;
    QElapsedTimer mHeldSince;
    zsock_t* mpSocket = nullptr;
    zmsg_t* mpNewest = nullptr;         // a state stream's message not yet handed out
    const char* mpStreamName = nullptr; // set for state streams only
    unsigned mStaleCount = 0;
    unsigned short mPeriodMs = 0;

    // The bus library drops a link whose peer sent an oversize frame and,
    // unlike after a peer restart, never makes it again. A monitor tells us
    // of every dropped link, and the listener makes it again itself.
    void WatchForDrops();
    void RejoinIfDropped();

    zsock_t* mpDropMonitor = nullptr;
    std::string mEndpoint;
    bool mbInitialised = false;
    bool mbSubscribed = false;
    bool mbPolling = false;
    bool mbQueueWasFull = false; // the last look that took anything filled the queue
    std::vector<sTopicRoute> mRoutes;
    sDispatchLines mLines{};
    std::function<void(const char*, const char*)> mForward;
};

// The topic and payload texts popped from a bus message, released with this
// object. Every subscriber reads its messages this way.
class cBusMessageTexts {
public:
    explicit cBusMessageTexts(zmsg_t* pMessage);
    ~cBusMessageTexts();
    cBusMessageTexts(const cBusMessageTexts&) = delete;
    cBusMessageTexts& operator=(const cBusMessageTexts&) = delete;

    // False when either frame is missing.
    bool Complete() const { return mpTopic && mpPayload; }
    const char* Topic() const { return mpTopic; }
    const char* Payload() const { return mpPayload; }
    // For console lines: "(null)" stands in for a missing frame.
    const char* ShownTopic() const { return mpTopic ? mpTopic : "(null)"; }
    const char* ShownPayload() const { return mpPayload ? mpPayload : "(null)"; }

private:
    char* mpTopic = nullptr;
    char* mpPayload = nullptr;
};
