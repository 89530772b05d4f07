#pragma once

#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <initializer_list>

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

    void SockInit(const char* pEndpoint);
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
    void OpenSubscribed(const char* pEndpoint, std::initializer_list<const char*> topics);
    // Polls when the subscriber's own connections all succeeded; otherwise
    // prints its failure line and never polls.
    void PollIfConnected(bool bConnected, unsigned short uPeriodMs, const char* pFailureLine);

private slots:
    void PollMyListener();

private:
    QTimer mPollTimer;
    zsock_t* mpSocket = nullptr;
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
