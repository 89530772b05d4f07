// unit-sim role "hwm": the hardware manager's volume, balance and SDI
// receiver status on "hwmStatesPub.ipc".
#include "SimPubLoop.h"
#include "SimRole.h"

#include "BusEndpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray Compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

int RunHwm(const QStringList& args) {
    const QString socket =
        Sim::Option(args, QStringLiteral("socket"), QStringLiteral("hwmStatesPub.ipc"));
    // Percentages travel in hundredths; the raw values span 0..1023.
    const double volume =
        Sim::Option(args, QStringLiteral("volume"), QStringLiteral("75")).toDouble();
    const double left =
        Sim::Option(args, QStringLiteral("balance"), QStringLiteral("50")).toDouble();
    bool bOk = false;
    // 0x0205: locked, HD, 1080, interlaced, rate code 5 -> "HD/1080i/50Hz".
    const int iStatus =
        Sim::Option(args, QStringLiteral("status"), QStringLiteral("0x0205")).toInt(&bOk, 0);
    const int iLock = Sim::Option(args, QStringLiteral("lock"), QStringLiteral("1")).toInt();

    const QByteArray volumeJson = Compact({
        {QStringLiteral("Value"), qRound(volume * 10.23)},
        {QStringLiteral("ValueInPrcnt"), qRound(volume * 100.0)},
        {QStringLiteral("Mute"), Sim::Flag(args, QStringLiteral("mute"))},
    });
    const QByteArray balanceJson = Compact({
        {QStringLiteral("Value"), qRound(left * 10.23)},
        {QStringLiteral("ValueInPrcntForLeft"), qRound(left * 100.0)},
    });
    const QByteArray statusJson = Compact({
        {QStringLiteral("EncodedStatus"), bOk ? iStatus : 0},
        {QStringLiteral("Slot"), 1},
        {QStringLiteral("Status"), 1},
        {QStringLiteral("Type"), 0},
        {QStringLiteral("ClkSrcLockStatus"), iLock},
    });

    zsock_t* pSocket = SimPub::Bind(BusEndpoints::Ipc(socket.toLocal8Bit().constData()));
    return SimPub::Run(pSocket, args, [&] {
        SimPub::Send(pSocket, "HwmVolume", volumeJson);
        SimPub::Send(pSocket, "HwmBalance", balanceJson);
        SimPub::Send(pSocket, "HwmSignalStatus", statusJson);
    });
}

const SimRoleRegistration
    kRegistration("hwm",
                  SimRole{"publishes HwmVolume, HwmBalance and HwmSignalStatus",
                          std::string("[--socket NAME] [--volume PERCENT] [--mute] [--balance "
                                      "LEFT-PERCENT] [--status WORD] [--lock 0|1] ") +
                              SimPub::kLoopUsage,
                          RunHwm});

} // namespace
