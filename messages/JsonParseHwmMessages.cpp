#include "messages/JsonParseHwmMessages.h"

#include "messages/JsonRead.h"

#include <rapidjson/document.h>

using JsonRead::eRead;

void cVolumeSettingsParser::Reset() {
    Mute = false;
    Value = 511;
    ValueInPrcnt = 4995;
}

bool cVolumeSettingsParser::ParseVolumeSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson))
        return false;
    // Present counts even when the type is wrong: the field then keeps its default.
    bool bComplete = JsonRead::Uint(document, "Value", Value) != eRead::Absent;
    bComplete =
        JsonRead::Uint(document, "ValueInPrcnt", ValueInPrcnt) != eRead::Absent && bComplete;
    bComplete = JsonRead::Bool(document, "Mute", Mute) != eRead::Absent && bComplete;
    return bComplete;
}

void cBalanceSettingsParser::Reset() {
    Value = 511;
    ValueInPrcntForLeft = 4995;
}

bool cBalanceSettingsParser::ParseBalanceSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson))
        return false;
    bool bComplete = JsonRead::Uint(document, "Value", Value) != eRead::Absent;
    bComplete =
        JsonRead::Uint(document, "ValueInPrcntForLeft", ValueInPrcntForLeft) != eRead::Absent &&
        bComplete;
    return bComplete;
}
