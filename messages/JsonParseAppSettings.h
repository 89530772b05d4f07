#pragma once

#include "messages/AudioSpeakerType.h"
#include "messages/JsonParseDolbyDecoderSettings.h"

#include <rapidjson/document.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

// Where a meter's (or the Dolby or video source's) audio comes from.
enum SysInputType_e : std::int32_t {
    SYS_INPUT_NONE = 0,
    SYS_INPUT_MADI = 1,
    SYS_INPUT_SDI = 2,
    SYS_INPUT_AOIP = 3,
    SYS_INPUT_DOLBY = 4,
    SYS_INPUT_AES = 5,
    SYS_INPUT_ANALOG = 6,
    SYS_INPUT_ASI = 7,
    SYS_INPUT_VOIP_MPEG = 8,
};

// The unit's clock reference; 5 is its own internal clock.
enum SysClockType_e : std::int32_t {
    SYS_CLOCK_NONE = 0,
    SYS_CLOCK_MADI = 1,
    SYS_CLOCK_SDI = 2,
    SYS_CLOCK_AES = 3,
    SYS_CLOCK_AOIP = 4,
    SYS_CLOCK_INTERNAL = 5,
};

enum ConnectorType_e : std::int32_t {
    CONNECTOR_NONE = 0,
    CONNECTOR_BNC = 1,
    CONNECTOR_SFP = 2,
    CONNECTOR_OPTICAL = 3,
    CONNECTOR_DB25 = 4,
    CONNECTOR_HD15 = 5,
    CONNECTOR_AOIP = 6,
    CONNECTOR_RJ45 = 7,
    CONNECTOR_DOLBY_DECODER = 8,
};

enum ClusterType_e : std::int32_t {
    CLUSTER_NONE = 0,
    CLUSTER_MONO = 1,
    CLUSTER_STEREO = 2,
    CLUSTER_5_1 = 3,
    CLUSTER_7_1_SURROUND = 4,
    CLUSTER_CUSTOM = 5,
};

// Output side(s) a meter's speaker feeds, as a mask.
inline constexpr std::int32_t kOutputRight = 1;
inline constexpr std::int32_t kOutputLeft = 2;
inline constexpr std::int32_t kOutputBoth = kOutputLeft | kOutputRight;

class cPresetParser;

// One of the preset's 16 meters: what it measures and where its audio comes from.
class cMeter {
public:
    explicit cMeter(std::int32_t iMeterId) : MeterId(iMeterId) {}

    void Reset();
    bool ParseMeter(const rapidjson::Value& meter);
    bool ParseMeterSource(const rapidjson::Value& source);

    static AudioSpeakerType_e ConvertToSpeakerTypeFromString(const char* pText);
    static std::int32_t ConvertToOutputAssignmentsFromString(const char* pText);
    static SysInputType_e ConvertToSysInputTypeFromString(const char* pText);
    static ConnectorType_e ConvertToConnectorTypeFromString(const char* pText);

    std::int32_t MeterId = 0; // zero-based, fixed at creation
    std::int32_t VolumeDb = 0;
    std::int32_t DelayMs = 0;
    SysInputType_e InputType = SYS_INPUT_NONE;
    ConnectorType_e ConnectorType = CONNECTOR_NONE;
    AudioSpeakerType_e SpeakerType = AUDIO_SPEAKER_NONE;
    std::int32_t OutputAssignments = 0;
    std::int32_t Slot = 0;
    std::int32_t Cage = 0;
    std::int32_t InputNo = 0;
    std::int32_t Channel = 0;
    std::int32_t ClusterId = -1; // index of the cluster holding this meter
    bool IsDolby = false;
    std::string InputTypeStr;
    std::string SpeakerTypeStr;
    std::string ConnectorTypeStr;
};

// The fixed set of 16 meters, keyed by zero-based meter number.
class cMeterSet {
public:
    static constexpr std::int32_t kMeterCount = 16;

    cMeterSet();

    void Reset();
    bool ParseMeterSet(const rapidjson::Value& meterSet);
    bool ParseMeter(std::int32_t iMeter, const rapidjson::Value& meter, bool& bIsDolby);
    bool SetClusterId(std::int32_t iMeter, std::int32_t iClusterIndex);

    std::int32_t GetVolumeDb(std::int32_t iMeter, std::int32_t iDefault) const;
    std::int32_t GetDelayMs(std::int32_t iMeter, std::int32_t iDefault) const;
    std::int32_t GetSlot(std::int32_t iMeter, std::int32_t iDefault) const;
    std::int32_t GetCage(std::int32_t iMeter, std::int32_t iDefault) const;
    std::int32_t GetInputNo(std::int32_t iMeter, std::int32_t iDefault) const;
    std::int32_t GetChannel(std::int32_t iMeter, std::int32_t iDefault) const;
    std::int32_t GetClusterId(std::int32_t iMeter) const;
    SysInputType_e GetInputType(std::int32_t iMeter) const;
    ConnectorType_e GetConnectorType(std::int32_t iMeter) const;
    AudioSpeakerType_e GetSpeakerType(std::int32_t iMeter) const;
    std::int32_t GetOutputAssignments(std::int32_t iMeter) const;
    const char* GetInputTypeStr(std::int32_t iMeter) const;
    const char* GetConnectorTypeStr(std::int32_t iMeter) const;
    const char* GetSpeakerTypeStr(std::int32_t iMeter) const;
    std::shared_ptr<cMeter> GetMeter(std::int32_t iMeter) const;

    std::int32_t NumberOfMeters = kMeterCount;
    bool HasDolbyInput = false;
    std::map<std::int32_t, std::shared_ptr<cMeter>> Meters;

private:
    const cMeter* Find(std::int32_t iMeter) const;
};

// A run of consecutive meters shown as one layout (stereo, 5.1, ...).
class cCluster {
public:
    explicit cCluster(std::int32_t iClusterIndex) : ClusterIndex(iClusterIndex) {}

    void Reset();
    bool ParseCluster(const rapidjson::Value& cluster);

    static ClusterType_e ConvertToClusterTypeFromString(const char* pText);

    std::int32_t ClusterIndex = 0; // fixed at creation
    std::int32_t FirstMeter = -1;  // zero-based; -1 for none
    std::int32_t NumberOfMeters = 0;
    bool MuteOnPresetRecall = true;
    ClusterType_e Type = CLUSTER_NONE;
    std::string TypeStr;
    std::string Name;
};

class cClusterSet {
public:
    static constexpr std::int32_t kClusterCount = 16;

    cClusterSet();

    void Reset();
    // Parses the cluster array and marks the meters each cluster holds.
    bool ParseClusterSet(const rapidjson::Value& clusters, cPresetParser& preset);

    std::int32_t GetFirstMeter(std::int32_t iCluster, std::int32_t iDefault) const;
    std::int32_t GetNumberOfMeters(std::int32_t iCluster, std::int32_t iDefault) const;
    bool GetMuteOnPresetRecall(std::int32_t iCluster, bool bDefault) const;
    ClusterType_e GetCusterType(std::int32_t iCluster) const;
    const char* GetCusterTypeStr(std::int32_t iCluster) const;
    const char* GetClusterName(std::int32_t iCluster) const;
    std::shared_ptr<cCluster> GetCluster(std::int32_t iCluster) const;

    std::map<std::int32_t, std::shared_ptr<cCluster>> Clusters;
    std::int32_t NumberOfClusters = kClusterCount;
    std::int32_t ConfiguredClusters = 0; // clusters of the last preset that placed meters

private:
    const cCluster* Find(std::int32_t iCluster) const;
};

// Layout shared by the clock, Dolby input and video sources. Type holds a
// SysClockType_e for the clock source and a SysInputType_e for the others.
class cSourceInfo {
public:
    std::int32_t Type = 0;
    ConnectorType_e ConnectorType = CONNECTOR_NONE;
    std::int32_t Slot = 0;
    std::int32_t Cage = 0;
    std::int32_t InputNo = 0;
    std::int32_t Pair = 0;
    std::string TypeStr;
    std::string ConnectorTypeStr;

protected:
    // Stores every key; bClock picks the clock conversion for "Type".
    bool ParseSource(const rapidjson::Value& source, bool bClock);
};

class cSystemClockSource : public cSourceInfo {
public:
    bool ParseSysClock(const rapidjson::Value& source) { return ParseSource(source, true); }
    static SysClockType_e ConvertToSysClockTypeFromString(const char* pText);
};

class cDolbyInputSource : public cSourceInfo {
public:
    bool ParseDolby(const rapidjson::Value& source) { return ParseSource(source, false); }
};

class cVideoSource : public cSourceInfo {
public:
    bool ParseVideo(const rapidjson::Value& source) { return ParseSource(source, false); }
};

// The front panel's model of the active preset.
class cPresetParser {
public:
    // True when the preset was accepted; a rejected one leaves the model reset.
    bool ParsePreset(const char* pJson);
    void Reset();

    cSystemClockSource SystemClockSource;
    cMeterSet Meters;
    cClusterSet Clusters;
    cVideoSource VideoSource;
    cDolbyInputSource DolbyInputSource;
    cDolbyDecoderSettingsParser DecoderConf;
    std::int32_t Count = -1; // survives presets that do not carry it
    bool Repub = false;
    bool SourceSelect = false;
    bool ApplyCdlb = true;
    bool ApplyDZMeterScreen = false;
    std::string PresetName;
    std::string ProgramName;
    std::string GroupName;
};
