#include "messages/JsonParseDolbyMetaData.h"

#include "bus/ZmqQtListenerBase.h"

namespace {

// A null member counts as absent, as with the decoder's other documents.
const rapidjson::Value* Find(const rapidjson::Value& object, const char* pKey) {
    const auto member = object.FindMember(pKey);
    if (member == object.MemberEnd() || member->value.IsNull())
        return nullptr;
    return &member->value;
}

QString ToQString(const rapidjson::Value& value) {
    return QString::fromUtf8(value.GetString(), static_cast<qsizetype>(value.GetStringLength()));
}

bool ReadInt(const rapidjson::Value& object, const char* pKey, std::int32_t* pField) {
    const rapidjson::Value* pValue = Find(object, pKey);
    if (!pValue)
        return true;
    if (!pValue->IsInt())
        return false;
    *pField = pValue->GetInt();
    return true;
}

// Name of a member as a QString, embedded NULs kept.
QString MemberName(const rapidjson::Value::ConstMemberIterator& member) {
    return ToQString(member->name);
}

} // namespace

int cJsonParseDolbyMetaData::ParseObjects(const rapidjson::Value& item, ObjectDolby* pObject) {
    if (!item.IsObject() || !pObject)
        return -1;
    const rapidjson::Value* pTitle = Find(item, "Title");
    const rapidjson::Value* pDesc = Find(item, "Desc");
    if ((pTitle && !pTitle->IsString()) || (pDesc && !pDesc->IsString()))
        return -1;
    pObject->Title = pTitle ? ToQString(*pTitle) : QString();
    pObject->Desc = pDesc ? ToQString(*pDesc) : QString();
    return 0;
}

int cJsonParseDolbyMetaData::ParseDolbyMetaData(const char* pJson, DolbyMetaData_s* pOut) {
    rapidjson::Document document;
    if (pJson)
        document.Parse<rapidjson::kParseIterativeFlag>(pJson); // no recursion on deep nesting
    if (!pJson || !pOut || document.HasParseError()) {
        ZqtError("Dolby Metadata does not contain Anything.");
        return -1;
    }

    // Built on a copy so that a wrongly typed member deep in the document
    // leaves the caller's record untouched: such a message counts as
    // unparsable, like broken JSON.
    DolbyMetaData_s record = *pOut;
    bool bOk = document.IsObject();
    std::int32_t iProgramCount = 0;
    std::int32_t iStreamCount = 0;
    if (bOk) {
        bOk = ReadInt(document, "NoOfPrograms", &record.NoOfPrograms) &&
              ReadInt(document, "CurrentProgram", &record.CurrentProgram) &&
              ReadInt(document, "NoOfStreams", &record.NoOfStreams);
        if (Find(document, "NoOfPrograms"))
            iProgramCount = record.NoOfPrograms;
        if (Find(document, "NoOfStreams"))
            iStreamCount = record.NoOfStreams;
    }
    if (bOk) {
        record.IsAtmosPresent = false;
        if (const rapidjson::Value* pAtmos = Find(document, "IsAtmosPresent")) {
            bOk = pAtmos->IsBool();
            if (bOk)
                record.IsAtmosPresent = pAtmos->GetBool();
        }
    }
    if (bOk) {
        record.StreamTypeDesc = QStringLiteral("Undefined");
        if (const rapidjson::Value* pType = Find(document, "Type")) {
            bOk = pType->IsObject();
            if (bOk) {
                if (const rapidjson::Value* pDesc = Find(*pType, "Desc")) {
                    bOk = pDesc->IsString();
                    if (bOk)
                        record.StreamTypeDesc = ToQString(*pDesc);
                }
            }
        }
    }
    if (bOk) {
        if (const rapidjson::Value* pS337 = Find(document, "S337Type")) {
            bOk = pS337->IsObject() && ReadInt(*pS337, "Data", &record.S337Type);
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
        const rapidjson::Value* pArray = Find(document, pKey);
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
