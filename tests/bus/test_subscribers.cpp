// The bus subscribers' topic handlers: each reaching its own signals, with
// their arguments, in the order the window relies on. Their sockets are met
// in the window's suite and in the bus torture.
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubWebBaseDolby.h"

#include <QtTest>

class tstSubscribers final : public QObject {
    Q_OBJECT

private slots:
    // A preset's signals out of the order the window relies on: settings first, then the
    // recall, then the meter screen.
    void presetSignalsInOrder() {
        cZmqSubWebBaseDolby subscriber;
        subscriber.SetupParsers();
        QStringList order;
        const auto note = [&order](const char* pName) {
            return [&order, pName] { order << pName; };
        };
        connect(&subscriber, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings, this, note("decoder"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigSourceSelected, this, note("source"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigWebRecalledPreset, this, note("recalled"));
        connect(&subscriber, &cZmqSubWebBaseDolby::sigApplyDZMeters, this, note("apply"));
        // A Dolby-fed meter and a Dolby meter screen request.
        for (const char* pSourceSelect : {"true}", "false}"})
            subscriber.ParseMetersInfo(
                (QByteArray(R"({"Clusters":[],"MeterSet":{"1":{"Source":{"Type":"Dolby E"}}},)"
                            R"("SystemClockSource":{},"ApplyDZMeterScreen":true,"SourceSelect":)") +
                 pSourceSelect)
                    .constData());
        QCOMPARE(order,
                 QStringList({"decoder", "source", "apply", "decoder", "recalled", "apply"}));
    }

    // The peer's scale narrowed to other than its low byte.
    void peerScale() {
        cZmqSubPeer subscriber;
        subscriber.SetupParsers();
        QSignalSpy scale(&subscriber, &cZmqSubPeer::sigSetMeterScale);
        subscriber.ParseMeterScaleInfo(R"({"Scale": 258})");
        QCOMPARE(scale.value(0).value(0).value<std::uint8_t>(), std::uint8_t{2});
    }
};

QTEST_GUILESS_MAIN(tstSubscribers)
#include "test_subscribers.moc"
