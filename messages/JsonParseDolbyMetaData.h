#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <rapidjson/document.h>

#include <cstdint>

// One described item of the stream: a title and a description.
struct ObjectDolby {
    QString Title;
    QString Desc;
};

// One item under the JSON member name it came with.
struct DolbyPrograms {
    QHash<QString, ObjectDolby> Members;
};

// What the decoding process says about the stream it decodes.
struct DolbyMetaData_s {
    QList<DolbyPrograms> MetaObjects; // every object-valued top-level member
    QList<DolbyPrograms> Programs;
    QList<DolbyPrograms> Streams;
    std::int32_t NoOfPrograms = 0;
    std::int32_t NoOfStreams = 0;
    std::int32_t CurrentProgram = 0;
    bool IsAtmosPresent = false;
    QString StreamTypeDesc; // "Undefined" once a document has been read
    std::int32_t S337Type = 0;
};

// Reads the "DolbyMetadataEvent" document into a DolbyMetaData_s.
class cJsonParseDolbyMetaData {
public:
    // 0 on success. -1 when the text is not JSON, no record is given, or a
    // member read holds another type than expected; the record is then left
    // as it was.
    int ParseDolbyMetaData(const char* pJson, DolbyMetaData_s* pOut);
    // Fills one item's Title and Desc; 0 when both are strings, null or absent.
    int ParseObjects(const rapidjson::Value& item, ObjectDolby* pObject);
};
