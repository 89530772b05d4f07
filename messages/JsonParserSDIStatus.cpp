#include "messages/JsonParserSDIStatus.h"

#include "messages/JsonRead.h"

#include <rapidjson/document.h>

void cJsonParserSDIStatus::Reset() {
    *this = cJsonParserSDIStatus();
}

bool cJsonParserSDIStatus::ParseSDIStatus(const char* pJson) {
    Reset();
    rapidjson::Document document;
    // Every key is read even after one is missing, so the record shows all
    // that the message carried. Present counts even when the type is wrong:
    // the field then keeps its default.
    return JsonRead::ParseObject(document, pJson) &&
           JsonRead::AllPresent({JsonRead::Int(document, "EncodedStatus", EncodedStatus),
                                 JsonRead::Int(document, "Slot", Slot),
                                 JsonRead::Int(document, "Status", Status),
                                 JsonRead::Int(document, "Type", Type),
                                 JsonRead::Int(document, "ClkSrcLockStatus", ClkSrcLockStatus)});
}
