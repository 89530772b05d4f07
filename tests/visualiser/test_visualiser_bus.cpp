// ctest-resource-lock: port2004
// Guards the visualiser's bus path: an event from the decoder's port must reach
// the page's drawing.
#include "support/PixelProbe.h"
#include "support/PublishUntil.h"
#include "support/TestBus.h"

#include "visualiser/DolbyED2Frames.h"
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include "BusEndpoints.h"

#include <QtTest>

class tstVisualiserBus final : public QObject {
    Q_OBJECT

private slots:
    // Guards against an event from the decoder's port not reaching the page's drawing.
    void eventOverTcpReachesPage() {
        TestBusEnvironment environment;
        ZsockPtr publisher = BindSocket(
            ZMQ_PUB, BusEndpoints::Tcp(BusEndpoints::DecoderAddress(), DolbyED2Frames::kPort));
        QVERIFY(publisher);
        cZmqSubDolbyED2PaData subscriber;
        cPageDolbyVisualiser page;
        QVERIFY(connect(&subscriber, &cZmqSubDolbyED2PaData::sigDolbyED2PaData, &page,
                        &cPageDolbyVisualiser::sltSetDolbyED2Data));
        QSignalSpy spy(&subscriber, &cZmqSubDolbyED2PaData::sigDolbyED2PaData);
        subscriber.SetupAndRun(BusEndpoints::DecoderAddress());

        dlb_pwk_pa_status status{};
        status.valid = 1;
        status.selected_presentation = 2;
        dlb_pwk_pa_presentation& p = status.presentations[2];
        p.num_speakers = p.num_objects = 1;
        p.speakers[0].source = 10; // "Rtf", top right corner of the top view
        p.objects[0].x = -0.5f, p.objects[0].y = 0.0f, p.objects[0].z = 1.0f;
        QVERIFY(PublishUntil(spy, [&] {
            zmsg_t* pMessage = DolbyED2Frames::Encode(status);
            zmsg_send(&pMessage, publisher.get());
        }));

        const QImage image = PixelProbe::Grab(page);
        QVERIFY(PixelProbe::At(image, QPointF(443.5 + 11, 16 - 11), QColor(127, 0, 255)));
        // (-0.5, 0, 1) in the top view: the full-size plane at (28.5, 16), 207.5 x 117 per unit.
        QVERIFY(PixelProbe::Marker(image, QPointF(132.25, 133), 32, Qt::red, true));
    }
};

QTEST_MAIN(tstVisualiserBus)
#include "test_visualiser_bus.moc"
