#include "messages/JsonParseFpMessages.h"

#include "messages/JsonRead.h"

#include <rapidjson/document.h>

namespace {
const char* const kLogUnit = "JsonParseFpMessages.cpp";

using JsonRead::eNull;
using rapidjson::Value;

// Which wording the syntax-error line uses; the Dolby selection messages
// have always shouted it.
enum class eSyntaxText { Plain, Upper };

// The steps every parse operation shares: null text, JSON syntax (logged
// here through the class's gate), and a root that must be an object.
// Returns the root, or null when the message takes the failure path.
template <class C>
const Value* ParseRootObject(rapidjson::Document& doc, const char* pJson,
                             eSyntaxText eText = eSyntaxText::Plain) {
    const Value* pRoot = JsonRead::ParseObject(doc, pJson);
    if (!pRoot && doc.HasParseError()) {
        if (eText == eSyntaxText::Upper)
            CLASS_LOG(C, LEVEL_ERROR, "NOT A VALID JSON STRING %s.", pJson);
        else
            CLASS_LOG(C, LEVEL_ERROR, "Not a valid json string %s.", pJson);
    }
    return pRoot;
}

// An optional member may be absent; when present it must have its type
// (null included, which no reader here takes).
// A present member of another type is taken as a broken message and sends
// the whole operation down the failure path, like text that is not JSON.
bool OptionalOk(const Value* pMember, bool (Value::*pIsType)() const) {
    return !pMember || (pMember->*pIsType)();
}

} // namespace

// ---------------------------------------------------------------------------

Logger* cJsonParseFpAppMessages::mpLogger = nullptr;
MsgLevel_e cJsonParseFpAppMessages::mLogLevel = LEVEL_WARN;
Logger* cJsonParseMeterScaleInfo::mpLogger = nullptr;
MsgLevel_e cJsonParseMeterScaleInfo::mLogLevel = LEVEL_WARN;
Logger* cJsonParseDoRiduyZoom::mpLogger = nullptr;
MsgLevel_e cJsonParseDoRiduyZoom::mLogLevel = LEVEL_WARN;
Logger* cJsonParseResetDolbyGridMsg::mpLogger = nullptr;
MsgLevel_e cJsonParseResetDolbyGridMsg::mLogLevel = LEVEL_WARN;
Logger* cJsonParseVisualiserView::mpLogger = nullptr;
MsgLevel_e cJsonParseVisualiserView::mLogLevel = LEVEL_WARN;
Logger* cJsonParseFpSwitchVideo::mpLogger = nullptr;
MsgLevel_e cJsonParseFpSwitchVideo::mLogLevel = LEVEL_WARN;
Logger* cJsonParseMute::mpLogger = nullptr;
MsgLevel_e cJsonParseMute::mLogLevel = LEVEL_WARN;
Logger* cJsonParseAudioSpeakerRoutes::mpLogger = nullptr;
MsgLevel_e cJsonParseAudioSpeakerRoutes::mLogLevel = LEVEL_WARN;

// ---------------------------------------------------------------------------

cJsonParseFpAppMessages::cJsonParseFpAppMessages() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseFpAppMessages::ParseAppMessage(const char* pJson) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseFpAppMessages>(doc, pJson)) {
            const Value* pShow = JsonRead::Find(*pRoot, "Show", eNull::Value);
            const Value* pName = JsonRead::Find(*pRoot, "AppName", eNull::Value);
            if (OptionalOk(pShow, &Value::IsBool) && OptionalOk(pName, &Value::IsString)) {
                if (pShow)
                    mbShow = pShow->GetBool();
                if (pName)
                    JsonRead::Keep(mAppName, pName->GetString(), pName->GetStringLength());
                return true;
            }
        }
    } catch (...) {
        // Out of memory while parsing: a failed message like any other.
    }
    mbShow = true;
    CLASS_LOG(cJsonParseFpAppMessages, LEVEL_ERROR,
              "Failed to parse message setting default to true");
    return false;
}

// ---------------------------------------------------------------------------

cJsonParseMeterScaleInfo::cJsonParseMeterScaleInfo() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseMeterScaleInfo::ParseMeterScaleInfo(const char* pJson) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseMeterScaleInfo>(doc, pJson)) {
            const Value* pScale = JsonRead::Find(*pRoot, "Scale", eNull::Value);
            if (OptionalOk(pScale, &Value::IsInt)) {
                if (pScale)
                    mScale = pScale->GetInt();
                return true;
            }
        }
    } catch (...) {
    }
    mScale = 0;
    CLASS_LOG(cJsonParseMeterScaleInfo, LEVEL_ERROR, "Failed to parse Meter Scale Info ");
    return false;
}

// ---------------------------------------------------------------------------

cJsonParseDoRiduyZoom::cJsonParseDoRiduyZoom() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseDoRiduyZoom::ParseDolbyZoom(const char* pJson, unsigned long ulDefault) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseDoRiduyZoom>(doc, pJson)) {
            const Value* pPair = JsonRead::Find(*pRoot, "Pair", eNull::Value);
            if (pPair && pPair->IsInt()) {
                const int iPair = pPair->GetInt();
                // Out of range is still a valid message: it clears the zoom.
                mPair = iPair >= 0 && PairFits(static_cast<unsigned long>(iPair))
                            ? static_cast<std::uint32_t>(iPair)
                            : kNoPair;
                return true;
            }
        }
    } catch (...) {
    }
    mPair = PairFits(ulDefault) ? static_cast<std::uint32_t>(ulDefault) : kNoPair;
    CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR, "Failed to parse message setting default to %lu",
              ulDefault);
    return false;
}

bool cJsonParseDoRiduyZoom::ParseDolbyLoudnessRstMsg(const char* pJson) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot =
                ParseRootObject<cJsonParseDoRiduyZoom>(doc, pJson, eSyntaxText::Upper)) {
            const Value* pReset = JsonRead::Find(*pRoot, "LoudnessReset", eNull::Value);
            if (pReset && pReset->IsBool()) {
                // The message itself is the request; its value carries nothing.
                mbLoudnessReset = true;
                return true;
            }
        }
    } catch (...) {
    }
    CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR, "Failed to parse message setting default to ");
    return false;
}

bool cJsonParseDoRiduyZoom::ParseDolbyED2Presentation(const char* pJson, unsigned int uDefault) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot =
                ParseRootObject<cJsonParseDoRiduyZoom>(doc, pJson, eSyntaxText::Upper)) {
            const Value* pSelect = JsonRead::Find(*pRoot, "ED2PresentationSelect", eNull::Value);
            if (pSelect && pSelect->IsInt()) {
                mED2Presentation = pSelect->GetInt();
                return true;
            }
        }
    } catch (...) {
    }
    mED2Presentation = static_cast<int>(uDefault);
    CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR, "Failed to parse message setting default to %u",
              uDefault);
    return false;
}

bool cJsonParseDoRiduyZoom::ParseDolbyEProgramNum(const char* pJson, unsigned int uDefault) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot =
                ParseRootObject<cJsonParseDoRiduyZoom>(doc, pJson, eSyntaxText::Upper)) {
            const Value* pSelect = JsonRead::Find(*pRoot, "DeProgramSelect", eNull::Value);
            if (pSelect && pSelect->IsInt()) {
                mDolbyEProgramNum = pSelect->GetInt();
                return true;
            }
        }
    } catch (...) {
    }
    mDolbyEProgramNum = static_cast<int>(uDefault);
    CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR, "Failed to parse message setting default to %u",
              uDefault);
    return false;
}

// ---------------------------------------------------------------------------

cJsonParseResetDolbyGridMsg::cJsonParseResetDolbyGridMsg() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseResetDolbyGridMsg::ParseResetDolbyGridMsg(const char* pJson) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseResetDolbyGridMsg>(doc, pJson)) {
            const Value* pReset = JsonRead::Find(*pRoot, "ResetDolbyGrid", eNull::Value);
            if (OptionalOk(pReset, &Value::IsBool)) {
                if (pReset)
                    mbResetDolbyGrid = pReset->GetBool();
                return true;
            }
        }
    } catch (...) {
    }
    mbResetDolbyGrid = false;
    CLASS_LOG(cJsonParseResetDolbyGridMsg, LEVEL_ERROR, "Failed to parse Reset Dolby Grid Info ");
    return false;
}

// ---------------------------------------------------------------------------

cJsonParseVisualiserView::cJsonParseVisualiserView() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseVisualiserView::ParseSetVisualiserView(const char* pJson) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseVisualiserView>(doc, pJson)) {
            const Value* pView = JsonRead::Find(*pRoot, "VisualiserView", eNull::Value);
            if (OptionalOk(pView, &Value::IsString)) {
                if (pView)
                    JsonRead::Keep(mVisualiserView, pView->GetString(), pView->GetStringLength());
                return true;
            }
        }
    } catch (...) {
    }
    JsonRead::Clear(mVisualiserView);
    CLASS_LOG(cJsonParseVisualiserView, LEVEL_ERROR, "Failed to parse Dolby Visualiser View Info ");
    return false;
}

// ---------------------------------------------------------------------------

bool cJsonParseFpSwitchVideo::ParseAppVideoMessage(const char* pJson) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseFpSwitchVideo>(doc, pJson)) {
            const Value* pShow = JsonRead::Find(*pRoot, "ShowVideo", eNull::Value);
            if (OptionalOk(pShow, &Value::IsBool)) {
                if (pShow)
                    mbShowVideo = pShow->GetBool();
                return true;
            }
        }
    } catch (...) {
    }
    mbShowVideo = true;
    CLASS_LOG(cJsonParseFpSwitchVideo, LEVEL_ERROR,
              "Failed to parse Video Switch message setting default to true");
    return false;
}

// ---------------------------------------------------------------------------

bool cJsonParseMute::ParseSwitchVideo(const char* pJson, bool bDefault) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseMute>(doc, pJson)) {
            const Value* pShow = JsonRead::Find(*pRoot, "ShowVideo", eNull::Value);
            if (pShow && pShow->IsBool()) {
                mbVideoMute = !pShow->GetBool();
                return true;
            }
        }
    } catch (...) {
    }
    mbVideoMute = bDefault;
    CLASS_LOG(cJsonParseMute, LEVEL_ERROR, "Failed to parse message ShowVideo");
    return false;
}

bool cJsonParseMute::ParseMutes(const char* pJson, unsigned long ulDefault) {
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseMute>(doc, pJson)) {
            const Value* pMutes = JsonRead::Find(*pRoot, "MuteSettings", eNull::Value);
            if (pMutes && pMutes->IsArray()) {
                const rapidjson::SizeType uSize = pMutes->Size();
                // The mask has 32 bits; channels beyond them have nowhere to go.
                for (std::uint32_t n = 0; n < mChannelCount && n < 32; ++n) {
                    const std::uint32_t uBit = 1u << n;
                    if (n >= uSize) {
                        mMuteMask |= uBit; // a channel the peer did not mention stays muted
                        continue;
                    }
                    const Value& element = (*pMutes)[n];
                    if (!element.IsInt())
                        continue;
                    if (element.GetInt() == 0)
                        mMuteMask &= ~uBit;
                    else
                        mMuteMask |= uBit;
                }
                return true;
            }
        }
    } catch (...) {
    }
    mMuteMask = static_cast<std::uint32_t>(ulDefault);
    CLASS_LOG(cJsonParseMute, LEVEL_ERROR, "Failed to parse message setting default to %lu",
              ulDefault);
    return false;
}

// ---------------------------------------------------------------------------

cJsonParseAudioSpeakerRoutes::cJsonParseAudioSpeakerRoutes(AudioSpeakerType_e eInitial) {
    for (AudioSpeakerType_e& eRoute : mRoutes)
        eRoute = eInitial;
}

void cJsonParseAudioSpeakerRoutes::SetAudioSpeakerRoute(unsigned int uChannel, unsigned int uType) {
    if (uChannel < kChannels && uType < kAudioSpeakerTypeCount)
        mRoutes[uChannel] = AudioSpeakerTypes[uType];
}

bool cJsonParseAudioSpeakerRoutes::ParseAudioSpeakerTypes(const char* pJson,
                                                          AudioSpeakerType_e eDefault) {
    const auto uDefault = static_cast<unsigned int>(eDefault);
    try {
        rapidjson::Document doc;
        if (const Value* pRoot = ParseRootObject<cJsonParseAudioSpeakerRoutes>(doc, pJson)) {
            const Value* pRoutes = JsonRead::Find(*pRoot, "SpeakerRoutes", eNull::Value);
            if (pRoutes && pRoutes->IsArray()) {
                const rapidjson::SizeType uSize = pRoutes->Size();
                for (unsigned int n = 0; n < kChannels && n < uSize; ++n) {
                    const Value& element = (*pRoutes)[n];
                    const unsigned int uType = element.IsInt()
                                                   ? static_cast<unsigned int>(element.GetInt())
                                                   : kAudioSpeakerTypeCount;
                    if (uType < kAudioSpeakerTypeCount)
                        SetAudioSpeakerRoute(n, uType);
                    else if (uDefault < kAudioSpeakerTypeCount)
                        SetAudioSpeakerRoute(n, uDefault);
                }
                return true;
            }
        }
    } catch (...) {
    }
    CLASS_LOG(cJsonParseAudioSpeakerRoutes, LEVEL_ERROR,
              "Failed to parse message setting default to %lu",
              static_cast<unsigned long>(uDefault));
    return false;
}
