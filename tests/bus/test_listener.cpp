// The listener and its parts: the topic router's table and lines, the
// newest-only gate on a clock the test drives, the socket reader's budget and
// its drained moment, the link keeper's rejoins, the raw TCP link's protocol
// and its cuts; the listener's refusals and the publisher. Oversize frames and
// publishers that go mid-burst are the bus torture's (tools/bus-torture), which
// runs with these suites.
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "bus/ZmqQtListenerBase.h"
#include "bus/ZmqQtPublisher.h"
#include "bus/ZmtpParser.h"
#include "tests/support/TestBus.h"

#include <QTest>

namespace {

zmsg_t* Message(std::initializer_list<const char*> frames) {
    zmsg_t* pMessage = zmsg_new();
    for (const char* pFrame : frames)
        zmsg_addstr(pMessage, pFrame);
    return pMessage;
}

QByteArray Last(zmsg_t* pMessage) {
    zframe_t* pFrame = zmsg_last(pMessage);
    return QByteArray(reinterpret_cast<const char*>(zframe_data(pFrame)), zframe_size(pFrame));
}

// The protocol's bytes as a peer sends them, written out by hand: greeting
// (version 3.1, no security), READY as a publisher.
const QByteArray kGreeting =
    QByteArray("\xff\0\0\0\0\0\0\0\0\x7f\x03\x01NULL", 16) + QByteArray(48, '\0');
const QByteArray kReady = QByteArray("\x04\x19\x05READY\x0bSocket-Type\0\0\0\x03PUB", 27);

// Where a socket bound to an ephemeral port is; the bus library's text is ours to free.
std::string BoundEndpoint(zsock_t* pSocket) {
    char* pText = zsock_last_endpoint(pSocket);
    std::string endpoint = pText ? pText : "";
    zstr_free(&pText);
    return endpoint;
}

// A TCP peer that speaks bytes: a stream socket on an ephemeral loopback port.
struct RawPeer {
    ZsockPtr socket = BindSocket(ZMQ_STREAM, "tcp://127.0.0.1:*");
    QList<QByteArray> links; // routing names, in the order the links came
    QByteArray heard;        // from the newest link

    std::string Endpoint() const { return BoundEndpoint(socket.get()); }
    void Listen() {
        while (zsock_events(socket.get()) & ZMQ_POLLIN) {
            zmsg_t* pIn = zmsg_recv(socket.get());
            const QByteArray id(reinterpret_cast<const char*>(zframe_data(zmsg_first(pIn))),
                                int(zframe_size(zmsg_first(pIn))));
            zframe_t* pBytes = zmsg_next(pIn);
            if (zframe_size(pBytes) == 0 && !links.contains(id))
                links << id, heard.clear();
            else if (!links.isEmpty() && id == links.last())
                heard += QByteArray(reinterpret_cast<const char*>(zframe_data(pBytes)),
                                    int(zframe_size(pBytes)));
            zmsg_destroy(&pIn);
        }
    }
    void Say(const QByteArray& bytes) {
        zsock_send(socket.get(), "bb", links.last().constData(), std::size_t(links.last().size()),
                   bytes.constData(), std::size_t(bytes.size()));
    }
};

// A listener reading its TCP link raw, each message's frames kept.
class RawListener : public cZmqQtListenerBase {
public:
    QList<QList<QByteArray>> messages;

    explicit RawListener(const std::string& endpoint, const char* pTopic) {
        ReadTcpRaw();
        SetMessageBounds(3000, 40000);
        SockInit(endpoint.c_str(), 1024);
        SockSubscribe(pTopic);
        connect(this, &cZmqQtListenerBase::sigMessageReceived, this, [this](zmsg_t* pMessage) {
            QList<QByteArray> frames;
            for (zframe_t* p = zmsg_first(pMessage); p; p = zmsg_next(pMessage))
                frames << QByteArray(reinterpret_cast<const char*>(zframe_data(p)),
                                     int(zframe_size(p)));
            messages << frames;
        });
        StartPolling(10);
    }
};

// A state stream's test check: whole at two frames, else faulty by its frame count.
int Check(zmsg_t* pMessage) {
    return zmsg_size(pMessage) == 2 ? 0 : int(zmsg_size(pMessage));
}

} // namespace

class tstListener final : public QObject {
    Q_OBJECT
    TestBusEnvironment mBus;

private slots:
    void router_data() {
        QTest::addColumn<QStringList>("frames");
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("said"); // console, or the payload handled
        QTest::newRow("exact, second") << QStringList{"B", "{}"} << 0 << "B {}";
        QTest::newRow("exact, first") << QStringList{"A", "x"} << 0 << "A x";
        QTest::newRow("topic only") << QStringList{"B"} << 1 << "ZQT ERROR : null B (null)\n";
        QTest::newRow("longer") << QStringList{"BX", "{}"} << 2 << "KELD_ERROR : unhandled BX\n";
    }
    // Guards exact comparison in table order, the null-element and unhandled lines, and
    // the check a state stream's gate asks, which must agree with what routing does.
    void router() {
        QFETCH(QStringList, frames);
        QString handled;
        const cTopicRouter router({{"A", [&](const char* p) { handled = QString("A ") + p; }},
                                   {"B", [&](const char* p) { handled = QString("B ") + p; }}},
                                  {"null %s %s", &KeldError, "unhandled %s"});
        zmsg_t* pMessage = zmsg_new();
        for (const QString& frame : frames)
            zmsg_addstr(pMessage, frame.toUtf8().constData());
        QTEST(int(router.Check(pMessage)), "fault");
        ConsoleCapture out(1);
        router.Split(pMessage, [&router](const char* pTopic, const char* pPayload) {
            router.Route(pTopic, pPayload);
        });
        zmsg_destroy(&pMessage);
        QTEST(handled.isEmpty() ? QString::fromUtf8(out.Text()) : handled, "said");
    }

    // Guards the field case (event A, event B, then a broken message within one period:
    // B is shown at the period's end, the broken one refused with one line per kind),
    // the tolerance of an eighth of the period, and the stale count's minute.
    void gate() {
        int reported = 0;
        cNewestOnlyGate gate(&Check, [&reported](zmsg_t*) { ++reported; });
        gate.SetPeriod(100);
        gate.Offer(Message({"T", "A"}), 0);
        zmsg_t* pOut = gate.TakeDue(0);
        QCOMPARE(Last(pOut), QByteArray("A"));
        zmsg_destroy(&pOut);
        for (auto frames :
             {std::initializer_list<const char*>{"T", "B"}, {"T"}, {"T"}, {"T", "x", "y"}})
            gate.Offer(Message(frames), 10);
        QCOMPARE(reported, 2);
        QVERIFY(!gate.TakeDue(87));
        QCOMPARE(gate.DueAt(), 100);
        pOut = gate.TakeDue(88);
        QCOMPARE(Last(pOut), QByteArray("B"));
        zmsg_destroy(&pOut);
        gate.Offer(Message({"T"}), 150); // nothing good held: the newest there is
        gate.Offer(Message({"T", "C"}), 1000);
        QCOMPARE(gate.StaleReportAt(), 61000);
        QCOMPARE(gate.TakeStaleReport(60999), 0u);
        QCOMPARE(gate.TakeStaleReport(61000), 1u);
    }

    // Guards the read budget (the loop's other events get their turn during a long
    // burst), the order kept across runs, and the drained moment: an action waits
    // until every message of the burst has been read.
    void readerBudgetAndDrain() {
        ZsockPtr pub = BindSocket(ZMQ_PUSH, mBus.Ipc("reader.ipc"));
        zsock_set_sndhwm(pub.get(), 0); // the whole burst waits, none is refused
        zsock_t* pPull = zsock_new(ZMQ_PULL);
        zsock_set_rcvhwm(pPull, 0);
        zsock_connect(pPull, "%s", mBus.Ipc("reader.ipc").c_str());
        constexpr int kBurst = 20000;
        for (int i = 0; i < kBurst; ++i)
            zstr_sendf(pub.get(), "%d", i);
        cSocketReader reader;
        QList<int> read;
        int readWhenDrained = -1;
        int readWhenOtherRan = -1;
        reader.Watch(pPull, [&read](zmsg_t* pMessage) {
            read << Last(pMessage).toInt();
            zmsg_destroy(&pMessage);
        });
        QTRY_VERIFY(!read.isEmpty());
        reader.WhenDrained([&] { readWhenDrained = int(read.size()); });
        QTimer::singleShot(0, this, [&] { readWhenOtherRan = int(read.size()); });
        QTRY_COMPARE(read.size(), kBurst);
        QVERIFY(readWhenOtherRan < kBurst);
        QCOMPARE(readWhenDrained, kBurst);
        QVERIFY(std::is_sorted(read.begin(), read.end()));
        reader.Stop();
        zsock_destroy(&pPull);
    }

    void readerBounds_data() {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("frameBytes");
        QTest::addColumn<bool>("handed");
        // Bounds below: 3 frames, 100 bytes.
        QTest::newRow("at both bounds") << 3 << 33 << true;
        QTest::newRow("a byte too many") << 2 << 51 << false;
        // Past the frame bound; 200,000 frames are more than 12 runs' budget of 16,384.
        QTest::newRow("a bomb of small frames") << 200000 << 1 << false;
    }
    // Guards the message bounds: a message over either is dropped, said with its size,
    // and the next one still comes; one message never takes more than a run's budget.
    void readerBounds() {
        QFETCH(int, frames);
        QFETCH(int, frameBytes);
        QFETCH(bool, handed);
        ZsockPtr pub = BindSocket(ZMQ_PUSH, mBus.Ipc("bounds.ipc"));
        zsock_t* pPull = zsock_new_pull((">" + mBus.Ipc("bounds.ipc")).c_str());
        const std::string frame(std::size_t(frameBytes), 'x');
        for (int i = 1; i < frames; ++i)
            zstr_sendm(pub.get(), frame.c_str());
        zstr_send(pub.get(), frame.c_str());
        zstr_send(pub.get(), "next");
        cSocketReader reader;
        QList<int> sizes;
        QList<long long> dropped;
        int runs = 0;
        connect(&reader, &cSocketReader::sigRunEnded, this, [&] { ++runs; });
        reader.Watch(
            pPull,
            [&sizes](zmsg_t* pMessage) {
                sizes << int(zmsg_size(pMessage));
                zmsg_destroy(&pMessage);
            },
            {3, 100},
            [&](long long iFrames, long long iBytes) { dropped << iFrames << iBytes << runs; });
        QTRY_VERIFY(sizes.contains(1));
        QCOMPARE(sizes, handed ? (QList<int>{frames, 1}) : (QList<int>{1}));
        if (!handed) {
            QCOMPARE(dropped.mid(0, 2), (QList<long long>{frames, 1LL * frames * frameBytes}));
            QVERIFY(dropped[2] >= frames / cSocketReader::kReadBudgetFrames);
        }
        reader.Stop();
        zsock_destroy(&pPull);
    }

    // Guards against joining again at once, a thousand times a second, a peer that
    // takes every link and drops it: the keeper leaves, and joins after a rest.
    void keeperRestsAFlappingPeer() {
        const std::string endpoint = mBus.Ipc("flap.ipc");
        zsock_t* pSub = zsock_new_sub(endpoint.c_str(), "");
        QStringList steps;
        QElapsedTimer sinceLeave;
        cLinkKeeper keeper;
        keeper.Watch(
            pSub,
            [&] {
                steps << "leave", sinceLeave.start(),
                    zsock_disconnect(pSub, "%s", endpoint.c_str());
            },
            [&] {
                steps << QStringLiteral("join, rested %1").arg(sinceLeave.elapsed() >= 500),
                    zsock_connect(pSub, "%s", endpoint.c_str());
            });
        ZsockPtr dropper = BindSocket(ZMQ_STREAM, endpoint); // an empty frame drops a link
        zsock_set_rcvtimeo(dropper.get(), 10);
        const auto dropNewLinks = [&dropper] {
            if (zmsg_t* pIn = zmsg_recv(dropper.get())) {
                zframe_t* pId = zmsg_pop(pIn);
                zframe_send(&pId, dropper.get(), ZFRAME_MORE);
                zstr_send(dropper.get(), "");
                zmsg_destroy(&pIn);
            }
        };
        QTRY_VERIFY_WITH_TIMEOUT((dropNewLinks(), steps.contains("join, rested 1")), 10000);
        QCOMPARE(steps.first(), QStringLiteral("leave"));
        keeper.Stop();
        zsock_destroy(&pSub);
    }

    void zmtpParser_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("steps");
        const QByteArray frames = QByteArray("\x01\x05hello\x00\x00", 9) + "\x02" +
                                  QByteArray("\0\0\0\0\0\0\x01\x2c", 8) + QByteArray(300, 'x') +
                                  QByteArray("\x04\x07\x04PING\x00\x1e", 9);
        const QStringList good{"greeting 1", "frame hello +", "frame  ", "frame 300 x ",
                               "command PING"};
        QTest::newRow("a stream of frames") << kGreeting + frames << good;
        QTest::newRow("not the protocol") << QByteArray("GET / HTTP/1.1\r\n").leftJustified(64, ' ')
                                          << QStringList{"fault not the bus protocol"};
        QByteArray old = kGreeting;
        old[10] = 2;
        QTest::newRow("version 2") << old << QStringList{"fault a bus protocol version before 3"};
        QByteArray plain = kGreeting;
        plain.replace(12, 5, QByteArray("PLAIN"));
        QTest::newRow("a security mechanism")
            << plain << QStringList{"fault a security mechanism other than none"};
        QTest::newRow("unknown flags")
            << kGreeting + QByteArray("\x08\x01x", 3)
            << QStringList{"greeting 1", "fault a frame with unknown flags"};
        QTest::newRow("a command marked as followed")
            << kGreeting + QByteArray("\x05\x01x", 3)
            << QStringList{"greeting 1", "fault a command marked as followed"};
        QTest::newRow("a frame of one byte over the bound")
            << kGreeting + QByteArray("\x02\0\0\0\0\0\0\x04\x01", 9)
            << QStringList{"greeting 1", "fault a frame over the bound"};
        QTest::newRow("a frame of 2^64 - 1 bytes")
            << kGreeting + QByteArray("\x02") + QByteArray(8, '\xff')
            << QStringList{"greeting 1", "fault a frame over the bound"};
    }
    // Guards the protocol's framing as the link brings it, cut at any byte: short
    // and long sizes, empty frames, commands, the greeting's checks, the frame bound.
    void zmtpParser() {
        QFETCH(QByteArray, bytes);
        for (const int piece : {1, 7, 64, int(bytes.size())}) {
            cZmtpParser parser(1024);
            QStringList steps;
            for (qsizetype at = 0; at < bytes.size(); at += piece) {
                const QByteArray cut = bytes.mid(at, piece);
                parser.Feed(cut.constData(), std::size_t(cut.size()));
                cZmtpParser::sFrame frame;
                for (auto step = parser.Next(&frame);
                     step != cZmtpParser::eStep::kNeedMore && step != cZmtpParser::eStep::kFault;
                     step = parser.Next(&frame)) {
                    const QByteArray data(reinterpret_cast<const char*>(frame.pData),
                                          int(frame.size));
                    if (step == cZmtpParser::eStep::kGreeting)
                        steps << QStringLiteral("greeting %1").arg(parser.PeerMinor());
                    else if (step == cZmtpParser::eStep::kCommand)
                        steps << "command " +
                                     QString::fromStdString(cZmtpParser::CommandName(frame));
                    else
                        steps << "frame " +
                                     (data.size() > 8
                                          ? QStringLiteral("%1 %2").arg(data.size()).arg(data[0])
                                          : QString::fromLatin1(data)) +
                                     (frame.bMore ? " +" : " ");
                }
                if (parser.Fault()) {
                    steps << QStringLiteral("fault ") + parser.Fault();
                    break;
                }
            }
            QTEST(steps, "steps");
        }
    }

    // Guards the raw link as the publisher sees it: a subscriber that is sent only
    // its topic, gets messages of thousands of frames whole and in order, is heard
    // again from a publisher that went and came back on its port, and reads on
    // after a send of its own.
    void rawLinkSubscribes() {
        ZsockPtr pub = BindSocket(ZMQ_PUB, "tcp://127.0.0.1:*");
        const std::string endpoint = BoundEndpoint(pub.get());
        RawListener listener(endpoint, "T");
        const auto send = [&pub](const char* pTopic, int index) {
            zmsg_t* pMessage = zmsg_new();
            zmsg_addstr(pMessage, pTopic);
            for (int i = 1; i < 2370; ++i)
                zmsg_addmem(pMessage, &i, i % 5);
            zmsg_addstrf(pMessage, "%d", index);
            zmsg_send(&pMessage, pub.get());
        };
        // Until the subscription has reached the publisher.
        QTRY_VERIFY((send("T", 0), !listener.messages.isEmpty()));
        for (int i = 1; i <= 20; ++i)
            send(i % 2 ? "Other" : "T", i);
        QTRY_COMPARE(listener.messages.last().last(), QByteArray("20"));
        listener.messages.removeIf([](const auto& frames) { return frames.last() == "0"; });
        QCOMPARE(listener.messages.size(), 10);
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(listener.messages[i].size(), 2371);
            QCOMPARE(listener.messages[i].first(), QByteArray("T"));
            QCOMPARE(listener.messages[i][4], QByteArray("\x04\0\0\0", 4));
            QCOMPARE(listener.messages[i].last(), QByteArray::number(2 * i + 2));
        }
        pub.reset();
        QVERIFY(pub = BindSocket(ZMQ_PUB, endpoint));
        QTRY_VERIFY_WITH_TIMEOUT((send("T", 99), listener.messages.last().last() == "99"), 10000);
        // A message that comes while this end sends (a heartbeat, a subscription): the
        // send takes the descriptor's signal, and the message must be read without it.
        QTest::qWait(100);
        send("T", 100);
        QTest::qSleep(200);
        listener.SockSubscribe("U");
        QTRY_COMPARE(listener.messages.last().last(), QByteArray("100"));
    }

    // Guards the older peer of version 3.0: its subscription goes as a message
    // (byte 1, then the topic), and what it sends is read as from any peer.
    void rawLinkToAVersion30Peer() {
        RawPeer peer;
        RawListener listener(peer.Endpoint(), "T");
        QTRY_VERIFY((peer.Listen(), peer.heard.size() >= 64 + 27));
        QByteArray greeting = kGreeting;
        greeting[11] = 0;
        peer.Say(greeting + kReady);
        QTRY_VERIFY((peer.Listen(), peer.heard.size() >= 64 + 27 + 4));
        QCOMPARE(peer.heard.mid(64 + 27, 4), QByteArray("\x00\x02\x01T", 4));
        peer.Say(QByteArray("\x01\x01T\x00\x02ok", 7));
        QTRY_COMPARE(listener.messages.size(), 1);
        QCOMPARE(listener.messages.first(), (QList<QByteArray>{"T", "ok"}));
    }

    void rawLinkCutsAFaultyPeer_data() {
        QTest::addColumn<QByteArray>("says");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("not the protocol")
            << QByteArray("HTTP/1.1 200 OK\r\n").leftJustified(64, ' ')
            << QByteArray("not the bus protocol; the link is made again.");
        QTest::newRow("a frame over the bound")
            << kGreeting + kReady + QByteArray("\x02\0\0\0\0\0\0\x04\x01", 9)
            << QByteArray("a frame over the bound; the link is made again.");
        // Bounds 3,000 frames and 40,000 bytes: 67,000 on the wire, and 64 KiB of slack.
        QTest::newRow("a message that never ends")
            << kGreeting + kReady + QByteArray("\x01\x01T") +
                   QByteArray("\x01\x01x").repeated(45000)
            << QByteArray("132537 bytes came without a whole message; the link is made again.");
        QTest::newRow("silence")
            << kGreeting + kReady
            << QByteArray("nothing came 1500 ms after a heartbeat; the link is made again.");
    }
    // Guards the raw link's cuts: each fault said once with its reason, the link made
    // again; this end greets as a subscriber of version 3.1 and asks a quiet peer.
    void rawLinkCutsAFaultyPeer() {
        QFETCH(QByteArray, says);
        QFETCH(QByteArray, line);
        RawPeer peer;
        QByteArray greeted, said;
        const auto waitFor = [&peer](const std::function<bool()>& done, int iMs) {
            QElapsedTimer since;
            since.start();
            while ((peer.Listen(), !done()) && since.elapsed() < iMs)
                QTest::qWait(10);
        };
        {
            ConsoleCapture out(1); // checked once it has ended: QTest's lines go there too
            RawListener listener(peer.Endpoint(), "T");
            waitFor([&peer] { return peer.heard.size() >= 64 + 27; }, 5000);
            greeted = peer.heard;
            peer.Say(says);
            waitFor([&peer] { return peer.links.size() == 2; }, 8000);
            said = out.Text();
        }
        QCOMPARE(greeted.left(12), kGreeting.left(12));
        QCOMPARE(greeted.mid(64, 27),
                 QByteArray("\x04\x19\x05READY\x0bSocket-Type\0\0\0\x03SUB", 27));
        QCOMPARE(peer.links.size(), 2);
        QVERIFY2(said.count(line) == 1, said.constData());
        QVERIFY(said.startsWith("ZQT ERROR : " + QByteArray::fromStdString(peer.Endpoint())));
    }

    // Guards the listener's state rules: once SockInit has failed, every later
    // step refuses with its own line, and nothing is left to receive with.
    void refusalsFollowAFailedInit() {
        cZmqQtListenerBase listener;
        ConsoleCapture out(1);
        listener.SockInit("bogus://nowhere");
        listener.SockSubscribe("A");
        listener.SockUnSubscribe("A");
        listener.StartPolling(10);
        QCOMPARE(out.Text(),
                 "ZQT ERROR : Unable to connect to socket: bogus://nowhere\n\n"
                 "ZQT ERROR : You must initialize the socket before assigning topics.\n"
                 "ZQT ERROR : You must initialize the socket before unsubscribing topics.\n"
                 "ZQT ERROR : Socket must be initialized and assigned topics before polling "
                 "starts.\n");
        QVERIFY(!listener.IsInitialised() && !listener.IsSubscribed() && !listener.IsPolling());
    }

    // Guards the publisher without a socket (silent) and after a failed bind (one line,
    // the socket kept).
    void publisher() {
        cZmqQtPublisher idle;
        ConsoleCapture out(1);
        idle.sltZmqPublish("Topic", "{}");
        cZmqQtPublisher unbound;
        unbound.InitSocket("127.0.0.1", "not-a-port");
        QCOMPARE(out.Text(), QByteArray("KELD_ERROR : Failed to bind socket in ZmqQtPublisher.\n"));
        QVERIFY(unbound.HasSocket());
    }
};

QTEST_GUILESS_MAIN(tstListener)
#include "test_listener.moc"
