#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseDolbyMetaData.h"

#include <QList>
#include <QString>

#include <optional>

// The decoding process's description of the stream, received over TCP. Keeps
// the last accepted record and its display lines; the signals hand out both.
class cZmqSubDolby : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubDolby)

public:
    static constexpr unsigned kPort = 2002;
    static constexpr unsigned short kPollMs = 50;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 64 * 1024;
    static constexpr const char* kTopic = "DolbyMetadataEvent";

    explicit cZmqSubDolby(QObject* parent = nullptr);

    void SetupAndRun(const char* pAddress);
    void SetupParsers();

    void ParseDolbyMetadata(const char* pJson);
    void ResetDolbyData();
    QString GetStreamNameFroms337FrameType(int iFrameType) const;

    const DolbyMetaData_s& MetaData() const { return mMetaData; }
    const QList<QString>& DisplayLines() const { return mDisplayLines; }

signals:
    void sigNewDolbyMetaData(QList<QString>* phDolbyMeta);
    void sigNewDolbyData(DolbyMetaData_s* pMetaData);
    void sigDolbyStreamType(const char* pcDolbyStreamType);

private:
    std::optional<cJsonParseDolbyMetaData> mParser;
    DolbyMetaData_s mMetaData;
    QList<QString> mDisplayLines;
};
