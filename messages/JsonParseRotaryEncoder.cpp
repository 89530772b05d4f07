#include "messages/JsonParseRotaryEncoder.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

#include <rapidjson/document.h>

namespace {

// Any JSON integer, reduced to its low 16 bits; false for anything else.
bool ReadLow16(const rapidjson::Value& object, const char* pKey, std::int64_t& raw,
               std::int16_t& value) {
    const rapidjson::Value* pValue = JsonRead::Find(object, pKey, JsonRead::eNull::Value);
    if (!pValue)
        return false;
    if (pValue->IsInt64())
        raw = pValue->GetInt64();
    else if (pValue->IsUint64())
        raw = static_cast<std::int64_t>(pValue->GetUint64());
    else
        return false;
    value = static_cast<std::int16_t>(static_cast<std::uint16_t>(raw & 0xFFFF));
    return true;
}

} // namespace

int cJsonParseRotaryEncoder::ParseRotaryEncodeData(const char* pJson, RotaryEncEvent_t* pOut) {
    rapidjson::Document document;
    const rapidjson::Value* pRoot = JsonRead::ParseObject(document, pJson);
    RotaryEncEvent_t event{};
    std::int64_t switchChange = 0;
    std::int64_t switchAbsolute = 0;
    std::int64_t countAbsolute = 0;
    std::int64_t countChange = 0;
    // JSON of another shape (not an object, a member missing or not an
    // integer) is refused like text that is not JSON at all.
    const bool ok = pRoot && pOut &&
                    ReadLow16(document, "SwitchChange", switchChange, event.SwitchChange) &&
                    ReadLow16(document, "SwitchAbsolute", switchAbsolute, event.SwitchAbsolute) &&
                    ReadLow16(document, "CountAbsolute", countAbsolute, event.CountAbsolute) &&
                    ReadLow16(document, "CountChange", countChange, event.CountChange);
    if (!ok) {
        ZqtError("Rotary Encoder json string did not contain a valid Json Object.");
        return -1;
    }
    // A press reported without any turn carries nothing to act on: the
    // record stays as it was. Compared on the values as sent, so a change
    // of 65536 is still a turn.
    if (switchChange == 1 && countChange == 0)
        return 1;
    *pOut = event;
    return 1;
}
