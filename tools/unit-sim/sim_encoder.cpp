// encoder: stands in for the hardware manager's rotary encoder states.
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QThread>

#include <czmq.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

void RemoveSocketFile(const char* pName) {
    std::remove((std::string(BusEndpoints::MqDir()) + "/" + pName).c_str());
}

const char* const kPubSocket = "hwmStatesPub.ipc";

const std::map<QString, const char*>& Topics() {
    static const std::map<QString, const char*> topics{
        {QStringLiteral("right-bottom"), "HwmEncoderState_Right-Bottom"},
        {QStringLiteral("left-bottom"), "HwmEncoderState_Left-Bottom"},
        {QStringLiteral("right-top"), "HwmEncoderState_Right-Top"},
    };
    return topics;
}

struct Knob {
    int countAbsolute = 0;
    int switchAbsolute = 0;
};

void Publish(zsock_t* pPub, const char* pTopic, Knob& knob, int iDelta, int iSwitch) {
    knob.countAbsolute += iDelta;
    if (iSwitch != 0)
        knob.switchAbsolute = iSwitch > 0 ? 1 : 0;
    const QString json = QStringLiteral("{\"SwitchChange\":%1,\"SwitchAbsolute\":%2,"
                                        "\"CountAbsolute\":%3,\"CountChange\":%4}")
                             .arg(iSwitch)
                             .arg(knob.switchAbsolute)
                             .arg(knob.countAbsolute)
                             .arg(iDelta);
    zstr_sendm(pPub, pTopic);
    zstr_send(pPub, json.toUtf8().constData());
    Sim::Say(QStringLiteral("%1 sent %2 %3").arg(Sim::NowMs()).arg(pTopic, json));
}

// Sleeps in small steps so a stop request is seen quickly.
bool Pause(int milliseconds) {
    for (int slept = 0; slept < milliseconds && !Sim::Stopping(); slept += 20)
        QThread::msleep(20);
    return !Sim::Stopping();
}

void Options(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("knob"),
                  QStringLiteral("right-bottom|left-bottom|right-top"),
                  QStringLiteral("The one encoder to send."));
    Sim::AddValue(parser, QStringLiteral("delta"), QStringLiteral("N"),
                  QStringLiteral("Count change of each event (default 1)."), QStringLiteral("1"));
    Sim::AddValue(parser, QStringLiteral("switch"), QStringLiteral("S"),
                  QStringLiteral("Switch change: 1 pressed, -1 released (default 0)."),
                  QStringLiteral("0"));
    Sim::AddValue(parser, QStringLiteral("interval"), QStringLiteral("MS"),
                  QStringLiteral("Period of the events (default 1000)."), QStringLiteral("1000"));
}

int Run(const QCommandLineParser& args) {
    const QString knobName = args.value(QStringLiteral("knob"));
    if (!knobName.isEmpty() && Topics().count(knobName) == 0) {
        std::fprintf(stderr, "encoder: --knob is right-bottom, left-bottom or right-top\n");
        return 2;
    }
    const int delta = args.value(QStringLiteral("delta")).toInt();
    const int switchChange = args.value(QStringLiteral("switch")).toInt();
    const int interval = args.value(QStringLiteral("interval")).toInt();

    zsock_t* pPub = zsock_new(ZMQ_PUB);
    if (!pPub)
        return 1;
    zsock_set_linger(pPub, 0);
    const std::string endpoint = BusEndpoints::Ipc(kPubSocket);
    if (zsock_bind(pPub, "%s", endpoint.c_str()) < 0) {
        std::fprintf(stderr, "encoder: cannot bind %s\n", endpoint.c_str());
        zsock_destroy(&pPub);
        return 1;
    }
    Sim::Say(QStringLiteral("encoder: publishing on %1").arg(endpoint.c_str()));

    std::map<QString, Knob> knobs;
    // Subscribers drop what comes before they join: give them a moment.
    if (Pause(1000)) {
        if (!knobName.isEmpty()) {
            // One knob, the same event every interval.
            while (!Sim::Stopping()) {
                Publish(pPub, Topics().at(knobName), knobs[knobName], delta, switchChange);
                if (!Pause(interval))
                    break;
            }
        } else {
            // Demo: each knob turns right, turns back, is pressed and released.
            const int steps[][2] = {{1, 0}, {2, 0}, {-1, 0}, {0, 1}, {0, -1}};
            while (!Sim::Stopping()) {
                for (const auto& [name, pTopic] : Topics())
                    for (const auto& step : steps) {
                        Publish(pPub, pTopic, knobs[name], step[0], step[1]);
                        if (!Pause(interval / 4))
                            break;
                    }
            }
        }
    }
    zsock_destroy(&pPub);
    // The bus library leaves the socket file of a bound socket behind.
    RemoveSocketFile(kPubSocket);
    return 0;
}

SimRoleRegistration gRegistration{
    "encoder",
    {"hardware manager: publishes rotary encoder states",
     "Publishes on hwmStatesPub.ipc. With --knob, sends that encoder's state\n"
     "every MS (default 1000): the count moves by N (default 1) and the switch\n"
     "change is S (default 0; 1 pressed, -1 released). Without --knob, runs a\n"
     "demo sequence over the three encoders.",
     Options, Run}};

} // namespace
