// ctest-resource-lock: port2004
#include "BusEndpoints.h"
#include "support/TestBus.h"
#include "visualiser/DolbyED2Frames.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstring>

namespace {

dlb_pwk_pa_status SampleStatus(std::uint32_t seed) {
    dlb_pwk_pa_status status{};
    status.valid = 1;
    status.selected_presentation = seed % 16;
    for (std::uint32_t p = 0; p < 16; ++p) {
        dlb_pwk_pa_presentation& pres = status.presentations[p];
        pres.opaque_a = 0xA0000000u + p + seed;
        pres.num_speakers = p % 17;
        pres.num_objects = (p + 3) % 17;
        for (std::uint32_t i = 0; i < 16; ++i) {
            pres.speakers[i] = {static_cast<std::int32_t>(i + p + seed) - 3,
                                static_cast<std::uint8_t>(i * 7 + seed), 0xC0DE0000u + i};
            pres.objects[i] = {0xB0000000u + i,
                               -1.0f + 0.125f * static_cast<float>(i),
                               0.5f - 0.0625f * static_cast<float>(p),
                               0.01f * static_cast<float>(seed + i),
                               static_cast<std::uint8_t>(255 - i),
                               0xFEED0000u + p};
        }
        std::snprintf(pres.name, sizeof pres.name, "Presentation %u/%u", p, seed);
    }
    return status;
}

bool SameRecord(const dlb_pwk_pa_status& a, const dlb_pwk_pa_status& b) {
    // Compared field by field: the records have padding bytes.
    if (a.valid != b.valid || a.selected_presentation != b.selected_presentation)
        return false;
    for (int p = 0; p < 16; ++p) {
        const auto& x = a.presentations[p];
        const auto& y = b.presentations[p];
        if (x.opaque_a != y.opaque_a || x.num_speakers != y.num_speakers ||
            x.num_objects != y.num_objects || std::strcmp(x.name, y.name) != 0)
            return false;
        for (int i = 0; i < 16; ++i) {
            if (x.speakers[i].source != y.speakers[i].source ||
                x.speakers[i].opaque_b != y.speakers[i].opaque_b ||
                x.speakers[i].opaque_c != y.speakers[i].opaque_c)
                return false;
            const auto& o = x.objects[i];
            const auto& q = y.objects[i];
            if (o.opaque_a != q.opaque_a || o.x != q.x || o.y != q.y || o.z != q.z ||
                o.opaque_b != q.opaque_b || o.opaque_c != q.opaque_c)
                return false;
        }
    }
    return true;
}

// Replaces frame index (0 = topic) of a message with the given bytes.
zmsg_t* WithFrame(const dlb_pwk_pa_status& status, std::size_t index, const QByteArray& bytes) {
    zmsg_t* pSource = DolbyED2Frames::Encode(status);
    zmsg_t* pResult = zmsg_new();
    std::size_t i = 0;
    for (zframe_t* f = zmsg_first(pSource); f; f = zmsg_next(pSource), ++i) {
        if (i == index)
            zmsg_addmem(pResult, bytes.constData(), static_cast<size_t>(bytes.size()));
        else
            zmsg_addmem(pResult, zframe_data(f), zframe_size(f));
    }
    zmsg_destroy(&pSource);
    return pResult;
}

// Frame indices inside a message (0 is the topic).
constexpr std::size_t kValidFrame = 1;
std::size_t PresentationFrame(std::size_t p) {
    return 2 + p * DolbyED2Frames::kFramesPerPresentation;
}
std::size_t SpeakerSourceFrame(std::size_t p, std::size_t s) {
    return PresentationFrame(p) + 2 + s * 3;
}
std::size_t SpeakerOpaqueBFrame(std::size_t p, std::size_t s) {
    return SpeakerSourceFrame(p, s) + 1;
}
std::size_t NameFrame(std::size_t p) {
    return PresentationFrame(p) + 147;
}

} // namespace

class TestEd2Subscriber final : public QObject {
    Q_OBJECT

private slots:
    void encodedEventHasTheWireLayout();
    void fullEventRoundTrips();
    void shortEventKeepsTheRest();
    void badFrames_data();
    void badFrames();
    void longNameIsCutTo31Characters();
    void eventsArriveOverTcpIntoOneRecord();

private:
    TestBusEnvironment mBus;
};

void TestEd2Subscriber::encodedEventHasTheWireLayout() {
    zmsg_t* pMsg = DolbyED2Frames::Encode(SampleStatus(1));
    QCOMPARE(zmsg_size(pMsg), DolbyED2Frames::kEventFrames);
    char* pTopic = zmsg_popstr(pMsg);
    QCOMPARE(QByteArray(pTopic), QByteArray("DolbyPersonalizationDataEvent"));
    zstr_free(&pTopic);
    zmsg_destroy(&pMsg);
}

// Guards the field order and the little-endian copy of every field.
void TestEd2Subscriber::fullEventRoundTrips() {
    const dlb_pwk_pa_status sent = SampleStatus(5);
    zmsg_t* pMsg = DolbyED2Frames::Encode(sent);
    dlb_pwk_pa_status received{};
    DolbyED2Frames::Decode(pMsg, &received);
    zmsg_destroy(&pMsg);
    QVERIFY(SameRecord(sent, received));
}

// A message that ends early leaves later fields as the previous one left them.
void TestEd2Subscriber::shortEventKeepsTheRest() {
    const dlb_pwk_pa_status previous = SampleStatus(2);
    const dlb_pwk_pa_status next = SampleStatus(9);
    zmsg_t* pFull = DolbyED2Frames::Encode(next);
    zmsg_t* pShort = zmsg_new();
    std::size_t i = 0;
    for (zframe_t* f = zmsg_first(pFull); f && i < PresentationFrame(1); f = zmsg_next(pFull), ++i)
        zmsg_addmem(pShort, zframe_data(f), zframe_size(f));
    zmsg_destroy(&pFull);

    dlb_pwk_pa_status record = previous;
    DolbyED2Frames::Decode(pShort, &record);
    zmsg_destroy(&pShort);
    QCOMPARE(record.presentations[0].opaque_a, next.presentations[0].opaque_a);
    QCOMPARE(QByteArray(record.presentations[0].name), QByteArray(next.presentations[0].name));
    QCOMPARE(record.presentations[1].opaque_a, previous.presentations[1].opaque_a);
    QCOMPARE(record.presentations[15].objects[15].x, previous.presentations[15].objects[15].x);
    QCOMPARE(record.selected_presentation, previous.selected_presentation);
}

void TestEd2Subscriber::badFrames_data() {
    QTest::addColumn<int>("frame");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("changes");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("one-byte frame for a 4-byte field")
        << int(kValidFrame) << QByteArray("\x07", 1) << false << qint64(0);
    QTest::newRow("empty frame") << int(kValidFrame) << QByteArray() << false << qint64(0);
    QTest::newRow("oversized frame takes its first 4 bytes")
        << int(kValidFrame) << QByteArray("\x02\x01\x00\x00\xff\xff\xff", 7) << true
        << qint64(0x102);
    QTest::newRow("1-byte field from a 4-byte frame")
        << int(SpeakerOpaqueBFrame(0, 0)) << QByteArray("\x2a\x01\x02\x03", 4) << true
        << qint64(0x2a);
    QTest::newRow("negative source")
        << int(SpeakerSourceFrame(0, 0)) << QByteArray("\xfe\xff\xff\xff", 4) << true << qint64(-2);
}

// Short, empty and oversized frames must neither crash nor shift later fields.
void TestEd2Subscriber::badFrames() {
    QFETCH(int, frame);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, changes);
    QFETCH(qint64, expected);
    dlb_pwk_pa_status record{};
    record.valid = 77;
    record.presentations[0].speakers[0].opaque_b = 77;
    record.presentations[0].speakers[0].source = 77;
    const dlb_pwk_pa_status sent = SampleStatus(3);
    zmsg_t* pMsg = WithFrame(sent, static_cast<std::size_t>(frame), bytes);
    DolbyED2Frames::Decode(pMsg, &record);
    zmsg_destroy(&pMsg);

    qint64 value = 0;
    if (frame == int(kValidFrame))
        value = record.valid;
    else if (frame == int(SpeakerOpaqueBFrame(0, 0)))
        value = record.presentations[0].speakers[0].opaque_b;
    else
        value = record.presentations[0].speakers[0].source;
    QCOMPARE(value, changes ? expected : qint64(77));
    // The walk goes on with the next field.
    QCOMPARE(record.selected_presentation, sent.selected_presentation);
    QCOMPARE(QByteArray(record.presentations[15].name), QByteArray(sent.presentations[15].name));
}

void TestEd2Subscriber::longNameIsCutTo31Characters() {
    const QByteArray name(40, 'N');
    zmsg_t* pMsg = WithFrame(SampleStatus(4), NameFrame(2), name);
    dlb_pwk_pa_status record{};
    std::memset(record.presentations[2].name, 'x', sizeof record.presentations[2].name);
    DolbyED2Frames::Decode(pMsg, &record);
    zmsg_destroy(&pMsg);
    QCOMPARE(QByteArray(record.presentations[2].name), name.left(31));
    QCOMPARE(record.presentations[2].name[31], '\0');
}

// Guards the subscriber end to end: TCP endpoint from the decoder address,
// topic filter, one record overwritten in place, one signal per event.
void TestEd2Subscriber::eventsArriveOverTcpIntoOneRecord() {
    ZsockPtr pub = BindSocket(ZMQ_PUB, BusEndpoints::Tcp("127.0.0.1", 2004));
    QVERIFY(pub);
    cZmqSubDolbyED2PaData subscriber;
    QSignalSpy spy(&subscriber, &cZmqSubDolbyED2PaData::sigDolbyED2PaData);
    subscriber.SetupAndRun(BusEndpoints::DecoderAddress());
    QVERIFY(subscriber.IsPolling());

    const auto send = [&pub](const dlb_pwk_pa_status& status) {
        zmsg_t* pMsg = DolbyED2Frames::Encode(status);
        zmsg_send(&pMsg, pub.get());
    };
    // Resend until the subscription has reached the publisher.
    const dlb_pwk_pa_status first = SampleStatus(11);
    QTRY_VERIFY_WITH_TIMEOUT((send(first), spy.count() > 0), 10000);
    QVERIFY(SameRecord(subscriber.Status(), first));
    QCOMPARE(spy.first().first().value<dlb_pwk_pa_status*>(), &subscriber.Status());

    const dlb_pwk_pa_status second = SampleStatus(12);
    send(second);
    QTRY_VERIFY_WITH_TIMEOUT(SameRecord(subscriber.Status(), second), 10000);
    // The same record, overwritten in place, is handed out every time.
    QCOMPARE(spy.last().first().value<dlb_pwk_pa_status*>(), &subscriber.Status());
}

QTEST_GUILESS_MAIN(TestEd2Subscriber)
#include "test_ed2subscriber.moc"
