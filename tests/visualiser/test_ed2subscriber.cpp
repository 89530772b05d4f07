#include "visualiser/DolbyED2Frames.h"

#include <QTest>

#include <cstring>
#include <vector>

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
            pres.speakers[i] = {std::int32_t(i + p + seed) - 3, std::uint8_t(i * 7 + seed), i};
            const float x = float(i) / 8 - 1, y = 0.5f - float(p) / 16, z = float(seed + i) / 100;
            pres.objects[i] = {i, x, y, z, std::uint8_t(255 - i), p};
        }
        std::snprintf(pres.name, sizeof pres.name, "Presentation %u/%u", p, seed);
    }
    return status;
}

// The frames of a message, topic included.
QList<QByteArray> Frames(zmsg_t* pMsg) {
    QList<QByteArray> frames;
    for (zframe_t* f = zmsg_first(pMsg); f; f = zmsg_next(pMsg))
        frames << QByteArray(reinterpret_cast<const char*>(zframe_data(f)),
                             qsizetype(zframe_size(f)));
    return frames;
}

// Little-endian field bytes, as the unit's processors send them.
QByteArray U32(std::uint32_t value) {
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}
QByteArray F32(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(bits);
}

// A record's event laid out by hand from the documented frame order: topic,
// valid, 16 presentations of 148 frames, selected presentation.
QList<QByteArray> Frames(const dlb_pwk_pa_status& status) {
    QList<QByteArray> f{"DolbyPersonalizationDataEvent", U32(status.valid)};
    for (const dlb_pwk_pa_presentation& p : status.presentations) {
        f << U32(p.opaque_a) << U32(p.num_speakers);
        for (const dlb_pwk_pa_speaker& s : p.speakers)
            f << U32(std::uint32_t(s.source)) << QByteArray(1, char(s.opaque_b)) << U32(s.opaque_c);
        f << U32(p.num_objects);
        for (const dlb_pwk_pa_object& o : p.objects)
            f << U32(o.opaque_a) << F32(o.x) << F32(o.y) << F32(o.z)
              << QByteArray(1, char(o.opaque_b)) << U32(o.opaque_c);
        f << QByteArray(p.name);
    }
    f << U32(status.selected_presentation);
    return f;
}

// Two records are equal when they travel as the same frames (they have padding).
bool SameRecord(const dlb_pwk_pa_status& a, const dlb_pwk_pa_status& b) {
    return Frames(a) == Frames(b);
}

// Decodes through the bus library's frames and through the frames as the
// reader keeps them, which must give the same record.
void Decode(QList<QByteArray> frames, dlb_pwk_pa_status* pRecord) {
    zmsg_t* pMsg = zmsg_new();
    std::vector<sFrameSlot> table;
    for (QByteArray& frame : frames) {
        zmsg_addmem(pMsg, frame.constData(), size_t(frame.size()));
        table.push_back(
            {nullptr, reinterpret_cast<unsigned char*>(frame.data()), size_t(frame.size())});
    }
    dlb_pwk_pa_status fromSlots = *pRecord;
    DolbyED2Frames::Decode(pMsg, pRecord);
    zmsg_destroy(&pMsg);
    DolbyED2Frames::Decode(table.data(), table.size(), &fromSlots);
    QVERIFY(std::memcmp(&fromSlots, pRecord, sizeof fromSlots) == 0);
}

// Frame indices inside a message (0 is the topic).
constexpr int kValidFrame = 1;
int PresentationFrame(int p) {
    return 2 + p * 148;
}
constexpr int kSourceFrame = 2 + 2; // presentation 0, speaker 0

} // namespace

class TestEd2Subscriber final : public QObject {
    Q_OBJECT

private slots:
    // Guards the wire layout against the documented one: a field order or byte
    // order slip made alike in encoder and decoder would still round-trip.
    void fullEventRoundTrips() {
        const dlb_pwk_pa_status sent = SampleStatus(5);
        const QList<QByteArray> frames = Frames(sent);
        QCOMPARE(frames.size(), qsizetype(2371));
        QCOMPARE(frames[PresentationFrame(1)], QByteArray("\x06\x00\x00\xa0", 4)); // opaque_a
        zmsg_t* pMsg = DolbyED2Frames::Encode(sent);
        QCOMPARE(Frames(pMsg), frames);
        zmsg_destroy(&pMsg);
        dlb_pwk_pa_status received{};
        Decode(frames, &received);
        QVERIFY(SameRecord(sent, received));
        QCOMPARE(received.presentations[3].objects[2].x, -0.75f);
    }

    // A message that ends early leaves later fields as the previous one left them.
    void shortEventKeepsTheRest() {
        const dlb_pwk_pa_status previous = SampleStatus(2);
        const dlb_pwk_pa_status next = SampleStatus(9);
        dlb_pwk_pa_status record = previous;
        Decode(Frames(next).mid(0, PresentationFrame(1)), &record);
        QCOMPARE(QByteArray(record.presentations[0].name), QByteArray(next.presentations[0].name));
        QCOMPARE(record.presentations[1].opaque_a, previous.presentations[1].opaque_a);
        QCOMPARE(record.selected_presentation, previous.selected_presentation);
    }

    void badFrames_data() {
        QTest::addColumn<int>("frame");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("expected"); // 77: the field kept its old value
        QTest::newRow("one byte for a 4-byte field")
            << kValidFrame << QByteArray("\x07", 1) << 77LL;
        QTest::newRow("oversized frame gives its first 4 bytes")
            << kValidFrame << QByteArray("\x02\x01\x00\x00\xff\xff\xff", 7) << 0x102LL;
        QTest::newRow("negative source")
            << kSourceFrame << QByteArray("\xfe\xff\xff\xff", 4) << -2LL;
    }

    // Short and oversized frames must neither crash nor shift later fields.
    void badFrames() {
        QFETCH(int, frame);
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, expected);
        dlb_pwk_pa_status record{};
        record.valid = 77;
        record.presentations[0].speakers[0] = {77, 77, 0};
        const dlb_pwk_pa_status sent = SampleStatus(3);
        QList<QByteArray> frames = Frames(sent);
        frames[frame] = bytes;
        Decode(frames, &record);

        QCOMPARE(frame == kValidFrame ? qint64(record.valid)
                                      : qint64(record.presentations[0].speakers[0].source),
                 expected);
        QCOMPARE(record.selected_presentation, sent.selected_presentation);
        QCOMPARE(QByteArray(record.presentations[15].name),
                 QByteArray(sent.presentations[15].name));
    }
};

QTEST_GUILESS_MAIN(TestEd2Subscriber)
#include "test_ed2subscriber.moc"
