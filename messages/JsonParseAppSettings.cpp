#include "messages/JsonParseAppSettings.h"

#include "messages/JsonRead.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using JsonRead::eNull;
using JsonRead::eRead;

template <typename T> struct TextValue {
    const char* text;
    T value;
};

// The first entry whose word occurs anywhere in the text decides.
template <typename T, std::size_t N>
T FirstContained(const char* pText, const TextValue<T> (&table)[N], T fallback) {
    if (!pText)
        return fallback;
    for (const auto& entry : table)
        if (std::strstr(pText, entry.text))
            return entry.value;
    return fallback;
}

// Speaker names compare whole: "left" is no speaker.
struct SpeakerEntry {
    const char* text;
    AudioSpeakerType_e type;
    std::int32_t outputs; // the output sides it feeds
};
constexpr SpeakerEntry kSpeakers[] = {
    {"Left", AUDIO_SPEAKER_LEFT, kOutputLeft},
    {"Right", AUDIO_SPEAKER_RIGHT, kOutputRight},
    {"Center", AUDIO_SPEAKER_CENTER, kOutputBoth},
    {"LowFrequencyEffects", AUDIO_SPEAKER_LOW_FREQUENCY_EFFECTS, kOutputBoth},
    {"LeftSurround", AUDIO_SPEAKER_LEFT_SURROUND, kOutputLeft},
    {"RightSurround", AUDIO_SPEAKER_RIGHT_SURROUND, kOutputRight},
    {"BackSurroundLeft", AUDIO_SPEAKER_BACK_SURROUND_LEFT, kOutputLeft},
    {"BackSurroundRight", AUDIO_SPEAKER_BACK_SURROUND_RIGHT, kOutputRight},
    {"MonoSurround", AUDIO_SPEAKER_MONO_SURROUND, kOutputBoth},
};

const SpeakerEntry* FindSpeaker(const char* pText) {
    for (const SpeakerEntry& entry : kSpeakers)
        if (pText && std::strcmp(pText, entry.text) == 0)
            return &entry;
    return nullptr;
}

// The entry of a fixed set of meters or clusters, or null.
template <class T>
const std::shared_ptr<T>* FindIn(const std::map<std::int32_t, std::shared_ptr<T>>& items,
                                 std::int32_t iIndex, std::int32_t iCount) {
    if (iIndex < 0 || iIndex >= iCount)
        return nullptr;
    const auto found = items.find(iIndex);
    return found == items.end() ? nullptr : &found->second;
}

// One field of a meter or cluster, or the fallback when there is none.
template <class T, class R> R FieldOr(const T* pItem, R T::*pField, R fallback) {
    return pItem ? pItem->*pField : fallback;
}

template <class T> const char* TextOf(const T* pItem, std::string T::*pField) {
    return pItem ? (pItem->*pField).c_str() : nullptr;
}

// A meter member's name as a number, read the way strtol reads it. A name
// without digits or beyond 32 bits gives -1, which no meter has, so the
// preset is rejected like for any other bad meter number.
std::int32_t MeterNumberFromName(const char* pName) {
    errno = 0;
    char* pEnd = nullptr;
    const long number = std::strtol(pName, &pEnd, 10);
    if (pEnd == pName || errno == ERANGE || number < INT32_MIN || number > INT32_MAX)
        return -1;
    return static_cast<std::int32_t>(number);
}

} // namespace

// ---- cMeter ---------------------------------------------------------------

void cMeter::Reset() {
    JsonRead::Renew(*this, cMeter(MeterId));
}

bool cMeter::ParseMeter(const rapidjson::Value& meter) {
    if (!meter.IsObject())
        return false;
    JsonRead::Int(meter, "VolumeDb", VolumeDb);
    JsonRead::Int(meter, "DelayMs", DelayMs);
    if (JsonRead::String(meter, "Speaker", SpeakerTypeStr) == eRead::Stored) {
        SpeakerType = ConvertToSpeakerTypeFromString(SpeakerTypeStr.c_str());
        OutputAssignments = ConvertToOutputAssignmentsFromString(SpeakerTypeStr.c_str());
    }
    const rapidjson::Value* pSource = JsonRead::Find(meter, "Source", eNull::Value);
    return pSource ? ParseMeterSource(*pSource) : true;
}

bool cMeter::ParseMeterSource(const rapidjson::Value& source) {
    if (!source.IsObject())
        return false;
    JsonRead::Int(source, "Channel", Channel);
    if (JsonRead::String(source, "ConnectorType", ConnectorTypeStr) == eRead::Stored)
        ConnectorType = ConvertToConnectorTypeFromString(ConnectorTypeStr.c_str());
    JsonRead::Int(source, "Cage", Cage);
    JsonRead::Int(source, "Slot", Slot);
    JsonRead::Int(source, "InputNo", InputNo);
    if (JsonRead::String(source, "Type", InputTypeStr) == eRead::Stored) {
        InputType = ConvertToSysInputTypeFromString(InputTypeStr.c_str());
        IsDolby = InputType == SYS_INPUT_DOLBY;
    }
    return true;
}

AudioSpeakerType_e cMeter::ConvertToSpeakerTypeFromString(const char* pText) {
    const SpeakerEntry* pEntry = FindSpeaker(pText);
    return pEntry ? pEntry->type : AUDIO_SPEAKER_NONE;
}

std::int32_t cMeter::ConvertToOutputAssignmentsFromString(const char* pText) {
    const SpeakerEntry* pEntry = FindSpeaker(pText);
    return pEntry ? pEntry->outputs : 0;
}

SysInputType_e cMeter::ConvertToSysInputTypeFromString(const char* pText) {
    static const TextValue<SysInputType_e> kTable[] = {
        {"None", SYS_INPUT_NONE}, {"Internal", SYS_INPUT_NONE}, {"Analog", SYS_INPUT_ANALOG},
        {"AES", SYS_INPUT_AES},   {"Dolby", SYS_INPUT_DOLBY},   {"VoIP.MPEG", SYS_INPUT_VOIP_MPEG},
        {"MADI", SYS_INPUT_MADI}, {"AoIP", SYS_INPUT_AOIP},     {"ASI", SYS_INPUT_ASI},
        {"SDI", SYS_INPUT_SDI},   {"ST-2022", SYS_INPUT_SDI},   {"ST-2110", SYS_INPUT_SDI},
    };
    return FirstContained(pText, kTable, SYS_INPUT_NONE);
}

ConnectorType_e cMeter::ConvertToConnectorTypeFromString(const char* pText) {
    static const TextValue<ConnectorType_e> kTable[] = {
        {"None", CONNECTOR_NONE},
        {"BNC", CONNECTOR_BNC},
        {"SFP", CONNECTOR_SFP},
        {"Optical", CONNECTOR_OPTICAL},
        {"DB25", CONNECTOR_DB25},
        {"HD15", CONNECTOR_HD15},
        {"AoIP", CONNECTOR_AOIP},
        {"RJ45", CONNECTOR_RJ45},
        {"DolbyDecoder", CONNECTOR_DOLBY_DECODER},
    };
    return FirstContained(pText, kTable, CONNECTOR_NONE);
}

// ---- cMeterSet ------------------------------------------------------------

cMeterSet::cMeterSet() {
    for (std::int32_t i = 0; i < kMeterCount; ++i)
        Meters[i] = std::make_shared<cMeter>(i);
}

void cMeterSet::Reset() {
    for (auto& [index, meter] : Meters)
        meter->Reset();
    HasDolbyInput = false;
}

bool cMeterSet::ParseMeterSet(const rapidjson::Value& meterSet) {
    if (!meterSet.IsObject())
        return false;
    bool bResult = true;
    bool bHasDolby = false;
    for (auto member = meterSet.MemberBegin(); member != meterSet.MemberEnd(); ++member) {
        const std::int32_t number = MeterNumberFromName(member->name.GetString());
        bool bIsDolby = false;
        // number - 1 of INT32_MIN would overflow; any negative number is invalid anyway.
        const std::int32_t meter = number > 0 ? number - 1 : -1;
        if (!ParseMeter(meter, member->value, bIsDolby))
            bResult = false;
        bHasDolby = bHasDolby || bIsDolby;
    }
    HasDolbyInput = bHasDolby;
    return bResult;
}

bool cMeterSet::ParseMeter(std::int32_t iMeter, const rapidjson::Value& meter, bool& bIsDolby) {
    const auto* pMeter = FindIn(Meters, iMeter, kMeterCount);
    if (!pMeter)
        return false;
    const bool bResult = (*pMeter)->ParseMeter(meter);
    bIsDolby = (*pMeter)->IsDolby;
    return bResult;
}

bool cMeterSet::SetClusterId(std::int32_t iMeter, std::int32_t iClusterIndex) {
    const auto* pMeter = FindIn(Meters, iMeter, kMeterCount);
    if (pMeter)
        (*pMeter)->ClusterId = iClusterIndex;
    return pMeter != nullptr;
}

const cMeter* cMeterSet::Find(std::int32_t iMeter) const {
    const auto* pMeter = FindIn(Meters, iMeter, kMeterCount);
    return pMeter ? pMeter->get() : nullptr;
}

std::int32_t cMeterSet::GetVolumeDb(std::int32_t iMeter, std::int32_t iDefault) const {
    return FieldOr(Find(iMeter), &cMeter::VolumeDb, iDefault);
}

std::int32_t cMeterSet::GetDelayMs(std::int32_t iMeter, std::int32_t iDefault) const {
    return FieldOr(Find(iMeter), &cMeter::DelayMs, iDefault);
}

std::int32_t cMeterSet::GetSlot(std::int32_t iMeter, std::int32_t iDefault) const {
    return FieldOr(Find(iMeter), &cMeter::Slot, iDefault);
}

std::int32_t cMeterSet::GetCage(std::int32_t iMeter, std::int32_t iDefault) const {
    return FieldOr(Find(iMeter), &cMeter::Cage, iDefault);
}

std::int32_t cMeterSet::GetInputNo(std::int32_t iMeter, std::int32_t iDefault) const {
    return FieldOr(Find(iMeter), &cMeter::InputNo, iDefault);
}

std::int32_t cMeterSet::GetChannel(std::int32_t iMeter, std::int32_t iDefault) const {
    return FieldOr(Find(iMeter), &cMeter::Channel, iDefault);
}

std::int32_t cMeterSet::GetClusterId(std::int32_t iMeter) const {
    return FieldOr(Find(iMeter), &cMeter::ClusterId, -1);
}

SysInputType_e cMeterSet::GetInputType(std::int32_t iMeter) const {
    return FieldOr(Find(iMeter), &cMeter::InputType, SYS_INPUT_NONE);
}

ConnectorType_e cMeterSet::GetConnectorType(std::int32_t iMeter) const {
    return FieldOr(Find(iMeter), &cMeter::ConnectorType, CONNECTOR_NONE);
}

AudioSpeakerType_e cMeterSet::GetSpeakerType(std::int32_t iMeter) const {
    return FieldOr(Find(iMeter), &cMeter::SpeakerType, AUDIO_SPEAKER_NONE);
}

std::int32_t cMeterSet::GetOutputAssignments(std::int32_t iMeter) const {
    return FieldOr(Find(iMeter), &cMeter::OutputAssignments, 0);
}

const char* cMeterSet::GetInputTypeStr(std::int32_t iMeter) const {
    return TextOf(Find(iMeter), &cMeter::InputTypeStr);
}

const char* cMeterSet::GetConnectorTypeStr(std::int32_t iMeter) const {
    return TextOf(Find(iMeter), &cMeter::ConnectorTypeStr);
}

const char* cMeterSet::GetSpeakerTypeStr(std::int32_t iMeter) const {
    return TextOf(Find(iMeter), &cMeter::SpeakerTypeStr);
}

std::shared_ptr<cMeter> cMeterSet::GetMeter(std::int32_t iMeter) const {
    const auto* pMeter = FindIn(Meters, iMeter, kMeterCount);
    return pMeter ? *pMeter : nullptr;
}

// ---- cCluster -------------------------------------------------------------

void cCluster::Reset() {
    JsonRead::Renew(*this, cCluster(ClusterIndex));
}

bool cCluster::ParseCluster(const rapidjson::Value& cluster) {
    if (!cluster.IsObject())
        return false;
    std::int32_t firstMeter = 0;
    if (JsonRead::Int(cluster, "FirstMeter", firstMeter) == eRead::Stored)
        FirstMeter = firstMeter == INT32_MIN ? INT32_MIN : firstMeter - 1; // sent 1-based
    JsonRead::Int(cluster, "NumberOfMeters", NumberOfMeters);
    JsonRead::Bool(cluster, "MuteOnPresetRecall", MuteOnPresetRecall);
    if (JsonRead::String(cluster, "Type", TypeStr) == eRead::Stored)
        Type = ConvertToClusterTypeFromString(TypeStr.c_str());
    JsonRead::String(cluster, "Name", Name);
    return true;
}

ClusterType_e cCluster::ConvertToClusterTypeFromString(const char* pText) {
    static const TextValue<ClusterType_e> kTable[] = {
        {"None", CLUSTER_NONE},
        {"Mono", CLUSTER_MONO},
        {"Stereo", CLUSTER_STEREO},
        {"5.1", CLUSTER_5_1},
        {"7.1Surround", CLUSTER_7_1_SURROUND},
        {"Custom", CLUSTER_CUSTOM},
    };
    return FirstContained(pText, kTable, CLUSTER_NONE);
}

// ---- cClusterSet ----------------------------------------------------------

cClusterSet::cClusterSet() {
    for (std::int32_t i = 0; i < kClusterCount; ++i)
        Clusters[i] = std::make_shared<cCluster>(i);
}

void cClusterSet::Reset() {
    for (auto& [index, cluster] : Clusters)
        cluster->Reset();
    ConfiguredClusters = 0;
}

bool cClusterSet::ParseClusterSet(const rapidjson::Value& clusters, cPresetParser& preset) {
    if (!clusters.IsArray())
        return false;
    bool bResult = true;
    for (rapidjson::SizeType i = 0; i < clusters.Size(); ++i) {
        const auto found = Clusters.find(static_cast<std::int32_t>(i));
        if (i >= static_cast<rapidjson::SizeType>(kClusterCount) || found == Clusters.end())
            continue; // the unit has 16 clusters; extra elements are not an error
        cCluster& cluster = *found->second;
        if (!cluster.ParseCluster(clusters[i])) {
            bResult = false;
            continue;
        }
        if (cluster.NumberOfMeters < 0 || cluster.FirstMeter == -1)
            continue;
        ++ConfiguredClusters;
        const std::int64_t end = static_cast<std::int64_t>(cluster.FirstMeter) +
                                 static_cast<std::int64_t>(cluster.NumberOfMeters);
        // Meters below 0 are refused by SetClusterId anyway; starting at 0
        // keeps a huge negative FirstMeter from spinning through billions.
        for (std::int64_t m = std::max<std::int64_t>(cluster.FirstMeter, 0);
             m < end && m < cMeterSet::kMeterCount; ++m)
            preset.Meters.SetClusterId(static_cast<std::int32_t>(m), static_cast<std::int32_t>(i));
    }
    return bResult;
}

const cCluster* cClusterSet::Find(std::int32_t iCluster) const {
    const auto* pCluster = FindIn(Clusters, iCluster, kClusterCount);
    return pCluster ? pCluster->get() : nullptr;
}

std::int32_t cClusterSet::GetFirstMeter(std::int32_t iCluster, std::int32_t iDefault) const {
    return FieldOr(Find(iCluster), &cCluster::FirstMeter, iDefault);
}

std::int32_t cClusterSet::GetNumberOfMeters(std::int32_t iCluster, std::int32_t iDefault) const {
    return FieldOr(Find(iCluster), &cCluster::NumberOfMeters, iDefault);
}

bool cClusterSet::GetMuteOnPresetRecall(std::int32_t iCluster, bool bDefault) const {
    return FieldOr(Find(iCluster), &cCluster::MuteOnPresetRecall, bDefault);
}

ClusterType_e cClusterSet::GetCusterType(std::int32_t iCluster) const {
    return FieldOr(Find(iCluster), &cCluster::Type, CLUSTER_NONE);
}

const char* cClusterSet::GetCusterTypeStr(std::int32_t iCluster) const {
    return TextOf(Find(iCluster), &cCluster::TypeStr);
}

const char* cClusterSet::GetClusterName(std::int32_t iCluster) const {
    return TextOf(Find(iCluster), &cCluster::Name);
}

std::shared_ptr<cCluster> cClusterSet::GetCluster(std::int32_t iCluster) const {
    const auto* pCluster = FindIn(Clusters, iCluster, kClusterCount);
    return pCluster ? *pCluster : nullptr;
}

// ---- sources --------------------------------------------------------------

bool cSourceInfo::ParseSource(const rapidjson::Value& source, bool bClock) {
    if (!source.IsObject())
        return false;
    if (JsonRead::String(source, "Type", TypeStr) == eRead::Stored)
        Type = bClock ? static_cast<std::int32_t>(
                            cSystemClockSource::ConvertToSysClockTypeFromString(TypeStr.c_str()))
                      : static_cast<std::int32_t>(
                            cMeter::ConvertToSysInputTypeFromString(TypeStr.c_str()));
    if (JsonRead::String(source, "ConnectorType", ConnectorTypeStr) == eRead::Stored)
        ConnectorType = cMeter::ConvertToConnectorTypeFromString(ConnectorTypeStr.c_str());
    JsonRead::Int(source, "Pair", Pair);
    JsonRead::Int(source, "InputNo", InputNo);
    JsonRead::Int(source, "Cage", Cage);
    JsonRead::Int(source, "Slot", Slot);
    return true;
}

SysClockType_e cSystemClockSource::ConvertToSysClockTypeFromString(const char* pText) {
    static const TextValue<SysClockType_e> kTable[] = {
        {"None", SYS_CLOCK_NONE},       {"Internal", SYS_CLOCK_INTERNAL},
        {"Analog", SYS_CLOCK_INTERNAL}, {"AES", SYS_CLOCK_AES},
        {"Dolby", SYS_CLOCK_INTERNAL},  {"VoIP.MPEG", SYS_CLOCK_INTERNAL},
        {"MADI", SYS_CLOCK_MADI},       {"AoIP", SYS_CLOCK_AOIP},
        {"ASI", SYS_CLOCK_INTERNAL},    {"SDI", SYS_CLOCK_SDI},
        {"ST-2022", SYS_CLOCK_SDI},     {"ST-2110", SYS_CLOCK_SDI},
    };
    return FirstContained(pText, kTable, SYS_CLOCK_INTERNAL);
}

// ---- cPresetParser --------------------------------------------------------

// A preset replaces the whole model: only Count, which not every preset
// carries, survives it.
void cPresetParser::Reset() {
    Meters.Reset();
    Clusters.Reset();
    // Whole fresh sources, so nothing of a previous document survives; swapped
    // in so a huge text's buffer goes with the old ones.
    JsonRead::Renew(SystemClockSource, cSystemClockSource());
    JsonRead::Renew(VideoSource, cVideoSource());
    JsonRead::Renew(DolbyInputSource, cDolbyInputSource());
    DecoderConf.Reset();
    Repub = false;
    SourceSelect = false;
    ApplyCdlb = true;
    ApplyDZMeterScreen = false;
    JsonRead::Clear(PresetName);
    JsonRead::Clear(ProgramName);
    JsonRead::Clear(GroupName);
}

bool cPresetParser::ParsePreset(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson))
        return false;

    // Every section present is parsed, even once the preset is known to fail.
    const rapidjson::Value* pClusters = JsonRead::Find(document, "Clusters", eNull::Value);
    bool bOk = pClusters != nullptr;
    if (pClusters)
        bOk = Clusters.ParseClusterSet(*pClusters, *this);

    const rapidjson::Value* pMeterSet = JsonRead::Find(document, "MeterSet", eNull::Value);
    bOk = pMeterSet && Meters.ParseMeterSet(*pMeterSet) && bOk;

    const rapidjson::Value* pClock = JsonRead::Find(document, "SystemClockSource", eNull::Value);
    bOk = pClock && SystemClockSource.ParseSysClock(*pClock) && bOk;

    if (const rapidjson::Value* pDolby = JsonRead::Find(document, "DolbyInputSource", eNull::Value))
        bOk = DolbyInputSource.ParseDolby(*pDolby) && bOk;
    if (const rapidjson::Value* pVideo = JsonRead::Find(document, "VideoSource", eNull::Value))
        bOk = VideoSource.ParseVideo(*pVideo) && bOk;

    const rapidjson::Value* pDecoder = JsonRead::Find(document, "DolbyDecoderConf", eNull::Value);
    if (pDecoder && pDecoder->IsObject())
        DecoderConf.ParseDolbyDecoderSettingsObject(*pDecoder); // its verdict is not the preset's

    const rapidjson::Value* pName = JsonRead::Find(document, "Name", eNull::Value);
    if (pName && pName->IsObject()) {
        JsonRead::String(*pName, "Preset", PresetName);
        JsonRead::String(*pName, "Program", ProgramName);
        JsonRead::String(*pName, "Group", GroupName);
    }

    JsonRead::Int(document, "Count", Count);
    JsonRead::Bool(document, "Repub", Repub);
    JsonRead::Bool(document, "SourceSelect", SourceSelect);
    JsonRead::Bool(document, "ApplyCdlb", ApplyCdlb);
    bool bApplyDZ = false;
    JsonRead::Bool(document, "ApplyDZMeterScreen", bApplyDZ);
    ApplyDZMeterScreen = bApplyDZ && Meters.HasDolbyInput;

    if (!bOk) {
        Reset();
        return false;
    }
    return true;
}
