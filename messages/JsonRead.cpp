#include "messages/JsonRead.h"

#include <algorithm>
#include <cstring>

namespace JsonRead {

namespace {

template <typename T, typename IsType, typename Get>
eRead Store(const rapidjson::Value& object, const char* pKey, T& field, eNull eNullIs,
            IsType isType, Get get) {
    const rapidjson::Value* pValue = Find(object, pKey, eNullIs);
    if (!pValue)
        return eRead::Absent;
    if (!(pValue->*isType)())
        return eRead::WrongType;
    field = (pValue->*get)();
    return eRead::Stored;
}

} // namespace

const rapidjson::Value* ParseObject(rapidjson::Document& doc, const char* pJson) {
    if (!pJson)
        return nullptr;
    doc.Parse<rapidjson::kParseIterativeFlag>(pJson);
    return !doc.HasParseError() && doc.IsObject() ? &doc : nullptr;
}

const rapidjson::Value* Find(const rapidjson::Value& object, const char* pKey, eNull eNullIs) {
    const auto member = object.FindMember(pKey);
    if (member == object.MemberEnd() || (eNullIs == eNull::Absent && member->value.IsNull()))
        return nullptr;
    return &member->value;
}

eRead Int(const rapidjson::Value& object, const char* pKey, std::int32_t& field, eNull eNullIs) {
    return Store(object, pKey, field, eNullIs, &rapidjson::Value::IsInt, &rapidjson::Value::GetInt);
}

eRead Uint(const rapidjson::Value& object, const char* pKey, std::uint32_t& field, eNull eNullIs) {
    return Store(object, pKey, field, eNullIs, &rapidjson::Value::IsUint,
                 &rapidjson::Value::GetUint);
}

eRead Bool(const rapidjson::Value& object, const char* pKey, bool& field, eNull eNullIs) {
    return Store(object, pKey, field, eNullIs, &rapidjson::Value::IsBool,
                 &rapidjson::Value::GetBool);
}

eRead String(const rapidjson::Value& object, const char* pKey, std::string& field, eNull eNullIs) {
    const rapidjson::Value* pValue = Find(object, pKey, eNullIs);
    if (!pValue)
        return eRead::Absent;
    if (!pValue->IsString())
        return eRead::WrongType;
    Keep(field, pValue->GetString(), pValue->GetStringLength());
    return eRead::Stored;
}

const rapidjson::Value* Section(const rapidjson::Value& object, const char* pKey, bool& bResult) {
    const rapidjson::Value* pValue = Find(object, pKey, eNull::Value);
    if (!pValue)
        bResult = false;
    return pValue && pValue->IsObject() ? pValue : nullptr;
}

void Keep(std::string& field, const char* pText, std::size_t uLength) {
    std::string(pText, uLength).swap(field);
}

void CopyCut(char* pDest, std::size_t uSize, const char* pText) {
    if (!pDest || uSize == 0)
        return;
    std::memset(pDest, 0, uSize);
    if (!pText)
        return;
    std::size_t uLength = std::strlen(pText);
    if (uLength > uSize - 1) {
        uLength = uSize - 1;
        while (uLength > 0 && (static_cast<unsigned char>(pText[uLength]) & 0xC0u) == 0x80u)
            --uLength;
    }
    std::copy_n(pText, uLength, pDest); // the cleared rest of the field ends it
}

} // namespace JsonRead
