#pragma once

#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <initializer_list>
#include <string>

// CZMQ hides the message struct; Qt's meta-type system must not look inside.
Q_DECLARE_OPAQUE_POINTER(zmsg_t*)

// A SUB socket polled by a Qt timer on the GUI thread. Each tick takes at
// most one message without waiting and hands it out as one signal; the
// message is destroyed when the signal returns.
//
// Call order: SockInit, SockSubscribe (once per topic), StartPolling. Each
// step refuses to run until the one before it has happened.
class cZmqQtListenerBase : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqQtListenerBase)

public:
    explicit cZmqQtListenerBase(QObject* parent = nullptr);
    ~cZmqQtListenerBase() override;

    // iMaxMessageBytes bounds each inbound frame: a peer that sends a larger
    // one is refused by the bus library before anything is allocated for it
    // (and reconnected); -1 leaves frames unbounded. iReceiveQueue bounds the
    // messages waiting to be polled; -1 keeps the library's 1000.
    void SockInit(const char* pEndpoint, int iMaxMessageBytes = -1, int iReceiveQueue = -1);
    void SockSubscribe(const char* pTopic);
    void SockUnSubscribe(const char* pTopic);
    void StartPolling(unsigned short uPeriodMs);
    void CloseSocket();

    bool IsInitialised() const { return mbInitialised; }
    bool IsSubscribed() const { return mbSubscribed; }
    bool IsPolling() const { return mPollTimer.isActive(); }

signals:
    void sigMessageReceived(zmsg_t* pMessage);

protected:
    // The start-up every subscriber shares: SockInit on the endpoint, then one
    // SockSubscribe per topic in the order given.
    void OpenSubscribed(const char* pEndpoint, std::initializer_list<const char*> topics,
                        int iMaxMessageBytes, int iReceiveQueue = -1);
    // Polls when the subscriber's own connections all succeeded; otherwise
    // prints its failure line and never polls.
    void PollIfConnected(bool bConnected, unsigned short uPeriodMs, const char* pFailureLine);

private slots:
    void PollMyListener();

private:
    // The bus library drops a link whose peer sent an oversize frame and,
    // unlike after a peer restart, never makes it again. A monitor tells us
    // of every dropped link, and the listener makes it again itself.
    void WatchForDrops();
    void RejoinIfDropped();

    QTimer mPollTimer;
    zsock_t* mpSocket = nullptr;
    zsock_t* mpDropMonitor = nullptr;
    std::string mEndpoint;
    bool mbInitialised = false;
    bool mbSubscribed = false;
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

// Console lines of the bus layer: "ZQT ERROR : " and the message.
void ZqtError(const char* pFormat, ...) __attribute__((format(printf, 1, 2)));
// Console lines of the application classes: "KELD_ERROR : " and the message.
void KeldError(const char* pFormat, ...) __attribute__((format(printf, 1, 2)));
