#include "messages/JsonParseSystemUpdate.h"

#include "bus/ZmqQtListenerBase.h"

#include <rapidjson/document.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Copies a JSON string into a fixed field, cut to leave room for the NUL.
template <std::size_t N> void CopyText(char (&field)[N], const rapidjson::Value& value) {
    std::memset(field, 0, N);
    std::snprintf(field, N, "%s", value.GetString());
}

// An optional text member: absent or null keeps the field, a string is
// copied, anything else makes the message malformed.
template <std::size_t N>
bool ReadText(const rapidjson::Value& object, const char* pKey, char (&field)[N]) {
    const auto found = object.FindMember(pKey);
    if (found == object.MemberEnd() || found->value.IsNull())
        return true;
    if (!found->value.IsString())
        return false;
    CopyText(field, found->value);
    return true;
}

bool ReadVersionOnUnit(const rapidjson::Value& root, SystemUpdate_t& update) {
    const auto found = root.FindMember("VersionOnUnit");
    if (found == root.MemberEnd() || found->value.IsNull())
        return true;
    const rapidjson::Value& unit = found->value;
    if (!unit.IsObject())
        return false;
    const auto version = unit.FindMember("Version");
    if (version != unit.MemberEnd()) {
        if (!version->value.IsString())
            return false;
        CopyText(update.version, version->value);
    }
    const auto number = unit.FindMember("VersionFloat");
    if (number != unit.MemberEnd()) {
        // Only a number written with a fraction or an exponent that a float
        // can hold; an integer literal is not the expected form.
        if (!number->value.IsDouble() || std::fabs(number->value.GetDouble()) > FLT_MAX)
            return false;
        update.versionFloat = static_cast<float>(number->value.GetDouble());
    }
    return true;
}

void ReadPasscode(const rapidjson::Value& root, SystemUpdate_t& update) {
    const auto found = root.FindMember("passcode");
    if (found == root.MemberEnd())
        return;
    // Any other type is ignored rather than refused: the code is only passed on.
    if (found->value.IsInt64())
        update.passcode = static_cast<std::uint8_t>(found->value.GetInt64() & 0xFF);
    else if (found->value.IsUint64())
        update.passcode = static_cast<std::uint8_t>(found->value.GetUint64() & 0xFF);
}

bool ReadPackages(const rapidjson::Value& root, SystemUpdate_t& update) {
    const auto found = root.FindMember("AvailablePackages");
    if (found == root.MemberEnd() || !found->value.IsArray())
        return false;
    const rapidjson::Value& packages = found->value;
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

// The members in the order the message is read; false at the first one of
// the wrong shape.
bool ReadUpdate(const rapidjson::Value& root, SystemUpdate_t& update) {
    if (!root.IsObject())
        return false;
    if (!ReadText(root, "Task", update.task) || !ReadVersionOnUnit(root, update))
        return false;
    ReadPasscode(root, update);
    return ReadText(root, "Message", update.message) && ReadPackages(root, update);
}

} // namespace

int cJsonParseSystemUpdate::ParseSUPackage(const char* pJson, SystemUpdate_t* pOut) {
    rapidjson::Document document;
    if (pJson)
        document.Parse(pJson);
    if (!pJson || !pOut || document.HasParseError()) {
        ZqtError("Software Update does not contain Anything.");
        return -1;
    }
    // A message of the wrong shape changes nothing: parse into a copy and
    // commit only when every member read is well-formed.
    SystemUpdate_t update = *pOut;
    if (!ReadUpdate(document, update)) {
        ZqtError("Software Update message is not in the expected form.");
        return -1;
    }
    *pOut = update;
    return 0;
}

int cJsonParseSystemUpdate::ParseSystemCommand(const char* pJson) {
    rapidjson::Document document;
    if (pJson)
        document.Parse(pJson);
    if (!pJson || document.HasParseError()) {
        ZqtError("Parse System Command json string did not contain a valid Object Document.");
        return -1;
    }
    if (!document.IsObject())
        return -1;
    const auto found = document.FindMember("Command");
    // Absent or null: no command. Anything but a 32-bit integer: invalid.
    if (found == document.MemberEnd() || !found->value.IsInt())
        return -1;
    return found->value.GetInt();
}
