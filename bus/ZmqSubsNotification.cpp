#include "bus/ZmqSubsNotification.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"

cZmqSubsNotification::cZmqSubsNotification(QObject* parent) : cZmqQtListenerBase(parent) {
    SetTopics({{kTopic, [this](const char* pPayload) { PreparseNotification(pPayload); }}},
              {"Metadata message returned null elements.", &KeldError,
               "Notification Message - Unhandled topic: %s\n"},
              eStages::kTwo);
}

void cZmqSubsNotification::SetupParsers() {
    if (!mParser)
        mParser.emplace();
}

void cZmqSubsNotification::SetupAndRun(const char* pName) {
    SetupParsers();
    Start(BusEndpoints::IpcJoined(pName), kMaxMessageBytes, kPollMs,
          "Unable to connect signal to slot in cZmqSubsNotification().");
}

void cZmqSubsNotification::PreparseNotification(const char* pData) {
    if (!pData)
        return;
    SetupParsers();
    if (mParser->ParseNotificationMessages(pData, &mNotification) == 0)
        emit sigNotificationMsg(&mNotification);
}
