#include "messages/JsonParseHwmMessages.h"

#include "messages/JsonRead.h"

#include <rapidjson/document.h>

void cVolumeSettingsParser::Reset() {
    *this = cVolumeSettingsParser();
}

bool cVolumeSettingsParser::ParseVolumeSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    // Present counts even when the type is wrong: the field then keeps its default.
    return JsonRead::ParseObject(document, pJson) &&
           JsonRead::AllPresent({JsonRead::Uint(document, "Value", Value),
                                 JsonRead::Uint(document, "ValueInPrcnt", ValueInPrcnt),
                                 JsonRead::Bool(document, "Mute", Mute)});
}

void cBalanceSettingsParser::Reset() {
    *this = cBalanceSettingsParser();
}

bool cBalanceSettingsParser::ParseBalanceSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    return JsonRead::ParseObject(document, pJson) &&
           JsonRead::AllPresent(
               {JsonRead::Uint(document, "Value", Value),
                JsonRead::Uint(document, "ValueInPrcntForLeft", ValueInPrcntForLeft)});
}
