#include "app/KeldHeartBeater.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/AppLib/Include/HeartBeater.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QTimer>

cKeldHeartbeater::cKeldHeartbeater(QObject* parent)
    : QObject(parent), mpTimer(new QTimer(this)), mpHeartBeater(cHeartBeater::GetInstance()) {
    setObjectName(QStringLiteral("MainZmq"));
}

void cKeldHeartbeater::Init(const char* pName) {
    if (mpHeartBeater) {
        mpHeartBeater->SetHeartBeatJson(pName, nullptr, PROCESS_STATUS_RUNNING);
        // Its own failure goes through the logger, whose console echo is not on yet.
        if (!mpHeartBeater->ConnectMqOverIpc())
            KeldError("Heartbeat link not made: %s",
                      BusEndpoints::Ipc(cHeartBeater::kMonitorSocket).c_str());
    }
    if (!connect(mpTimer, &QTimer::timeout, this, &cKeldHeartbeater::SendHeartbeat)) {
        KeldError("Sig/Slot connect failure in KeldHeartBeater.");
    }
    // On the second, as the bus's other one-second timers: they share a wake-up.
    // (A coarse timer may fire 5 % early; the monitor expects one beat a second.)
    mpTimer->setTimerType(Qt::VeryCoarseTimer);
    mpTimer->start(kPeriodMs);
}

bool cKeldHeartbeater::IsRunning() const {
    return mpTimer->isActive();
}

bool cKeldHeartbeater::BeatTaken() const {
    return mpHeartBeater && mpHeartBeater->IsConnected() && mpHeartBeater->IsHbReady() &&
           !mpHeartBeater->BeatsDropped();
}

void cKeldHeartbeater::SendHeartbeat() {
    if (mpHeartBeater)
        mpHeartBeater->SendBeat();
    emit sigTick();
}
