// The listener and its parts: the topic router's table and lines, the
// newest-only gate on a clock the test drives, the socket reader's budget and
// its drained moment, the link keeper's rejoins; the listener's refusals and
// the publisher. Oversize frames and publishers that go mid-burst are the
// bus torture's (tools/bus-torture), which runs with these suites.
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "bus/ZmqQtListenerBase.h"
#include "bus/ZmqQtPublisher.h"
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
