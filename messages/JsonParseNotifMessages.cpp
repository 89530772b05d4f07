#include "messages/JsonParseNotifMessages.h"

#include "bus/ZmqQtListenerBase.h"

#include <rapidjson/document.h>

#include <cstring>

namespace {

// A null member counts as absent.
const rapidjson::Value* Find(const rapidjson::Value& object, const char* pKey) {
    const auto member = object.FindMember(pKey);
    if (member == object.MemberEnd() || member->value.IsNull())
        return nullptr;
    return &member->value;
}

bool IsString(const rapidjson::Value* pValue) {
    return !pValue || pValue->IsString();
}

// Clears the whole field, then copies at most size - 1 bytes. The cut backs
// off to a UTF-8 character boundary so the page never shows half a character.
void CopyText(const rapidjson::Value* pValue, char* pField, std::size_t uSize) {
    std::memset(pField, 0, uSize);
    if (!pValue)
        return;
    const char* pText = pValue->GetString();
    std::size_t uLength = std::strlen(pText);
    if (uLength > uSize - 1) {
        uLength = uSize - 1;
        while (uLength > 0 && (static_cast<unsigned char>(pText[uLength]) & 0xC0u) == 0x80u)
            --uLength;
    }
    std::memcpy(pField, pText, uLength);
}

} // namespace

int cJsonParseNotifMessages::ParseNotificationMessages(const char* pJson,
                                                       Notification_s* pNotification) {
    rapidjson::Document document;
    if (pJson)
        document.Parse<rapidjson::kParseIterativeFlag>(pJson); // no recursion on deep nesting
    bool bValid = pJson && pNotification && !document.HasParseError() && document.IsObject();

    // A root that is not an object or a member of another type is rejected
    // like broken JSON: the record keeps the last good notification.
    const rapidjson::Value* pLevel = nullptr;
    const rapidjson::Value* pTitle = nullptr;
    const rapidjson::Value* pMsg = nullptr;
    const rapidjson::Value* pShort = nullptr;
    const rapidjson::Value* pMeters = nullptr;
    const rapidjson::Value* pTime = nullptr;
    if (bValid) {
        pLevel = Find(document, "Level");
        pTitle = Find(document, "Title");
        pMsg = Find(document, "Msg");
        pShort = Find(document, "ShortMessage");
        pMeters = Find(document, "OnMetersPage");
        pTime = Find(document, "DisplayTimeSecs");
        bValid = (!pLevel || pLevel->IsInt()) && IsString(pTitle) && IsString(pMsg) &&
                 IsString(pShort) && (!pMeters || pMeters->IsBool()) && (!pTime || pTime->IsInt());
    }
    if (!bValid) {
        ZqtError("Preset json string did not contain a valid Notification Message.");
        return -1;
    }

    pNotification->level = pLevel ? pLevel->GetInt() : 0;
    CopyText(pTitle, pNotification->title, sizeof pNotification->title);
    CopyText(pMsg, pNotification->notifMsg, sizeof pNotification->notifMsg);
    CopyText(pShort, pNotification->shortMsg, sizeof pNotification->shortMsg);
    pNotification->metersDisplay = pMeters ? pMeters->GetBool() : false;
    pNotification->displayTime = pTime ? pTime->GetInt() : 0;
    return 0;
}
