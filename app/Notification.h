#pragma once

#include "app/PageBase.h"
#include "messages/JsonParseNotifMessages.h"

class QLabel;
class cLabelMenu;
class cButtonMain;

// The notification page (index 2 of the page stack): title, message, a level
// icon and a back button. The background colour follows the level. Once a
// CRITICAL notification has been shown the page cannot be left any more and
// only further CRITICAL notifications change it.
class Notification : public cPageBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Notification)

public:
    static constexpr int kPageIndex = 2;

    explicit Notification(QWidget* parent = nullptr);
    ~Notification() override;

    // Level (a MsgLevel_e value), title and message as UTF-8, and the page the
    // back button returns to. Null texts show as empty.
    void SetNotification(int iLevel, const char* pcTitle, const char* pcMessage, int iPreviousPage);
    void SetPreviousPage(int iPreviousPage);

    int PreviousPage() const { return mPreviousPage; }
    bool IsCriticalLatched() const { return mbCriticalLatch; }
    cLabelMenu* TitleLabel() const { return mpTitleLabel; }
    cLabelMenu* MessageLabel() const { return mpMessageLabel; }
    cButtonMain* BackButton() const { return mpBackButton; }
    QLabel* IconLabel() const { return mpIconLabel; }

private slots:
    void sltExitToPage();

private:
    void ApplyLevelLook(int iLevel);

    cLabelMenu* mpTitleLabel = nullptr;
    cLabelMenu* mpMessageLabel = nullptr;
    cButtonMain* mpBackButton = nullptr;
    QLabel* mpIconLabel = nullptr;
    int mPreviousPage = 0;
    bool mbCriticalLatch = false;
};
