#include "messages/JsonParseDolbyMetaData.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

namespace {

using JsonRead::eNull;
using JsonRead::eRead;
using rapidjson::Value;

QString ToQString(const Value& value) {
    return QString::fromUtf8(value.GetString(), static_cast<qsizetype>(value.GetStringLength()));
}

// A null member counts as absent, as with the decoder's other documents; a
// member of another type than expected is refused.
template <class Read> bool Optional(const Value& object, const char* pKey, Read read) {
    const Value* pValue = JsonRead::Find(object, pKey, eNull::Absent);
    return !pValue || read(*pValue);
}

bool ReadText(const Value& value, QString& field) {
    if (!value.IsString())
        return false;
    field = ToQString(value);
    return true;
}

bool ReadItem(const Value& item, ObjectDolby& object) {
    const Value* pTitle = JsonRead::Find(item, "Title", eNull::Absent);
    const Value* pDesc = JsonRead::Find(item, "Desc", eNull::Absent);
    if ((pTitle && !pTitle->IsString()) || (pDesc && !pDesc->IsString()))
        return false;
    object.Title = pTitle ? ToQString(*pTitle) : QString();
    object.Desc = pDesc ? ToQString(*pDesc) : QString();
    return true;
}

// Every object-valued member of the object, as one item under its name.
bool AppendItems(const Value& object, QList<DolbyPrograms>& list) {
    for (auto member = object.MemberBegin(); member != object.MemberEnd(); ++member) {
        if (!member->value.IsObject())
            continue;
        DolbyPrograms program;
        ObjectDolby item;
        if (!ReadItem(member->value, item))
            return false;
        program.Members.insert(ToQString(member->name), item);
        list.append(program);
    }
    return true;
}

bool ReadInt(const Value& document, const char* pKey, std::int32_t& field) {
    return JsonRead::Int(document, pKey, field, eNull::Absent) != eRead::WrongType;
}

// The items of every element of an array, read only when its count says
// there is at least one; every element is read, whatever the count.
bool ReadList(const Value& document, const char* pCount, const char* pKey,
              QList<DolbyPrograms>& list) {
    std::int32_t count = 0;
    if (JsonRead::Int(document, pCount, count, eNull::Absent) != eRead::Stored || count < 1)
        return true;
    return Optional(document, pKey, [&list](const Value& array) {
        if (!array.IsArray())
            return false;
        for (const Value& element : array.GetArray())
            if (!element.IsObject() || !AppendItems(element, list))
                return false;
        return true;
    });
}

// One reader per key, in the order the document is read; each refuses a
// member of another type than expected.
bool ReadRecord(const Value& d, DolbyMetaData_s& r) {
    r.IsAtmosPresent = false;
    r.StreamTypeDesc = QStringLiteral("Undefined");
    const auto readType = [&r](const Value& type) {
        return type.IsObject() && Optional(type, "Desc", [&r](const Value& desc) {
                   return ReadText(desc, r.StreamTypeDesc);
               });
    };
    const auto readS337 = [&r](const Value& s337) {
        return s337.IsObject() && ReadInt(s337, "Data", r.S337Type);
    };
    return ReadInt(d, "NoOfPrograms", r.NoOfPrograms) &&
           ReadInt(d, "CurrentProgram", r.CurrentProgram) &&
           ReadInt(d, "NoOfStreams", r.NoOfStreams) &&
           JsonRead::Bool(d, "IsAtmosPresent", r.IsAtmosPresent, eNull::Absent) !=
               eRead::WrongType &&
           Optional(d, "Type", readType) && Optional(d, "S337Type", readS337) &&
           AppendItems(d, r.MetaObjects) && ReadList(d, "NoOfPrograms", "Programs", r.Programs) &&
           ReadList(d, "NoOfStreams", "Streams", r.Streams);
}

} // namespace

int cJsonParseDolbyMetaData::ParseObjects(const Value& item, ObjectDolby* pObject) {
    return item.IsObject() && pObject && ReadItem(item, *pObject) ? 0 : -1;
}

int cJsonParseDolbyMetaData::ParseDolbyMetaData(const char* pJson, DolbyMetaData_s* pOut) {
    rapidjson::Document document;
    // Built on a copy so that a wrongly typed member deep in the document
    // leaves the caller's record untouched: such a message counts as
    // unparsable, like broken JSON.
    DolbyMetaData_s record = pOut ? *pOut : DolbyMetaData_s();
    if (!JsonRead::ParseObject(document, pJson) || !pOut || !ReadRecord(document, record)) {
        ZqtError("Dolby Metadata does not contain Anything.");
        return -1;
    }
    *pOut = record;
    return 0;
}
