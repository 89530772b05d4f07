// unit-sim role "metadata": the decoding process describing the stream it
// decodes, "DolbyMetadataEvent" on TCP port 2002.
#include "SimPubLoop.h"
#include "SimRole.h"

#include "BusEndpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr unsigned kPort = 2002;

QJsonObject Item(const QString& title, const QString& desc) {
    return {{QStringLiteral("Title"), title}, {QStringLiteral("Desc"), desc}};
}

int RunMetadata(const QStringList& args) {
    const QString address = Sim::Option(args, QStringLiteral("address"),
                                        QString::fromLatin1(BusEndpoints::DecoderAddress()));
    const int iType = Sim::Option(args, QStringLiteral("type"), QStringLiteral("16")).toInt();
    const int iPrograms =
        Sim::Option(args, QStringLiteral("programs"), QStringLiteral("2")).toInt();
    const bool bAtmos = !Sim::Flag(args, QStringLiteral("no-atmos"));

    QJsonArray programs;
    for (int i = 1; i <= iPrograms; ++i)
        programs.append(QJsonObject{
            {QStringLiteral("Program%1").arg(i),
             Item(QStringLiteral("Programme %1").arg(i), QStringLiteral("Main mix %1").arg(i))}});
    const QJsonObject document{
        {QStringLiteral("NoOfPrograms"), iPrograms},
        {QStringLiteral("CurrentProgram"), 1},
        {QStringLiteral("NoOfStreams"), 1},
        {QStringLiteral("IsAtmosPresent"), bAtmos},
        {QStringLiteral("Type"),
         Item(QStringLiteral("Stream"), QStringLiteral("Dolby Digital Plus"))},
        {QStringLiteral("S337Type"),
         QJsonObject{{QStringLiteral("Title"), QStringLiteral("Frame type")},
                     {QStringLiteral("Desc"), QStringLiteral("SMPTE 337 data type")},
                     {QStringLiteral("Data"), iType}}},
        {QStringLiteral("Programs"), programs},
        {QStringLiteral("Streams"),
         QJsonArray{
             QJsonObject{{QStringLiteral("Stream1"),
                          Item(QStringLiteral("Stream 1"), QStringLiteral("48 kHz, 5.1.4"))}}}},
    };
    const QByteArray json = QJsonDocument(document).toJson(QJsonDocument::Compact);

    zsock_t* pSocket = SimPub::Bind(BusEndpoints::Tcp(address.toLatin1().constData(), kPort));
    if (!pSocket)
        Sim::Say(QStringLiteral("hint: set BRISVEL_DECODER_ADDR=127.0.0.1 or pass --address"));
    return SimPub::Run(pSocket, args, [&] { SimPub::Send(pSocket, "DolbyMetadataEvent", json); });
}

const SimRoleRegistration
    kRegistration("metadata",
                  SimRole{"publishes a DolbyMetadataEvent (stream description)",
                          std::string("[--address IPV4] [--type S337-CODE] [--programs N] "
                                      "[--no-atmos] ") +
                              SimPub::kLoopUsage,
                          RunMetadata});

} // namespace
