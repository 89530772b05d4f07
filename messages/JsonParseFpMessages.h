#pragma once

#include "Common/Utility/Logger/Include/Logger.h"
#include "messages/AudioSpeakerType.h"

#include <cstdint>
#include <string>

// Parsers of the small JSON objects the peer front-panel application sends.
// Each keeps the values of the last message it read; a parse operation takes
// a NUL-terminated text (null fails) and returns true when the message was
// taken. On failure it sets its documented fallback value and logs.
//
// Every class has the class log gate: it logs only when its mpLogger is set
// and mLogLevel allows the level. The classes the peer subscriber creates
// fill mpLogger on construction; the other three never do on their own.

class cJsonParseFpAppMessages {
public:
    cJsonParseFpAppMessages();

    // "Show" (bool) and "AppName" (string), both optional.
    bool ParseAppMessage(const char* pJson);

    bool GetShow() const { return mbShow; }
    const std::string& GetAppName() const { return mAppName; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    bool mbShow = true;
    std::string mAppName;
};

class cJsonParseMeterScaleInfo {
public:
    cJsonParseMeterScaleInfo();

    // "Scale" (integer), optional.
    bool ParseMeterScaleInfo(const char* pJson);

    int GetScale() const { return mScale; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    int mScale = 0;
};

class cJsonParseDoRiduyZoom {
public:
    static constexpr std::uint32_t kNoPair = 0xFFFFFFFF;

    cJsonParseDoRiduyZoom();

    // "Pair" (integer), required. A pair whose two channels do not both fit
    // the channel count is taken as no pair.
    bool ParseDolbyZoom(const char* pJson, unsigned long ulDefault);
    // "LoudnessReset" (bool), required; any value arms the reset.
    bool ParseDolbyLoudnessRstMsg(const char* pJson);
    // "ED2PresentationSelect" (integer), required.
    bool ParseDolbyED2Presentation(const char* pJson, unsigned int uDefault);
    // "DeProgramSelect" (integer), required.
    bool ParseDolbyEProgramNum(const char* pJson, unsigned int uDefault);

    int GetED2Presentation() const { return mED2Presentation; }
    int GetDolbyEProgramNum() const { return mDolbyEProgramNum; }
    bool GetLoudnessReset() const { return mbLoudnessReset; }
    std::uint32_t GetPair() const { return mPair; }
    std::uint32_t GetChannelCount() const { return mChannelCount; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    // A pair whose two channels fit the channel count, else no pair.
    std::uint32_t PairOrNone(unsigned long ulPair) const {
        return ulPair <= mChannelCount / 2 ? static_cast<std::uint32_t>(ulPair) : kNoPair;
    }
    // The two selection messages: one required integer member.
    static bool ParseSelection(const char* pJson, const char* pKey, int& iField,
                               unsigned int uDefault);

    int mED2Presentation = 0;
    int mDolbyEProgramNum = 0;
    bool mbLoudnessReset = true;
    std::uint32_t mPair = kNoPair;
    std::uint32_t mChannelCount = 16;
};

class cJsonParseResetDolbyGridMsg {
public:
    cJsonParseResetDolbyGridMsg();

    // "ResetDolbyGrid" (bool), optional: true hides the markers.
    bool ParseResetDolbyGridMsg(const char* pJson);

    bool GetResetDolbyGrid() const { return mbResetDolbyGrid; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    bool mbResetDolbyGrid = false;
};

class cJsonParseVisualiserView {
public:
    cJsonParseVisualiserView();

    // "VisualiserView" (string), optional.
    bool ParseSetVisualiserView(const char* pJson);

    const std::string& GetVisualiserView() const { return mVisualiserView; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    std::string mVisualiserView;
};

// Not created by this application; whoever creates it chooses the start.
class cJsonParseFpSwitchVideo {
public:
    explicit cJsonParseFpSwitchVideo(bool bShowVideo = true) : mbShowVideo(bShowVideo) {}

    // "ShowVideo" (bool), optional.
    bool ParseAppVideoMessage(const char* pJson);

    bool GetShowVideo() const { return mbShowVideo; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    bool mbShowVideo;
};

// Not created by this application; whoever creates it chooses the start.
class cJsonParseMute {
public:
    explicit cJsonParseMute(std::uint32_t uMuteMask = 0, std::uint32_t uChannelCount = 16,
                            bool bVideoMute = false)
        : mMuteMask(uMuteMask), mChannelCount(uChannelCount), mbVideoMute(bVideoMute) {}

    // "ShowVideo" (bool), required: video mute is its negation.
    bool ParseSwitchVideo(const char* pJson, bool bDefault);
    // "MuteSettings" (array), required: bit n of the mask for channel n.
    bool ParseMutes(const char* pJson, unsigned long ulDefault);

    std::uint32_t GetMuteMask() const { return mMuteMask; }
    std::uint32_t GetChannelCount() const { return mChannelCount; }
    bool GetVideoMute() const { return mbVideoMute; }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    std::uint32_t mMuteMask;
    std::uint32_t mChannelCount;
    bool mbVideoMute;
};

// Not created by this application; whoever creates it chooses the start.
class cJsonParseAudioSpeakerRoutes {
public:
    static constexpr unsigned kChannels = 16;
    // Number to speaker type; the numbers are the enumeration's own values.
    static constexpr AudioSpeakerType_e AudioSpeakerTypes[kAudioSpeakerTypeCount] = {
        AUDIO_SPEAKER_NONE,
        AUDIO_SPEAKER_LEFT,
        AUDIO_SPEAKER_RIGHT,
        AUDIO_SPEAKER_CENTER,
        AUDIO_SPEAKER_LOW_FREQUENCY_EFFECTS,
        AUDIO_SPEAKER_LEFT_SURROUND,
        AUDIO_SPEAKER_RIGHT_SURROUND,
        AUDIO_SPEAKER_BACK_SURROUND_LEFT,
        AUDIO_SPEAKER_BACK_SURROUND_RIGHT,
        AUDIO_SPEAKER_MONO_SURROUND,
        AUDIO_SPEAKER_LEFT_WIDE,
        AUDIO_SPEAKER_RIGHT_WIDE,
        AUDIO_SPEAKER_TOP_FRONT_LEFT,
        AUDIO_SPEAKER_TOP_FRONT_RIGHT,
        AUDIO_SPEAKER_TOP_MIDDLE_LEFT,
        AUDIO_SPEAKER_TOP_MIDDLE_RIGHT,
        AUDIO_SPEAKER_TOP_BACK_LEFT,
        AUDIO_SPEAKER_TOP_BACK_RIGHT,
        AUDIO_SPEAKER_LOW_FREQUENCY_EFFECTS_2,
        AUDIO_SPEAKER_OTHER,
    };

    explicit cJsonParseAudioSpeakerRoutes(AudioSpeakerType_e eInitial = AUDIO_SPEAKER_NONE);

    // "SpeakerRoutes" (array), required: one speaker type number per channel.
    bool ParseAudioSpeakerTypes(const char* pJson, AudioSpeakerType_e eDefault);
    // Channel above 15 or type above 19: nothing happens.
    void SetAudioSpeakerRoute(unsigned int uChannel, unsigned int uType);

    AudioSpeakerType_e GetAudioSpeakerRoute(unsigned int uChannel) const {
        return uChannel < kChannels ? mRoutes[uChannel] : AUDIO_SPEAKER_NONE;
    }

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_WARN;

private:
    AudioSpeakerType_e mRoutes[kChannels];
};
