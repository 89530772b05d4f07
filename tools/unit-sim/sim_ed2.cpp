// Role "ed2": the decoder board's ED2 personalisation events.
#include "tools/unit-sim/Ed2Scene.h"
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "visualiser/DolbyED2Frames.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <czmq.h>

namespace {

// Sleeps in short steps so SIGINT is noticed quickly.
void Nap(qint64 milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!Sim::Stopping() && timer.elapsed() < milliseconds)
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(20, milliseconds)));
}

bool Send(zsock_t* pSocket, const dlb_pwk_pa_status& status) {
    zmsg_t* pMessage = DolbyED2Frames::Encode(status);
    return pMessage && zmsg_send(&pMessage, pSocket) == 0;
}

void Options(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("address"), QStringLiteral("A"),
                  QStringLiteral("Address to bind (default BRISVEL_DECODER_ADDR)."));
    Sim::AddValue(parser, QStringLiteral("port"), QStringLiteral("PORT"),
                  QStringLiteral("TCP port (default 2004)."),
                  QString::number(DolbyED2Frames::kPort));
    Sim::AddValue(parser, QStringLiteral("rate"), QStringLiteral("HZ"),
                  QStringLiteral("Events per second (default 10)."), QStringLiteral("10"));
    Sim::AddValue(parser, QStringLiteral("presentation"), QStringLiteral("N"),
                  QStringLiteral("Selected presentation (0-3 are filled)."), QStringLiteral("0"));
    Sim::AddValue(parser, QStringLiteral("objects"), QStringLiteral("N"),
                  QStringLiteral("Objects in the animated scene (0 to 16)."), QStringLiteral("-1"));
    Sim::AddFlag(parser, QStringLiteral("once"),
                 QStringLiteral("Send one event after --settle ms, then exit."));
    Sim::AddValue(parser, QStringLiteral("settle"), QStringLiteral("MS"),
                  QStringLiteral("Wait for subscribers before --once (default 1000)."),
                  QStringLiteral("1000"));
    Sim::AddValue(parser, QStringLiteral("describe"), QStringLiteral("TEXT"),
                  QStringLiteral("Send the fixed scene TEXT describes."));
    Sim::AddValue(parser, QStringLiteral("scene"), QStringLiteral("FILE"),
                  QStringLiteral("Send the fixed scene FILE describes."));
}

int Run(const QCommandLineParser& args) {
    const QString address = args.isSet(QStringLiteral("address"))
                                ? args.value(QStringLiteral("address"))
                                : QString::fromLatin1(BusEndpoints::DecoderAddress());
    bool ok = false;
    const unsigned port = args.value(QStringLiteral("port")).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        Sim::Say(QStringLiteral("ed2: bad --port"));
        return 2;
    }
    const double rate = args.value(QStringLiteral("rate")).toDouble(&ok);
    if (!ok || rate <= 0.0 || rate > 1000.0) {
        Sim::Say(QStringLiteral("ed2: --rate must be above 0 and at most 1000"));
        return 2;
    }
    const uint selected = args.value(QStringLiteral("presentation")).toUInt(&ok);
    if (!ok) {
        Sim::Say(QStringLiteral("ed2: bad --presentation"));
        return 2;
    }
    const int objects = args.value(QStringLiteral("objects")).toInt(&ok);
    if (!ok || objects > 16) {
        Sim::Say(QStringLiteral("ed2: --objects must be 0 to 16"));
        return 2;
    }
    const int settle = args.value(QStringLiteral("settle")).toInt(&ok);
    if (!ok || settle < 0) {
        Sim::Say(QStringLiteral("ed2: bad --settle"));
        return 2;
    }

    // A fixed scene from a description, given inline or in a file.
    QString description = args.value(QStringLiteral("describe"));
    const QString sceneFile = args.value(QStringLiteral("scene"));
    if (!sceneFile.isEmpty()) {
        QFile file(sceneFile);
        if (!file.open(QIODevice::ReadOnly)) {
            Sim::Say(QStringLiteral("ed2: cannot read %1").arg(sceneFile));
            return 1;
        }
        description = QString::fromUtf8(file.readAll());
    }
    dlb_pwk_pa_status fixed{};
    const bool bFixed = !description.isEmpty();
    if (bFixed) {
        QString error;
        if (!Ed2Scene::Parse(description, &fixed, &error)) {
            Sim::Say(QStringLiteral("ed2: bad scene: %1").arg(error));
            return 2;
        }
    }

    const std::string endpoint = BusEndpoints::Tcp(address.toLatin1().constData(), port);
    zsock_t* pSocket = zsock_new(ZMQ_PUB);
    if (!pSocket || zsock_bind(pSocket, "%s", endpoint.c_str()) < 0) {
        Sim::Say(QStringLiteral("ed2: cannot bind %1").arg(QString::fromStdString(endpoint)));
        zsock_destroy(&pSocket);
        return 1;
    }
    zsock_set_sndtimeo(pSocket, 0);
    Sim::Say(QStringLiteral("ed2: publishing \"%1\" on %2")
                 .arg(QLatin1String(DolbyED2Frames::kTopic), QString::fromStdString(endpoint)));

    int rc = 0;
    if (args.isSet(QStringLiteral("once"))) {
        // A PUB socket drops what it sends before subscribers have joined.
        Nap(settle);
        const dlb_pwk_pa_status status =
            bFixed ? fixed : Ed2Scene::Animated(0.0, selected, objects);
        if (!Send(pSocket, status)) {
            Sim::Say(QStringLiteral("ed2: send failed"));
            rc = 1;
        } else {
            Sim::Say(QStringLiteral("ed2: sent %1").arg(Ed2Scene::Summary(status)));
        }
        zsock_set_linger(pSocket, 1000);
        zsock_destroy(&pSocket);
        return rc;
    }

    QElapsedTimer clock;
    clock.start();
    qint64 lastReport = -1000;
    quint64 sent = 0;
    const qint64 period = std::max<qint64>(1, static_cast<qint64>(1000.0 / rate));
    while (!Sim::Stopping()) {
        const qint64 now = clock.elapsed();
        const dlb_pwk_pa_status status =
            bFixed ? fixed
                   : Ed2Scene::Animated(static_cast<double>(now) / 1000.0, selected, objects);
        if (Send(pSocket, status))
            ++sent;
        if (now - lastReport >= 1000) {
            Sim::Say(
                QStringLiteral("ed2: %1 events, now %2").arg(sent).arg(Ed2Scene::Summary(status)));
            lastReport = now;
        }
        Nap(period - (clock.elapsed() - now));
    }
    Sim::Say(QStringLiteral("ed2: stopped after %1 events").arg(sent));
    // Not 0: libzmq 4.3 aborts when the app drops its link while we close half
    // way through a multi-frame event, as when both are stopped together.
    zsock_set_linger(pSocket, 100);
    zsock_destroy(&pSocket);
    return rc;
}

const SimRoleRegistration kRegistration(
    "ed2",
    SimRole{"decoder board: ED2 personalisation events (animated scene or a described one)",
            "Binds a PUB socket on tcp://A:PORT (A defaults to BRISVEL_DECODER_ADDR) and\n"
            "publishes at HZ (default 10) the built-in animated scene, selected presentation\n"
            "N (0-3 are filled), N objects in it. --describe/--scene send a fixed scene, e.g.\n"
            "  --describe \"valid=1 sel=0; P0 name=Main beds=L,R,C objects=0,1,0.5 -1,0,1\"\n"
            "(fields: valid= sel= and per presentation P<n> name= beds= objects= nspk= nobj=;\n"
            "';' or new lines separate statements, '#' comments). --once sends one event\n"
            "after waiting MS (default 1000) for subscribers, then exits.",
            Options, Run});

} // namespace
