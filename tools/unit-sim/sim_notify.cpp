// unit-sim role "notify": a process of the unit raising a front-panel
// notification on "AppNotification".
#include "tools/unit-sim/SimPubLoop.h"
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

void NotifyOptions(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("socket"), QStringLiteral("NAME"),
                  QStringLiteral("Socket name (default appNotification.ipc)."),
                  QStringLiteral("appNotification.ipc"));
    Sim::AddValue(parser, QStringLiteral("level"), QStringLiteral("20|30|40|50"),
                  QStringLiteral("Level (default 20)."), QStringLiteral("20"));
    Sim::AddValue(parser, QStringLiteral("title"), QStringLiteral("TEXT"), QStringLiteral("Title."),
                  QStringLiteral("Test notification"));
    Sim::AddValue(parser, QStringLiteral("msg"), QStringLiteral("TEXT"), QStringLiteral("Message."),
                  QStringLiteral("This notification comes from unit-sim."));
    Sim::AddValue(parser, QStringLiteral("short"), QStringLiteral("TEXT"),
                  QStringLiteral("Short message."), QStringLiteral("unit-sim"));
    Sim::AddFlag(parser, QStringLiteral("meters"), QStringLiteral("Show on the meters page."));
    Sim::AddValue(parser, QStringLiteral("time"), QStringLiteral("SECS"),
                  QStringLiteral("Display time (default 5)."), QStringLiteral("5"));
    SimPub::AddLoopOptions(parser);
}

int RunNotify(const QCommandLineParser& args) {
    const QString socket = args.value(QStringLiteral("socket"));
    QJsonObject document;
    document.insert(QStringLiteral("Level"), args.value(QStringLiteral("level")).toInt());
    document.insert(QStringLiteral("Title"), args.value(QStringLiteral("title")));
    document.insert(QStringLiteral("Msg"), args.value(QStringLiteral("msg")));
    document.insert(QStringLiteral("ShortMessage"), args.value(QStringLiteral("short")));
    document.insert(QStringLiteral("OnMetersPage"), args.isSet(QStringLiteral("meters")));
    document.insert(QStringLiteral("DisplayTimeSecs"), args.value(QStringLiteral("time")).toInt());
    const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Compact);

    zsock_t* pSocket = SimPub::Bind(BusEndpoints::Ipc(socket.toLocal8Bit().constData()));
    return SimPub::Run(pSocket, args, [&] { SimPub::Send(pSocket, "AppNotification", json); });
}

const SimRoleRegistration kRegistration(
    "notify",
    SimRole{"publishes an AppNotification (level, title, message)", {}, NotifyOptions, RunNotify});

} // namespace
