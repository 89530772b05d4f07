#include "bus/ZmtpLink.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <algorithm>
#include <cstring>

namespace {

const std::string kReady = std::string("\x0bSocket-Type") + std::string("\0\0\0\x03", 4) + "SUB";

std::string BigEndian16(unsigned value) {
    return {char((value >> 8) & 0xFF), char(value & 0xFF)};
}

} // namespace

cZmtpLink::cZmtpLink(zsock_t* pStream, std::size_t uMaxFrameBytes, QObject* parent)
    : QObject(parent), mpStream(pStream), mParser(uMaxFrameBytes) {
    zmq_msg_init(&mPiece);
    mBeat.setInterval(BusEndpoints::kHeartbeatMs);
    connect(&mBeat, &QTimer::timeout, this, &cZmtpLink::Beat);
    mAnswer.setSingleShot(true);
    mAnswer.setInterval(BusEndpoints::kHeartbeatTimeoutMs);
    connect(&mAnswer, &QTimer::timeout, this, [this] {
        // Bytes waiting unread are an answer the loop has not reached yet.
        if (HasInput())
            emit sigReadAgain();
        else
            Cut(QStringLiteral("nothing came %1 ms after a heartbeat")
                    .arg(BusEndpoints::kHeartbeatTimeoutMs));
    });
}

cZmtpLink::~cZmtpLink() {
    ClosePiece();
    zmq_msg_close(&mPiece);
}

void cZmtpLink::Subscribe(const std::string& topic) {
    if (std::find(mTopics.begin(), mTopics.end(), topic) != mTopics.end())
        return;
    mTopics.push_back(topic);
    if (mbReady)
        SendSubscription(topic, true);
}

void cZmtpLink::Unsubscribe(const std::string& topic) {
    const auto at = std::find(mTopics.begin(), mTopics.end(), topic);
    if (at == mTopics.end())
        return;
    mTopics.erase(at);
    if (mbReady)
        SendSubscription(topic, false);
}

void cZmtpLink::ClosePiece() {
    // The receive takes only a message made ready.
    if (mbPiece) {
        zmq_msg_close(&mPiece);
        zmq_msg_init(&mPiece);
    }
    mbPiece = false;
}

bool cZmtpLink::HasInput() {
    return (mbPiece && !mParser.PieceUsed()) || (zsock_events(mpStream) & ZMQ_POLLIN);
}

void cZmtpLink::Forget() {
    ClosePiece();
    mId.clear();
    mbReady = false;
    mBeat.stop();
    mAnswer.stop();
}

cZmtpLink::eRead cZmtpLink::NextFrame(cZmtpParser::sFrame* pFrame) {
    for (;;) {
        if (mbPiece) {
            switch (mParser.Next(pFrame)) {
            case cZmtpParser::eStep::kNeedMore:
                ClosePiece();
                break;
            case cZmtpParser::eStep::kGreeting:
                break;
            case cZmtpParser::eStep::kCommand:
                OnCommand(*pFrame);
                if (mId.empty())
                    return eRead::kNewLink;
                break;
            case cZmtpParser::eStep::kFrame:
                if (!mbReady) {
                    Cut(QStringLiteral("a message before the peer's READY"));
                    return eRead::kNewLink;
                }
                if (!mbMidMessage)
                    mMessageAt = mParser.FrameAt();
                mbMidMessage = pFrame->bMore;
                if (mbMidMessage && mInflowBound >= 0 &&
                    mParser.Taken() - mMessageAt > std::uint64_t(mInflowBound)) {
                    Cut(QStringLiteral("%1 bytes came without a whole message")
                            .arg(mParser.Taken() - mMessageAt));
                    return eRead::kNewLink;
                }
                return eRead::kFrame;
            case cZmtpParser::eStep::kFault:
                Cut(QString::fromLatin1(mParser.Fault()));
                return eRead::kNewLink;
            }
            continue;
        }
        switch (ReadPiece()) {
        case ePiece::kNone:
            return eRead::kNone;
        case ePiece::kLinkChanged:
            return eRead::kNewLink;
        case ePiece::kStale:
            return eRead::kSkipped;
        case ePiece::kBytes:
            break;
        }
    }
}

cZmtpLink::ePiece cZmtpLink::ReadPiece() {
    // A stream socket's message: the link's routing name, then its bytes.
    zmq_msg_t id;
    zmq_msg_init(&id);
    if (zmq_msg_recv(&id, zsock_resolve(mpStream), ZMQ_DONTWAIT) < 0) {
        zmq_msg_close(&id);
        return ePiece::kNone;
    }
    const std::string name(static_cast<const char*>(zmq_msg_data(&id)), zmq_msg_size(&id));
    zmq_msg_close(&id);
    if (zmq_msg_recv(&mPiece, zsock_resolve(mpStream), ZMQ_DONTWAIT) < 0)
        return ePiece::kStale; // never seen: the library passes both parts together
    mbPiece = true;
    const bool bEmpty = zmq_msg_size(&mPiece) == 0;
    if (name != mId) {
        // Empty: a new link, told of by the library. Else what was still
        // coming from a link that is cut or left.
        if (!bEmpty) {
            ClosePiece();
            return ePiece::kStale;
        }
        Begin(name); // closes the piece
        return ePiece::kLinkChanged;
    }
    if (bEmpty) { // the peer went
        Forget();
        return ePiece::kLinkChanged;
    }
    mParser.Feed(zmq_msg_data(&mPiece), zmq_msg_size(&mPiece));
    mAnswer.stop();
    return ePiece::kBytes;
}

void cZmtpLink::Begin(const std::string& id) {
    Forget();
    mId = id;
    mParser.Reset();
    mbMidMessage = false;
    Send(cZmtpParser::Greeting() + cZmtpParser::Command("READY", kReady));
    mBeat.start();
}

void cZmtpLink::OnCommand(const cZmtpParser::sFrame& command) {
    const std::string name = cZmtpParser::CommandName(command);
    const std::size_t dataAt = 1 + name.size();
    if (name == "READY" && !mbReady) {
        mbReady = true;
        for (const std::string& topic : mTopics)
            SendSubscription(topic, true);
    } else if (name == "PING") {
        // Its context, after a two-byte time to live, comes back.
        const std::size_t contextAt = std::min(dataAt + 2, command.size);
        Send(cZmtpParser::Command(
            "PONG", std::string(reinterpret_cast<const char*>(command.pData) + contextAt,
                                command.size - contextAt)));
    } else if (name == "ERROR") {
        Cut(QStringLiteral("the peer said ERROR"));
    }
}

void cZmtpLink::SendSubscription(const std::string& topic, bool bOn) {
    // Version 3.0 peers take a subscription as a message; later ones as a command.
    if (mParser.PeerMinor() >= 1)
        Send(cZmtpParser::Command(bOn ? "SUBSCRIBE" : "CANCEL", topic));
    else
        Send(cZmtpParser::DataFrame(char(bOn ? 1 : 0) + topic, false));
}

void cZmtpLink::Beat() {
    // Version 3.0 peers know no heartbeats; the kernel's keepalive watches them.
    if (!mbReady || mParser.PeerMinor() < 1)
        return;
    // Every beat, busy or not: a peer that honours the time to live would
    // otherwise drop a quiet subscriber.
    Send(cZmtpParser::Command("PING", BigEndian16(BusEndpoints::kHeartbeatTtlMs / 100)));
    if (!mAnswer.isActive())
        mAnswer.start();
}

void cZmtpLink::Send(const std::string& bytes) {
    if (mId.empty())
        return;
    // Never waits: a peer that reads nothing loses what does not fit.
    void* pSocket = zsock_resolve(mpStream);
    if (zmq_send(pSocket, mId.data(), mId.size(), ZMQ_SNDMORE | ZMQ_DONTWAIT) == int(mId.size()))
        zmq_send(pSocket, bytes.data(), bytes.size(), ZMQ_DONTWAIT);
    // The send handled the socket's commands, a wake-up for waiting bytes among them.
    emit sigReadAgain();
}

void cZmtpLink::Cut(const QString& why) {
    Forget();
    emit sigCut(why);
}
