#pragma once

#include <cstddef>

// A notification for the front panel. Texts are always NUL-terminated and cut
// to fit; the record is plain so it can travel by pointer in a signal.
struct Notification_s {
    static constexpr std::size_t kTitleSize = 40;
    static constexpr std::size_t kMsgSize = 322;
    static constexpr std::size_t kShortMsgSize = 20;

    char title[kTitleSize];
    char notifMsg[kMsgSize];
    char shortMsg[kShortMsgSize];
    bool metersDisplay; // also meant for the meters page
    int displayTime;    // seconds
    int level;          // a MsgLevel_e value: 20, 30, 40 or 50
};

// Reads the "AppNotification" document.
class cJsonParseNotifMessages {
public:
    // 0 on success; -1 when the text is not JSON, its root is not an object or
    // a member has another type than expected. The record is unchanged then.
    int ParseNotificationMessages(const char* pJson, Notification_s* pNotification);
};
