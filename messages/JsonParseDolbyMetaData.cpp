#include "messages/JsonParseDolbyMetaData.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "messages/JsonRead.h"

namespace {

using JsonRead::eNull;
using JsonRead::eRead;

QString ToQString(const rapidjson::Value& value) {
    return QString::fromUtf8(value.GetString(), static_cast<qsizetype>(value.GetStringLength()));
}

// Name of a member as a QString, embedded NULs kept.
QString MemberName(const rapidjson::Value::ConstMemberIterator& member) {
    return ToQString(member->name);
}

} // namespace

int cJsonParseDolbyMetaData::ParseObjects(const rapidjson::Value& item, ObjectDolby* pObject) {
    if (!item.IsObject() || !pObject)
        return -1;
    const rapidjson::Value* pTitle = JsonRead::Find(item, "Title", eNull::Absent);
    const rapidjson::Value* pDesc = JsonRead::Find(item, "Desc", eNull::Absent);
    if ((pTitle && !pTitle->IsString()) || (pDesc && !pDesc->IsString()))
        return -1;
    pObject->Title = pTitle ? ToQString(*pTitle) : QString();
    pObject->Desc = pDesc ? ToQString(*pDesc) : QString();
    return 0;
}

int cJsonParseDolbyMetaData::ParseDolbyMetaData(const char* pJson, DolbyMetaData_s* pOut) {
    rapidjson::Document document;
    if (!JsonRead::ParseObject(document, pJson) || !pOut) {
        ZqtError("Dolby Metadata does not contain Anything.");
        return -1;
    }

    // Built on a copy so that a wrongly typed member deep in the document
    // leaves the caller's record untouched: such a message counts as
    // unparsable, like broken JSON.
    DolbyMetaData_s record = *pOut;
    // A null member counts as absent, as with the decoder's other documents;
    // an integer member of another type is refused.
    const eRead programs =
        JsonRead::Int(document, "NoOfPrograms", record.NoOfPrograms, eNull::Absent);
    const eRead current =
        JsonRead::Int(document, "CurrentProgram", record.CurrentProgram, eNull::Absent);
    const eRead streams = JsonRead::Int(document, "NoOfStreams", record.NoOfStreams, eNull::Absent);
    bool bOk =
        programs != eRead::WrongType && current != eRead::WrongType && streams != eRead::WrongType;
    const std::int32_t iProgramCount = programs == eRead::Stored ? record.NoOfPrograms : 0;
    const std::int32_t iStreamCount = streams == eRead::Stored ? record.NoOfStreams : 0;
    if (bOk) {
        record.IsAtmosPresent = false;
        if (const rapidjson::Value* pAtmos =
                JsonRead::Find(document, "IsAtmosPresent", eNull::Absent)) {
            bOk = pAtmos->IsBool();
            if (bOk)
                record.IsAtmosPresent = pAtmos->GetBool();
        }
    }
    if (bOk) {
        record.StreamTypeDesc = QStringLiteral("Undefined");
        if (const rapidjson::Value* pType = JsonRead::Find(document, "Type", eNull::Absent)) {
            bOk = pType->IsObject();
            if (bOk) {
                if (const rapidjson::Value* pDesc = JsonRead::Find(*pType, "Desc", eNull::Absent)) {
                    bOk = pDesc->IsString();
                    if (bOk)
                        record.StreamTypeDesc = ToQString(*pDesc);
                }
            }
        }
    }
    if (bOk) {
        if (const rapidjson::Value* pS337 = JsonRead::Find(document, "S337Type", eNull::Absent)) {
            bOk = pS337->IsObject() &&
                  JsonRead::Int(*pS337, "Data", record.S337Type, eNull::Absent) != eRead::WrongType;
        }
    }
    if (bOk) {
        for (auto member = document.MemberBegin(); bOk && member != document.MemberEnd();
             ++member) {
            if (!member->value.IsObject())
                continue;
            DolbyPrograms program;
            ObjectDolby item;
            bOk = ParseObjects(member->value, &item) == 0;
            program.Members.insert(MemberName(member), item);
            record.MetaObjects.append(program);
        }
    }

    // The counts only switch the lists on; every element is read.
    const auto readList = [this, &document, &bOk](const char* pKey, QList<DolbyPrograms>* pList) {
        const rapidjson::Value* pArray = JsonRead::Find(document, pKey, eNull::Absent);
        if (!pArray)
            return;
        if (!pArray->IsArray()) {
            bOk = false;
            return;
        }
        for (const rapidjson::Value& element : pArray->GetArray()) {
            if (!element.IsObject()) {
                bOk = false;
                return;
            }
            for (auto member = element.MemberBegin(); member != element.MemberEnd(); ++member) {
                if (!member->value.IsObject())
                    continue;
                DolbyPrograms program;
                ObjectDolby item;
                if (ParseObjects(member->value, &item) != 0) {
                    bOk = false;
                    return;
                }
                program.Members.insert(MemberName(member), item);
                pList->append(program);
            }
        }
    };
    if (bOk && iProgramCount >= 1)
        readList("Programs", &record.Programs);
    if (bOk && iStreamCount >= 1)
        readList("Streams", &record.Streams);

    if (!bOk) {
        ZqtError("Dolby Metadata does not contain Anything.");
        return -1;
    }
    *pOut = record;
    return 0;
}
