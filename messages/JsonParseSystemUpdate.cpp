#include "messages/JsonParseSystemUpdate.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

#include <rapidjson/document.h>

#include <cfloat>
#include <cmath>

namespace {

using JsonRead::eNull;

// An optional text member: absent or null keeps the field, a string is
// copied, anything else makes the message malformed.
template <std::size_t N>
bool ReadText(const rapidjson::Value& object, const char* pKey, char (&field)[N]) {
    const rapidjson::Value* pValue = JsonRead::Find(object, pKey, eNull::Absent);
    if (!pValue)
        return true;
    if (!pValue->IsString())
        return false;
    JsonRead::CopyCut(field, pValue->GetString());
    return true;
}

bool ReadVersionOnUnit(const rapidjson::Value& root, SystemUpdate_t& update) {
    const rapidjson::Value* pUnit = JsonRead::Find(root, "VersionOnUnit", eNull::Absent);
    if (!pUnit)
        return true;
    if (!pUnit->IsObject())
        return false;
    // Inside it a null is not absent: it is a value of the wrong type.
    if (const rapidjson::Value* pVersion = JsonRead::Find(*pUnit, "Version", eNull::Value)) {
        if (!pVersion->IsString())
            return false;
        JsonRead::CopyCut(update.version, pVersion->GetString());
    }
    if (const rapidjson::Value* pNumber = JsonRead::Find(*pUnit, "VersionFloat", eNull::Value)) {
        // Only a number written with a fraction or an exponent that a float
        // can hold; an integer literal is not the expected form.
        if (!pNumber->IsDouble() || std::fabs(pNumber->GetDouble()) > FLT_MAX)
            return false;
        update.versionFloat = static_cast<float>(pNumber->GetDouble());
    }
    return true;
}

void ReadPasscode(const rapidjson::Value& root, SystemUpdate_t& update) {
    const rapidjson::Value* pCode = JsonRead::Find(root, "passcode", eNull::Value);
    if (!pCode)
        return;
    // Any other type is ignored rather than refused: the code is only passed on.
    if (pCode->IsInt64())
        update.passcode = static_cast<std::uint8_t>(pCode->GetInt64() & 0xFF);
    else if (pCode->IsUint64())
        update.passcode = static_cast<std::uint8_t>(pCode->GetUint64() & 0xFF);
}

bool ReadPackages(const rapidjson::Value& root, SystemUpdate_t& update) {
    const rapidjson::Value* pPackages = JsonRead::Find(root, "AvailablePackages", eNull::Value);
    if (!pPackages || !pPackages->IsArray())
        return false;
    const rapidjson::Value& packages = *pPackages;
    // The record has room for five packages and its users index packages[]
    // by packageCount, so a longer list keeps its first five and says five;
    // the rest are still checked, so a malformed tail refuses the message.
    const rapidjson::SizeType size = packages.Size();
    update.packageCount = static_cast<std::uint8_t>(
        size < SystemUpdate_t::kMaxPackages ? size : SystemUpdate_t::kMaxPackages);
    SystemUpdatePackage_t spare{};
    for (rapidjson::SizeType i = 0; i < size; ++i) {
        const rapidjson::Value& element = packages[i];
        if (!element.IsObject())
            return false;
        SystemUpdatePackage_t& entry =
            i < SystemUpdate_t::kMaxPackages ? update.packages[i] : spare;
        if (!ReadText(element, "PackageDesc", entry.desc) ||
            !ReadText(element, "PackageVersion", entry.version) ||
            !ReadText(element, "PackageFileName", entry.fileName))
            return false;
    }
    return true;
}

// The members of the root object in the order the message is read; false at
// the first one of the wrong shape.
bool ReadUpdate(const rapidjson::Value& root, SystemUpdate_t& update) {
    if (!ReadText(root, "Task", update.task) || !ReadVersionOnUnit(root, update))
        return false;
    ReadPasscode(root, update);
    return ReadText(root, "Message", update.message) && ReadPackages(root, update);
}

} // namespace

int cJsonParseSystemUpdate::ParseSUPackage(const char* pJson, SystemUpdate_t* pOut) {
    rapidjson::Document document;
    const rapidjson::Value* pRoot = JsonRead::ParseObject(document, pJson);
    if (!pJson || !pOut || document.HasParseError()) {
        ZqtError("Software Update does not contain Anything.");
        return -1;
    }
    // A message of the wrong shape changes nothing: parse into a copy and
    // commit only when every member read is well-formed.
    SystemUpdate_t update = *pOut;
    if (!pRoot || !ReadUpdate(*pRoot, update)) {
        ZqtError("Software Update message is not in the expected form.");
        return -1;
    }
    *pOut = update;
    return 0;
}

int cJsonParseSystemUpdate::ParseSystemCommand(const char* pJson) {
    rapidjson::Document document;
    const rapidjson::Value* pRoot = JsonRead::ParseObject(document, pJson);
    if (!pJson || document.HasParseError()) {
        ZqtError("Parse System Command json string did not contain a valid Object Document.");
        return -1;
    }
    // Not an object, no command, or anything but a 32-bit integer: invalid.
    std::int32_t iCommand = -1;
    if (!pRoot || JsonRead::Int(*pRoot, "Command", iCommand) != JsonRead::eRead::Stored)
        return -1;
    return iCommand;
}
