#include "messages/JsonParserSDIStatus.h"

#include "messages/JsonRead.h"

#include <rapidjson/document.h>

using JsonRead::eRead;

void cJsonParserSDIStatus::Reset() {
    EncodedStatus = -1;
    Slot = -1;
    Status = -1;
    Type = -1;
    ClkSrcLockStatus = -1;
}

bool cJsonParserSDIStatus::ParseSDIStatus(const char* pJson) {
    Reset();
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson))
        return false;
    // Every key is read even after one is missing, so the record shows all
    // that the message carried. Present counts even when the type is wrong:
    // the field then keeps its default.
    bool bComplete = JsonRead::Int(document, "EncodedStatus", EncodedStatus) != eRead::Absent;
    bComplete = JsonRead::Int(document, "Slot", Slot) != eRead::Absent && bComplete;
    bComplete = JsonRead::Int(document, "Status", Status) != eRead::Absent && bComplete;
    bComplete = JsonRead::Int(document, "Type", Type) != eRead::Absent && bComplete;
    bComplete =
        JsonRead::Int(document, "ClkSrcLockStatus", ClkSrcLockStatus) != eRead::Absent && bComplete;
    return bComplete;
}
