// ctest-resource-lock: port2002
// Guards the metadata subscriber on its real TCP port: it must reach the
// decoding process's endpoint and hand a received document to its signals in order.
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
    // Receivers rely on lines, record and stream type arriving in this order.
    TestBusEnvironment environment;
    const char* pAddress = BusEndpoints::DecoderAddress();
    ZsockPtr publisher = BindSocket(ZMQ_PUB, BusEndpoints::Tcp(pAddress, cZmqSubDolby::kPort));
    QVERIFY(publisher);
    cZmqSubDolby subscriber;
    subscriber.SetupAndRun(pAddress);
    QSignalSpy typeSpy(&subscriber, &cZmqSubDolby::sigDolbyStreamType);
    QVERIFY(PublishUntil(typeSpy, [&] { SendTopic(publisher.get(), cZmqSubDolby::kTopic, "{}"); }));

    QStringList order;
    connect(&subscriber, &cZmqSubDolby::sigNewDolbyMetaData, this,
            [&](QList<QString>* pLines) { order << pLines->join(QLatin1Char('|')); });
    connect(&subscriber, &cZmqSubDolby::sigNewDolbyData, this,
            [&](DolbyMetaData_s* pData) { order << QString::number(pData->CurrentProgram); });
    connect(&subscriber, &cZmqSubDolby::sigDolbyStreamType, this,
            [&](const char* pType) { order << QString::fromUtf8(pType); });
    SendTopic(
        publisher.get(), cZmqSubDolby::kTopic,
        R"({"NoOfPrograms":1,"CurrentProgram":1,"S337Type":{"Data":16},"Programs":[{"p":{}}]})");
    QTRY_COMPARE_WITH_TIMEOUT(order, QStringList({"\n|\n", "1", "Dolby Digital Plus"}), 10000);
}

QTEST_GUILESS_MAIN(cTestZmqSubDolby)
#include "test_zmqsubdolby.moc"
