#include "app/KeldHeartBeater.h"

#include "ConsolePrint.h"
#include "HeartBeater.h"

#include <QTimer>

cKeldHeartbeater::cKeldHeartbeater(QObject* parent)
    : QObject(parent), mpTimer(new QTimer(this)), mpHeartBeater(cHeartBeater::GetInstance()) {
    setObjectName(QStringLiteral("MainZmq"));
}

void cKeldHeartbeater::Init(const char* pName) {
    if (mpHeartBeater) {
        mpHeartBeater->SetHeartBeatJson(pName, nullptr, PROCESS_STATUS_RUNNING);
        mpHeartBeater->ConnectMqOverIpc();
    }
    if (!connect(mpTimer, &QTimer::timeout, this, &cKeldHeartbeater::SendHeartbeat)) {
        KeldError("Sig/Slot connect failure in KeldHeartBeater.");
    }
    mpTimer->start(kPeriodMs);
}

bool cKeldHeartbeater::IsRunning() const {
    return mpTimer->isActive();
}

void cKeldHeartbeater::SendHeartbeat() {
    if (mpHeartBeater)
        mpHeartBeater->SendBeat();
}
