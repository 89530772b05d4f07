// Guards the web settings subscriber against emitting in the wrong order.
#include "bus/ZmqSubWebBaseDolby.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include <QtTest>

namespace {

const char* const kScales =
    R"({"Scale":"EBU","Ballistics":{"Float":"PPM","Bar":"Peak"},"OriginFromFp":false})";

// A Dolby-fed meter and a Dolby meter screen request.
QByteArray Preset(bool bSourceSelect) {
    return QByteArray(R"({"Clusters":[],"MeterSet":{"1":{"Source":{"Type":"Dolby E"}}},)"
                      R"("SystemClockSource":{},"ApplyDZMeterScreen":true,"SourceSelect":)") +
           (bSourceSelect ? "true}" : "false}");
}

} // namespace

class TestZmqSubWebBaseDolby final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void presetSignalsInOrder();

private:
    TestBusEnvironment mEnv;
    ZsockPtr mpPublisher;
    cZmqSubWebBaseDolby mSub; // last: it goes before the socket it reads
};

void TestZmqSubWebBaseDolby::initTestCase() {
    mpPublisher = BindSocket(ZMQ_PUB, mEnv.Ipc("appServer.ipc"));
    QVERIFY(mpPublisher);
    mSub.SetupAndRun("appServer.ipc");
    QSignalSpy scales(&mSub, &cZmqSubWebBaseDolby::sigMeterScaleInfo);
    QVERIFY(PublishUntil(
        scales, [this] { SendTopic(mpPublisher.get(), "AppMeterScalesSelect", kScales); }));
}

// Guards the order the window relies on: settings first, then the recall,
// then the meter screen.
void TestZmqSubWebBaseDolby::presetSignalsInOrder() {
    QStringList order;
    QObject context;
    const auto note = [&order](const char* pName) { return [&order, pName] { order << pName; }; };
    connect(&mSub, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings, &context, note("decoder"));
    connect(&mSub, &cZmqSubWebBaseDolby::sigSourceSelected, &context, note("source"));
    connect(&mSub, &cZmqSubWebBaseDolby::sigWebRecalledPreset, &context, note("recalled"));
    connect(&mSub, &cZmqSubWebBaseDolby::sigApplyDZMeters, &context, note("apply"));

    QSignalSpy applied(&mSub, &cZmqSubWebBaseDolby::sigApplyDZMeters);
    QVERIFY(SendTopic(mpPublisher.get(), "AppPresetConfiguration", Preset(true).constData()));
    QVERIFY(SendTopic(mpPublisher.get(), "AppPresetConfiguration", Preset(false).constData()));
    QTRY_COMPARE_WITH_TIMEOUT(applied.count(), 2, 5000);
    QCOMPARE(order, QStringList({"decoder", "source", "apply", "decoder", "recalled", "apply"}));
}

QTEST_GUILESS_MAIN(TestZmqSubWebBaseDolby)
#include "test_zmqsubwebbasedolby.moc"
