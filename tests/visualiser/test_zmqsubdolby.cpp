// ctest-resource-lock: port2002
// Guards the metadata subscriber on its real TCP port: it must reach the
// decoding process's endpoint, hand a received document to its signals, and
// report foreign topics and one-frame messages instead of parsing them.
#include "BusEndpoints.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"
#include "visualiser/ZmqSubDolby.h"

#include <QtTest>

class cTestZmqSubDolby final : public QObject {
    Q_OBJECT

private slots:
    void receivesOverTcp();
};

void cTestZmqSubDolby::receivesOverTcp() {
    TestBusEnvironment environment;
    ZsockPtr publisher =
        BindSocket(ZMQ_PUB, BusEndpoints::Tcp(BusEndpoints::DecoderAddress(), cZmqSubDolby::kPort));
    QVERIFY(publisher);
    cZmqSubDolby subscriber;
    subscriber.SetupAndRun(BusEndpoints::DecoderAddress());
    QVERIFY(subscriber.IsPolling());

    const char* pDocument =
        R"({"NoOfPrograms":1,"CurrentProgram":1,"IsAtmosPresent":true,)"
        R"("S337Type":{"Data":16},"Programs":[{"p1":{"Title":"Main","Desc":"5.1"}}]})";
    QSignalSpy typeSpy(&subscriber, &cZmqSubDolby::sigDolbyStreamType);
    QVERIFY(PublishUntil(typeSpy,
                         [&] { SendTopic(publisher.get(), cZmqSubDolby::kTopic, pDocument); }));
    DrainSignals(typeSpy);
    QCOMPARE(subscriber.DisplayLines(), QList<QString>({"\n", "Main\n5.1"}));
    QCOMPARE(subscriber.MetaData().CurrentProgram, 1);

    QSignalSpy linesSpy(&subscriber, &cZmqSubDolby::sigNewDolbyMetaData);
    QStringList types;
    connect(&subscriber, &cZmqSubDolby::sigDolbyStreamType, this,
            [&](const char* pType) { types << QString::fromUtf8(pType); });
    const QByteArray text = CaptureStdout([&] {
        SendTopic(publisher.get(), "DolbyMetadataEventX", pDocument);
        zstr_send(publisher.get(), cZmqSubDolby::kTopic); // topic only
        SendTopic(publisher.get(), cZmqSubDolby::kTopic, R"({"S337Type":{"Data":1}})");
        linesSpy.wait(10000);
    });
    QCOMPARE(linesSpy.count(), 1);
    QCOMPARE(types, QStringList{"Dolby Digital"});
    QVERIFY2(text.contains("ZQT ERROR : JsonParseDolby received an unhandled topic: "
                           "DolbyMetadataEventX\n"),
             text.constData());
    QVERIFY2(text.contains("ZQT ERROR : Dolby message contains a null element (topic: "
                           "DolbyMetadataEvent, Message: (null)).\n"),
             text.constData());
}

QTEST_GUILESS_MAIN(cTestZmqSubDolby)
#include "test_zmqsubdolby.moc"
