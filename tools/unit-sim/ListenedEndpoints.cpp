#include "tools/unit-sim/ListenedEndpoints.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "visualiser/DolbyED2Frames.h"
#include "visualiser/ZmqSubDolby.h"

namespace ListenedEndpoints {

std::vector<sEndpoint> All() {
    const char* pDecoder = BusEndpoints::DecoderAddress();
    return {
        {"ed2", "decoder board, ED2 events", BusEndpoints::Tcp(pDecoder, DolbyED2Frames::kPort)},
        {"metadata", "decoder board, stream metadata",
         BusEndpoints::Tcp(pDecoder, cZmqSubDolby::kPort)},
        {"peer", "peer front panel", BusEndpoints::Ipc("DoRiduyPub.ipc")},
        {"appserver", "application server", BusEndpoints::Ipc("appServer.ipc")},
        {"hwm", "hardware manager, encoders and status", BusEndpoints::Ipc("hwmStatesPub.ipc")},
        {"hbmon", "heartbeat monitor, system updates", BusEndpoints::Ipc("hbMonPubMq.ipc")},
        {"notify", "notifications", BusEndpoints::Ipc("appNotification.ipc")},
    };
}

const sEndpoint* Find(const std::vector<sEndpoint>& endpoints, const std::string& name) {
    for (const sEndpoint& endpoint : endpoints)
        if (name == endpoint.pName)
            return &endpoint;
    return nullptr;
}

bool Only(const QStringList& values, std::set<std::string>* pNames, QString* pError) {
    const std::vector<sEndpoint> known = All();
    for (const QString& value : values)
        for (const QString& name : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!Find(known, name.toStdString())) {
                QStringList names;
                for (const sEndpoint& endpoint : known)
                    names << QLatin1String(endpoint.pName);
                *pError = QStringLiteral("no endpoint '%1' (there are %2)")
                              .arg(name, names.join(QStringLiteral(", ")));
                return false;
            }
            pNames->insert(name.toStdString());
        }
    return true;
}

} // namespace ListenedEndpoints
