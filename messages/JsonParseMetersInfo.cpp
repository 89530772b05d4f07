#include "messages/JsonParseMetersInfo.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cstring>

namespace {

bool StoreString(const rapidjson::Value& object, const char* pKey, std::string& field) {
    const auto member = object.FindMember(pKey);
    if (member == object.MemberEnd())
        return false;
    if (member->value.IsString())
        field.assign(member->value.GetString(), member->value.GetStringLength());
    return true;
}

} // namespace

void CopyTextCut(char* pDest, std::size_t uSize, const std::string& text) {
    if (!pDest || uSize == 0)
        return;
    const std::size_t length = std::min(std::strlen(text.c_str()), uSize - 1);
    std::memcpy(pDest, text.c_str(), length);
    pDest[length] = '\0';
}

void cMeterScalesParser::Reset() {
    *this = cMeterScalesParser();
}

bool cMeterScalesParser::ParseMeterScales(const char* pJson) {
    Reset();
    if (!pJson)
        return false;
    rapidjson::Document document;
    document.Parse(pJson);
    if (document.HasParseError() || !document.IsObject())
        return false;

    bool bResult = StoreString(document, "Scale", Scale);

    const auto ballistics = document.FindMember("Ballistics");
    if (ballistics == document.MemberEnd()) {
        bResult = false;
    } else if (ballistics->value.IsObject()) {
        // A ballistics value of another type is let through without members.
        const bool bFloat = StoreString(ballistics->value, "Float", BallisticsFloat);
        const bool bBar = StoreString(ballistics->value, "Bar", BallisticsBar);
        if (!bFloat || !bBar)
            bResult = false;
    }

    const auto origin = document.FindMember("OriginFromFp");
    if (origin == document.MemberEnd())
        bResult = false;
    else if (origin->value.IsBool())
        OriginFromFp = origin->value.GetBool();
    return bResult;
}

void cMeterScalesParser::FillRecord(ScaleInfo_t* pRecord) const {
    if (!pRecord)
        return;
    std::memset(pRecord, 0, sizeof *pRecord);
    CopyTextCut(pRecord->Scale, sizeof pRecord->Scale, Scale);
    CopyTextCut(pRecord->BallisticsFloat, sizeof pRecord->BallisticsFloat, BallisticsFloat);
    CopyTextCut(pRecord->BallisticsBar, sizeof pRecord->BallisticsBar, BallisticsBar);
}
