// unit-sim role "hwm": the hardware manager's volume, balance and SDI
// receiver status on "hwmStatesPub.ipc".
#include "tools/unit-sim/SimPubLoop.h"
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QByteArray Compact(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void HwmOptions(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("socket"), QStringLiteral("NAME"),
                  QStringLiteral("Socket name (default hwmStatesPub.ipc)."),
                  QStringLiteral("hwmStatesPub.ipc"));
    Sim::AddValue(parser, QStringLiteral("volume"), QStringLiteral("PERCENT"),
                  QStringLiteral("Volume (default 75)."), QStringLiteral("75"));
    Sim::AddFlag(parser, QStringLiteral("mute"), QStringLiteral("Volume muted."));
    Sim::AddValue(parser, QStringLiteral("balance"), QStringLiteral("LEFT-PERCENT"),
                  QStringLiteral("Balance to the left (default 50)."), QStringLiteral("50"));
    // 0x0205: locked, HD, 1080, interlaced, rate code 5 -> "HD/1080i/50Hz".
    Sim::AddValue(parser, QStringLiteral("status"), QStringLiteral("WORD"),
                  QStringLiteral("SDI receiver status word (default 0x0205)."),
                  QStringLiteral("0x0205"));
    Sim::AddValue(parser, QStringLiteral("lock"), QStringLiteral("0|1"),
                  QStringLiteral("Clock source lock (default 1)."), QStringLiteral("1"));
    SimPub::AddLoopOptions(parser);
}

int RunHwm(const QCommandLineParser& args) {
    const QString socket = args.value(QStringLiteral("socket"));
    // Percentages travel in hundredths; the raw values span 0..1023.
    const double volume = args.value(QStringLiteral("volume")).toDouble();
    const double left = args.value(QStringLiteral("balance")).toDouble();
    bool bOk = false;
    const int iStatus = args.value(QStringLiteral("status")).toInt(&bOk, 0);
    const int iLock = args.value(QStringLiteral("lock")).toInt();

    const QByteArray volumeJson = Compact({
        {QStringLiteral("Value"), qRound(volume * 10.23)},
        {QStringLiteral("ValueInPrcnt"), qRound(volume * 100.0)},
        {QStringLiteral("Mute"), args.isSet(QStringLiteral("mute"))},
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

const SimRoleRegistration kRegistration(
    "hwm", SimRole{"publishes HwmVolume, HwmBalance and HwmSignalStatus", {}, HwmOptions, RunHwm});

} // namespace
