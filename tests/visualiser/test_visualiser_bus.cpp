// ctest-resource-lock: port2004
#include "support/PixelProbe.h"
#include "support/TestBus.h"

#include "visualiser/DolbyED2Frames.h"
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include "BusEndpoints.h"

#include <QApplication>
#include <QtTest>

#include <cstring>

class tstVisualiserBus final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"))); }

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
        std::strcpy(p.name, "Sports");
        p.num_speakers = 1;
        p.speakers[0].source = 10; // "Rtf", top right corner of the top view
        p.num_objects = 1;
        p.objects[0].x = -0.5f, p.objects[0].y = 0.0f, p.objects[0].z = 1.0f;

        // A PUB socket drops events sent before the subscription arrives: resend until one lands.
        SettleSubscription();
        for (int attempt = 0; attempt < 20 && spy.isEmpty(); ++attempt) {
            zmsg_t* pMessage = DolbyED2Frames::Encode(status);
            QVERIFY(zmsg_send(&pMessage, publisher.get()) == 0);
            spy.wait(500);
        }
        QVERIFY(!spy.isEmpty());

        QCOMPARE(page.DynamicObjects(), (QList<QVector3D>{{-0.5f, 0.0f, 1.0f}}));
        QCOMPARE(page.BedNames(), (QList<QString>{QStringLiteral("Rtf")}));
        QCOMPARE(page.Area()->Caption(), QStringLiteral("Top View : Sports "));
        const QImage image = PixelProbe::Grab(page);
        QVERIFY(PixelProbe::At(image, QPointF(443.5 + 11, 16 - 11), QColor(127, 0, 255)));
        const QPointF object = RoomGeometry::MarkerCentre(QVector3D(-0.5f, 0.0f, 1.0f));
        QVERIFY(PixelProbe::At(image, object + QPointF(0, -11), QColor(255, 0, 0)));
    }
};

QTEST_MAIN(tstVisualiserBus)
#include "test_visualiser_bus.moc"
