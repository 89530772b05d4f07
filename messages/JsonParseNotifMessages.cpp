#include "messages/JsonParseNotifMessages.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

#include <rapidjson/document.h>

namespace {

using JsonRead::eNull;

bool IsString(const rapidjson::Value* pValue) {
    return !pValue || pValue->IsString();
}

} // namespace

int cJsonParseNotifMessages::ParseNotificationMessages(const char* pJson,
                                                       Notification_s* pNotification) {
    rapidjson::Document document;
    bool bValid = JsonRead::ParseObject(document, pJson) && pNotification;

    // A root that is not an object or a member of another type is rejected
    // like broken JSON: the record keeps the last good notification. A null
    // member counts as absent.
    const rapidjson::Value* pLevel = nullptr;
    const rapidjson::Value* pTitle = nullptr;
    const rapidjson::Value* pMsg = nullptr;
    const rapidjson::Value* pShort = nullptr;
    const rapidjson::Value* pMeters = nullptr;
    const rapidjson::Value* pTime = nullptr;
    if (bValid) {
        pLevel = JsonRead::Find(document, "Level", eNull::Absent);
        pTitle = JsonRead::Find(document, "Title", eNull::Absent);
        pMsg = JsonRead::Find(document, "Msg", eNull::Absent);
        pShort = JsonRead::Find(document, "ShortMessage", eNull::Absent);
        pMeters = JsonRead::Find(document, "OnMetersPage", eNull::Absent);
        pTime = JsonRead::Find(document, "DisplayTimeSecs", eNull::Absent);
        bValid = (!pLevel || pLevel->IsInt()) && IsString(pTitle) && IsString(pMsg) &&
                 IsString(pShort) && (!pMeters || pMeters->IsBool()) && (!pTime || pTime->IsInt());
    }
    if (!bValid) {
        ZqtError("Preset json string did not contain a valid Notification Message.");
        return -1;
    }

    pNotification->level = pLevel ? pLevel->GetInt() : 0;
    JsonRead::CopyCut(pNotification->title, pTitle ? pTitle->GetString() : nullptr);
    JsonRead::CopyCut(pNotification->notifMsg, pMsg ? pMsg->GetString() : nullptr);
    JsonRead::CopyCut(pNotification->shortMsg, pShort ? pShort->GetString() : nullptr);
    pNotification->metersDisplay = pMeters ? pMeters->GetBool() : false;
    pNotification->displayTime = pTime ? pTime->GetInt() : 0;
    return 0;
}
