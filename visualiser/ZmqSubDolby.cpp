#include "visualiser/ZmqSubDolby.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

namespace {

// SMPTE 337 data types as the decoding process reports them.
const char* FrameTypeName(int iFrameType, bool bAtmos) {
    switch (iFrameType) {
    case 1:
        return "Dolby Digital";
    case 3:
        return "Pause";
    case 4:
        return "MPEG 1 L1";
    case 5:
        return "MPEG 1 L2-3";
    case 6:
        return "MPEG 2";
    case 8:
        return "MPEG 2.5 L1";
    case 9:
        return "MPEG 2.5 L2-3";
    case 10:
        return "AAC";
    case 11:
        return "HEAAC";
    case 16:
        return bAtmos ? "Dolby Digital Plus with Atmos" : "Dolby Digital Plus";
    case 21:
        return "Dolby Digital Plus IEC";
    case 22:
        return "MAT IEC";
    case 24:
        return "Dolby AC-4";
    case 25:
        return "EMDF";
    case 27:
        return "KLV";
    case 28:
        return "Generic Dolby E";
    case 241:
        return "ED2: Dolby E + Evolution v1";
    case 242:
        return "ED2: Dolby E + Evolution v2";
    case 255:
        return "Unknown frame type";
    default:
        return "";
    }
}

void AppendLines(const QList<DolbyPrograms>& programs, QList<QString>* pLines) {
    for (const DolbyPrograms& program : programs)
        for (const ObjectDolby& item : program.Members)
            pLines->append(item.Title + QLatin1Char('\n') + item.Desc);
}

} // namespace

cZmqSubDolby::cZmqSubDolby(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics({{kTopic, [this](const char* pPayload) { ParseDolbyMetadata(pPayload); }}},
              {"Dolby message contains a null element (topic: %s, Message: %s).\n", &ZqtError,
               "JsonParseDolby received an unhandled topic: %s\n"},
              eStages::kOne);
    KeepNewestOnly("Dolby metadata");
}

void cZmqSubDolby::SetupAndRun(const char* pAddress) {
    SetupParsers();
    Start(BusEndpoints::Tcp(pAddress, kPort), kMaxMessageBytes, kPollMs,
          "Sig/slot connection failure in ZmqSubWebSettings.");
}

void cZmqSubDolby::SetupParsers() {
    if (!mParser)
        mParser.emplace();
}

void cZmqSubDolby::ResetDolbyData() {
    mMetaData = DolbyMetaData_s{};
}

QString cZmqSubDolby::GetStreamNameFroms337FrameType(int iFrameType) const {
    if (iFrameType == 0)
        return mMetaData.StreamTypeDesc;
    return QString::fromLatin1(FrameTypeName(iFrameType, mMetaData.IsAtmosPresent));
}

void cZmqSubDolby::ParseDolbyMetadata(const char* pJson) {
    SetupParsers();
    ResetDolbyData();
    if (mParser->ParseDolbyMetaData(pJson, &mMetaData) != 0)
        return;

    mDisplayLines.clear();
    AppendLines(mMetaData.MetaObjects, &mDisplayLines);
    if (mMetaData.NoOfPrograms > 0)
        AppendLines(mMetaData.Programs, &mDisplayLines);
    if (mMetaData.NoOfStreams > 0)
        AppendLines(mMetaData.Streams, &mDisplayLines);

    QString streamType = GetStreamNameFroms337FrameType(mMetaData.S337Type);
    if (streamType.isEmpty())
        streamType = mMetaData.StreamTypeDesc;
    const QByteArray streamTypeText = streamType.toUtf8();

    emit sigNewDolbyMetaData(&mDisplayLines);
    emit sigNewDolbyData(&mMetaData);
    emit sigDolbyStreamType(streamTypeText.constData());
}
