#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "messages/JsonParseNotifMessages.h"

#include <optional>

// Receives "AppNotification" messages and hands out the last accepted one.
class cZmqSubsNotification : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubsNotification)

public:
    static constexpr unsigned short kPollMs = 100;
    // Largest frame the stream can legitimately carry (docs/DECISIONS.md).
    static constexpr int kMaxMessageBytes = 16 * 1024;
    static constexpr const char* kTopic = "AppNotification";

    explicit cZmqSubsNotification(QObject* parent = nullptr);

    void SetupAndRun(const char* pName);
    void SetupParsers();
    void PreparseNotification(const char* pData);

    const Notification_s& Record() const { return mNotification; }

signals:
    void sigNotificationMsg(Notification_s* NotifMsg);

private:
    Notification_s mNotification{};
    std::optional<cJsonParseNotifMessages> mParser;
};
