// unit-sim role "notify": a process of the unit raising a front-panel
// notification on "AppNotification".
#include "SimPubLoop.h"
#include "SimRole.h"

#include "BusEndpoints.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

int RunNotify(const QStringList& args) {
    const QString socket =
        Sim::Option(args, QStringLiteral("socket"), QStringLiteral("appNotification.ipc"));
    QJsonObject document;
    document.insert(QStringLiteral("Level"),
                    Sim::Option(args, QStringLiteral("level"), QStringLiteral("20")).toInt());
    document.insert(QStringLiteral("Title"), Sim::Option(args, QStringLiteral("title"),
                                                         QStringLiteral("Test notification")));
    document.insert(QStringLiteral("Msg"),
                    Sim::Option(args, QStringLiteral("msg"),
                                QStringLiteral("This notification comes from unit-sim.")));
    document.insert(QStringLiteral("ShortMessage"),
                    Sim::Option(args, QStringLiteral("short"), QStringLiteral("unit-sim")));
    document.insert(QStringLiteral("OnMetersPage"), Sim::Flag(args, QStringLiteral("meters")));
    document.insert(QStringLiteral("DisplayTimeSecs"),
                    Sim::Option(args, QStringLiteral("time"), QStringLiteral("5")).toInt());
    const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Compact);

    zsock_t* pSocket = SimPub::Bind(BusEndpoints::Ipc(socket.toLocal8Bit().constData()));
    return SimPub::Run(pSocket, args, [&] { SimPub::Send(pSocket, "AppNotification", json); });
}

const SimRoleRegistration
    kRegistration("notify",
                  SimRole{"publishes an AppNotification (level, title, message)",
                          std::string("[--socket NAME] [--level 20|30|40|50] [--title TEXT] "
                                      "[--msg TEXT] [--short TEXT] [--meters] [--time SECS] ") +
                              SimPub::kLoopUsage,
                          RunNotify});

} // namespace
