#pragma once

#include "bus/ZmtpParser.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <czmq.h>

#include <string>
#include <vector>

// A publisher's TCP link read raw, for a stream whose messages are thousands
// of small frames: the bus library, as a subscriber, makes a message of each
// frame on its I/O thread and hands each to the reader on its own, which
// costs several times the decode of the frames. Here a stream socket hands
// over the link's bytes as they come, a few kilobytes at a time, and this end
// speaks the protocol itself as a subscriber would: greeting, READY as "SUB",
// subscriptions, answers to the peer's heartbeats, heartbeats of its own when
// the peer goes quiet.
//
// The link is cut (its owner leaves the endpoint and joins it again) when the peer does not
// speak the protocol, sends a frame over the bound, sends more than the
// inflow bound without ending a message, or says nothing for the heartbeat's
// timeout after an ask.
class cZmtpLink : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmtpLink)

public:
    enum class eRead {
        kFrame,   // a frame of a message
        kNone,    // nothing more for now
        kNewLink, // the link went or came anew: a message under way is lost
        kSkipped, // bytes of a link gone by, thrown away
    };

    // The socket must be a stream socket; it stays the caller's.
    cZmtpLink(zsock_t* pStream, std::size_t uMaxFrameBytes, QObject* parent = nullptr);
    ~cZmtpLink() override;

    // Subscriptions as a subscriber's, sent on every link from here on.
    void Subscribe(const std::string& topic);
    void Unsubscribe(const std::string& topic);
    // Bytes a link may bring beyond the end of the last message before the
    // message counts as endless; -1: no bound.
    void SetInflowBound(long long iBytes) { mInflowBound = iBytes; }

    // The next frame of a message; its bytes stay until the next call.
    eRead NextFrame(cZmtpParser::sFrame* pFrame);
    // Bytes taken and not read yet, or bytes waiting in the socket.
    bool HasInput();
    // The owner left the endpoint: whatever comes of the old link is stale.
    void Forget();

signals:
    // The link was cut; the text says why.
    void sigCut(const QString& why);
    // A send, or a look at the socket, took the descriptor's signal: what
    // waits must be read without it.
    void sigReadAgain();

private:
    enum class ePiece { kNone, kBytes, kStale, kLinkChanged };
    ePiece ReadPiece();
    void Begin(const std::string& id);
    void OnCommand(const cZmtpParser::sFrame& command);
    void SendSubscription(const std::string& topic, bool bOn);
    void Send(const std::string& bytes);
    void Cut(const QString& why);
    void Beat();
    void ClosePiece();

    zsock_t* mpStream;
    cZmtpParser mParser;
    std::vector<std::string> mTopics;
    std::string mId; // the link's routing name; empty: no link
    bool mbReady = false;
    zmq_msg_t mPiece;
    bool mbPiece = false;
    long long mInflowBound = -1;
    bool mbMidMessage = false;
    std::uint64_t mMessageAt = 0; // where the message under way began
    QTimer mBeat;
    QTimer mAnswer;
    bool mbHeard = false; // something came since the last beat
};
