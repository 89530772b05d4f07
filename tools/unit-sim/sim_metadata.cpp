// unit-sim role "metadata": the decoding process describing the stream it
// decodes, "DolbyMetadataEvent" on TCP port 2002.
#include "tools/unit-sim/SimPubLoop.h"
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr unsigned kPort = 2002;

QJsonObject Item(const QString& title, const QString& desc) {
    return {{QStringLiteral("Title"), title}, {QStringLiteral("Desc"), desc}};
}

void MetadataOptions(QCommandLineParser& parser) {
    Sim::AddValue(parser, QStringLiteral("address"), QStringLiteral("IPV4"),
                  QStringLiteral("Address to bind (default BRISVEL_DECODER_ADDR)."));
    Sim::AddValue(parser, QStringLiteral("type"), QStringLiteral("S337-CODE"),
                  QStringLiteral("SMPTE 337 data type (default 16)."), QStringLiteral("16"));
    Sim::AddValue(parser, QStringLiteral("programs"), QStringLiteral("N"),
                  QStringLiteral("Programmes (default 2)."), QStringLiteral("2"));
    Sim::AddFlag(parser, QStringLiteral("no-atmos"), QStringLiteral("No Atmos in the stream."));
    SimPub::AddLoopOptions(parser);
}

int RunMetadata(const QCommandLineParser& args) {
    const QString address = args.isSet(QStringLiteral("address"))
                                ? args.value(QStringLiteral("address"))
                                : QString::fromLatin1(BusEndpoints::DecoderAddress());
    const int iType = args.value(QStringLiteral("type")).toInt();
    const int iPrograms = args.value(QStringLiteral("programs")).toInt();
    const bool bAtmos = !args.isSet(QStringLiteral("no-atmos"));

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
    kRegistration("metadata", SimRole{"publishes a DolbyMetadataEvent (stream description)",
                                      {},
                                      MetadataOptions,
                                      RunMetadata});

} // namespace
