#include "messages/JsonParserSDIStatus.h"

#include <rapidjson/document.h>

namespace {

// Present counts even when the type is wrong: the field then keeps its default.
bool ReadInt(const rapidjson::Value& root, const char* pKey, std::int32_t* pField) {
    const auto member = root.FindMember(pKey);
    if (member == root.MemberEnd())
        return false;
    if (member->value.IsInt())
        *pField = member->value.GetInt();
    return true;
}

} // namespace

void cJsonParserSDIStatus::Reset() {
    EncodedStatus = -1;
    Slot = -1;
    Status = -1;
    Type = -1;
    ClkSrcLockStatus = -1;
}

bool cJsonParserSDIStatus::ParseSDIStatus(const char* pJson) {
    Reset();
    if (!pJson)
        return false;
    rapidjson::Document document;
    document.Parse<rapidjson::kParseIterativeFlag>(pJson); // no recursion on deep nesting
    if (document.HasParseError() || !document.IsObject())
        return false;
    // Every key is read even after one is missing, so the record shows all
    // that the message carried.
    bool bComplete = ReadInt(document, "EncodedStatus", &EncodedStatus);
    bComplete = ReadInt(document, "Slot", &Slot) && bComplete;
    bComplete = ReadInt(document, "Status", &Status) && bComplete;
    bComplete = ReadInt(document, "Type", &Type) && bComplete;
    bComplete = ReadInt(document, "ClkSrcLockStatus", &ClkSrcLockStatus) && bComplete;
    return bComplete;
}
