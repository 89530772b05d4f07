#include "messages/JsonParseMetersInfo.h"

#include "messages/JsonRead.h"

#include <rapidjson/document.h>

#include <cstring>

using JsonRead::eRead;

void cMeterScalesParser::Reset() {
    *this = cMeterScalesParser();
}

bool cMeterScalesParser::ParseMeterScales(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson))
        return false;

    // Each key must be present; one of the wrong type leaves its default.
    bool bResult = JsonRead::String(document, "Scale", Scale) != eRead::Absent;

    // A ballistics value of another type is let through without members.
    if (const rapidjson::Value* pBallistics = JsonRead::Section(document, "Ballistics", bResult)) {
        if (!JsonRead::AllPresent({JsonRead::String(*pBallistics, "Float", BallisticsFloat),
                                   JsonRead::String(*pBallistics, "Bar", BallisticsBar)}))
            bResult = false;
    }

    if (JsonRead::Bool(document, "OriginFromFp", OriginFromFp) == eRead::Absent)
        bResult = false;
    return bResult;
}

void cMeterScalesParser::FillRecord(ScaleInfo_t* pRecord) const {
    if (!pRecord)
        return;
    std::memset(pRecord, 0, sizeof *pRecord);
    JsonRead::CopyCut(pRecord->Scale, Scale);
    JsonRead::CopyCut(pRecord->BallisticsFloat, BallisticsFloat);
    JsonRead::CopyCut(pRecord->BallisticsBar, BallisticsBar);
}
