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

enum class eNeed { Optional, Required };

// A member a message carries. An optional one may be absent; a present one
// must have its type (null included, which no member here takes): another
// type is a broken message, like text that is not JSON.
struct Member {
    const char* pKey;
    bool (Value::*pIsType)() const;
    eNeed eNeeded = eNeed::Optional;
};

// False when the member refuses the message; pFound is the member, null
// when it is absent.
bool Check(const Value& root, const Member& member, const Value*& pFound) {
    pFound = JsonRead::Find(root, member.pKey, eNull::Value);
    return pFound ? (pFound->*member.pIsType)() : member.eNeeded == eNeed::Optional;
}

// The body every parse operation shares: a null text, JSON syntax (the
// error logged through the class's gate) and a root that must be an object;
// then `read` stores what the message carries, or returns false to refuse
// it. A refused message takes the failure path: `fail` sets the fallback
// value and logs its line.
template <class C, class Read, class Fail>
bool ParseOrFallBack(const char* pJson, eSyntaxText eText, Read read, Fail fail) {
    try {
        rapidjson::Document doc;
        const Value* pRoot = JsonRead::ParseObject(doc, pJson);
        if (!pRoot && doc.HasParseError()) {
            if (eText == eSyntaxText::Upper)
                CLASS_LOG(C, LEVEL_ERROR, "NOT A VALID JSON STRING %s.", pJson);
            else
                CLASS_LOG(C, LEVEL_ERROR, "Not a valid json string %s.", pJson);
        }
        if (pRoot && read(*pRoot))
            return true;
    } catch (...) {
        // Out of memory while parsing: a failed message like any other.
    }
    fail();
    return false;
}

// The same for a message of one member: `store` takes it when present.
template <class C, class Store, class Fail>
bool ParseMember(const char* pJson, const Member& member, Store store, Fail fail,
                 eSyntaxText eText = eSyntaxText::Plain) {
    const auto read = [&](const Value& root) {
        const Value* pFound = nullptr;
        if (!Check(root, member, pFound))
            return false;
        if (pFound)
            store(*pFound);
        return true;
    };
    return ParseOrFallBack<C>(pJson, eText, read, fail);
}

// A message of one optional flag, which a failure sets to its fallback.
template <class C>
bool ParseFlag(const char* pJson, const char* pKey, bool& bFlag, bool bFallback,
               const char* pFailure) {
    return ParseMember<C>(
        pJson, {pKey, &Value::IsBool}, [&bFlag](const Value& flag) { bFlag = flag.GetBool(); },
        [&bFlag, bFallback, pFailure] {
            bFlag = bFallback;
            CLASS_LOG(C, LEVEL_ERROR, "%s", pFailure);
        });
}

} // namespace

// ---------------------------------------------------------------------------

cJsonParseFpAppMessages::cJsonParseFpAppMessages() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseFpAppMessages::ParseAppMessage(const char* pJson) {
    const auto read = [this](const Value& root) {
        const Value* pShow = nullptr;
        const Value* pName = nullptr;
        // Both are checked before either is stored.
        if (!Check(root, {"Show", &Value::IsBool}, pShow) ||
            !Check(root, {"AppName", &Value::IsString}, pName))
            return false;
        if (pShow)
            mbShow = pShow->GetBool();
        if (pName)
            JsonRead::Keep(mAppName, pName->GetString(), pName->GetStringLength());
        return true;
    };
    return ParseOrFallBack<cJsonParseFpAppMessages>(pJson, eSyntaxText::Plain, read, [this] {
        mbShow = true;
        CLASS_LOG(cJsonParseFpAppMessages, LEVEL_ERROR,
                  "Failed to parse message setting default to true");
    });
}

// ---------------------------------------------------------------------------

cJsonParseMeterScaleInfo::cJsonParseMeterScaleInfo() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseMeterScaleInfo::ParseMeterScaleInfo(const char* pJson) {
    return ParseMember<cJsonParseMeterScaleInfo>(
        pJson, {"Scale", &Value::IsInt}, [this](const Value& scale) { mScale = scale.GetInt(); },
        [this] {
            mScale = 0;
            CLASS_LOG(cJsonParseMeterScaleInfo, LEVEL_ERROR, "Failed to parse Meter Scale Info ");
        });
}

// ---------------------------------------------------------------------------

cJsonParseDoRiduyZoom::cJsonParseDoRiduyZoom() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseDoRiduyZoom::ParseDolbyZoom(const char* pJson, unsigned long ulDefault) {
    return ParseMember<cJsonParseDoRiduyZoom>(
        pJson, {"Pair", &Value::IsInt, eNeed::Required},
        [this](const Value& pair) {
            // Out of range is still a valid message: it clears the zoom.
            const int iPair = pair.GetInt();
            mPair = iPair >= 0 ? PairOrNone(static_cast<unsigned long>(iPair)) : kNoPair;
        },
        [this, ulDefault] {
            mPair = PairOrNone(ulDefault);
            CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR,
                      "Failed to parse message setting default to %lu", ulDefault);
        });
}

bool cJsonParseDoRiduyZoom::ParseDolbyLoudnessRstMsg(const char* pJson) {
    return ParseMember<cJsonParseDoRiduyZoom>(
        pJson, {"LoudnessReset", &Value::IsBool, eNeed::Required},
        // The message itself is the request; its value carries nothing.
        [this](const Value&) { mbLoudnessReset = true; },
        [] {
            CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR,
                      "Failed to parse message setting default to ");
        },
        eSyntaxText::Upper);
}

bool cJsonParseDoRiduyZoom::ParseDolbyED2Presentation(const char* pJson, unsigned int uDefault) {
    return ParseSelection(pJson, "ED2PresentationSelect", mED2Presentation, uDefault);
}

bool cJsonParseDoRiduyZoom::ParseDolbyEProgramNum(const char* pJson, unsigned int uDefault) {
    return ParseSelection(pJson, "DeProgramSelect", mDolbyEProgramNum, uDefault);
}

bool cJsonParseDoRiduyZoom::ParseSelection(const char* pJson, const char* pKey, int& iField,
                                           unsigned int uDefault) {
    return ParseMember<cJsonParseDoRiduyZoom>(
        pJson, {pKey, &Value::IsInt, eNeed::Required},
        [&iField](const Value& select) { iField = select.GetInt(); },
        [&iField, uDefault] {
            iField = static_cast<int>(uDefault);
            CLASS_LOG(cJsonParseDoRiduyZoom, LEVEL_ERROR,
                      "Failed to parse message setting default to %u", uDefault);
        },
        eSyntaxText::Upper);
}

// ---------------------------------------------------------------------------

cJsonParseResetDolbyGridMsg::cJsonParseResetDolbyGridMsg() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseResetDolbyGridMsg::ParseResetDolbyGridMsg(const char* pJson) {
    return ParseFlag<cJsonParseResetDolbyGridMsg>(pJson, "ResetDolbyGrid", mbResetDolbyGrid, false,
                                                  "Failed to parse Reset Dolby Grid Info ");
}

// ---------------------------------------------------------------------------

cJsonParseVisualiserView::cJsonParseVisualiserView() {
    mpLogger = Logger::GetInstance();
}

bool cJsonParseVisualiserView::ParseSetVisualiserView(const char* pJson) {
    return ParseMember<cJsonParseVisualiserView>(
        pJson, {"VisualiserView", &Value::IsString},
        [this](const Value& view) {
            JsonRead::Keep(mVisualiserView, view.GetString(), view.GetStringLength());
        },
        [this] {
            JsonRead::Clear(mVisualiserView);
            CLASS_LOG(cJsonParseVisualiserView, LEVEL_ERROR,
                      "Failed to parse Dolby Visualiser View Info ");
        });
}

// ---------------------------------------------------------------------------

bool cJsonParseFpSwitchVideo::ParseAppVideoMessage(const char* pJson) {
    return ParseFlag<cJsonParseFpSwitchVideo>(
        pJson, "ShowVideo", mbShowVideo, true,
        "Failed to parse Video Switch message setting default to true");
}

// ---------------------------------------------------------------------------

bool cJsonParseMute::ParseSwitchVideo(const char* pJson, bool bDefault) {
    return ParseMember<cJsonParseMute>(
        pJson, {"ShowVideo", &Value::IsBool, eNeed::Required},
        [this](const Value& show) { mbVideoMute = !show.GetBool(); },
        [this, bDefault] {
            mbVideoMute = bDefault;
            CLASS_LOG(cJsonParseMute, LEVEL_ERROR, "Failed to parse message ShowVideo");
        });
}

bool cJsonParseMute::ParseMutes(const char* pJson, unsigned long ulDefault) {
    const auto store = [this](const Value& mutes) {
        const rapidjson::SizeType uSize = mutes.Size();
        // The mask has 32 bits; channels beyond them have nowhere to go.
        for (std::uint32_t n = 0; n < mChannelCount && n < 32; ++n) {
            const std::uint32_t uBit = 1u << n;
            if (n >= uSize)
                mMuteMask |= uBit; // a channel the peer did not mention stays muted
            else if (mutes[n].IsInt())
                mMuteMask = mutes[n].GetInt() == 0 ? mMuteMask & ~uBit : mMuteMask | uBit;
        }
    };
    return ParseMember<cJsonParseMute>(
        pJson, {"MuteSettings", &Value::IsArray, eNeed::Required}, store, [this, ulDefault] {
            mMuteMask = static_cast<std::uint32_t>(ulDefault);
            CLASS_LOG(cJsonParseMute, LEVEL_ERROR, "Failed to parse message setting default to %lu",
                      ulDefault);
        });
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
    const auto store = [this, uDefault](const Value& routes) {
        for (unsigned int n = 0; n < kChannels && n < routes.Size(); ++n) {
            const unsigned int uType = routes[n].IsInt()
                                           ? static_cast<unsigned int>(routes[n].GetInt())
                                           : kAudioSpeakerTypeCount;
            // An unknown type takes the default, when that is a type.
            SetAudioSpeakerRoute(n, uType < kAudioSpeakerTypeCount ? uType : uDefault);
        }
    };
    return ParseMember<cJsonParseAudioSpeakerRoutes>(
        pJson, {"SpeakerRoutes", &Value::IsArray, eNeed::Required}, store, [uDefault] {
            CLASS_LOG(cJsonParseAudioSpeakerRoutes, LEVEL_ERROR,
                      "Failed to parse message setting default to %lu",
                      static_cast<unsigned long>(uDefault));
        });
}
