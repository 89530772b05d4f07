#include "messages/JsonParseHwmMessages.h"

#include <rapidjson/document.h>

namespace {

bool ParseObject(const char* pJson, rapidjson::Document* pDocument) {
    if (!pJson)
        return false;
    pDocument->Parse<rapidjson::kParseIterativeFlag>(pJson); // no recursion on deep nesting
    return !pDocument->HasParseError() && pDocument->IsObject();
}

// Present counts even when the type is wrong: the field then keeps its default.
bool ReadUint(const rapidjson::Value& root, const char* pKey, std::uint32_t* pField) {
    const auto member = root.FindMember(pKey);
    if (member == root.MemberEnd())
        return false;
    if (member->value.IsUint())
        *pField = member->value.GetUint();
    return true;
}

bool ReadBool(const rapidjson::Value& root, const char* pKey, bool* pField) {
    const auto member = root.FindMember(pKey);
    if (member == root.MemberEnd())
        return false;
    if (member->value.IsBool())
        *pField = member->value.GetBool();
    return true;
}

} // namespace

void cVolumeSettingsParser::Reset() {
    Mute = false;
    Value = 511;
    ValueInPrcnt = 4995;
}

bool cVolumeSettingsParser::ParseVolumeSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!ParseObject(pJson, &document))
        return false;
    bool bComplete = ReadUint(document, "Value", &Value);
    bComplete = ReadUint(document, "ValueInPrcnt", &ValueInPrcnt) && bComplete;
    bComplete = ReadBool(document, "Mute", &Mute) && bComplete;
    return bComplete;
}

void cBalanceSettingsParser::Reset() {
    Value = 511;
    ValueInPrcntForLeft = 4995;
}

bool cBalanceSettingsParser::ParseBalanceSettings(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!ParseObject(pJson, &document))
        return false;
    bool bComplete = ReadUint(document, "Value", &Value);
    bComplete = ReadUint(document, "ValueInPrcntForLeft", &ValueInPrcntForLeft) && bComplete;
    return bComplete;
}
