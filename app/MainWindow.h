#pragma once

#include "app/LinkStatus.h"

#include <QMainWindow>

#include <cstdint>

class QStackedWidget;
class Logger;
class Notification;
class cKeldHeartbeater;
class cMainMenuPage;
class cPageBase;
class cPageDolbyVisualiser;
class cZmqQtPublisher;
class cZmqSubDolby;
class cZmqSubDolbyED2PaData;
class cZmqSubHwStatus;
class cZmqSubPeer;
class cZmqSubRotaryEnc;
class cZmqSubWebBaseDolby;
class cZmqSubsNotification;
class cZmqSubsSystemUpdate;
struct Notification_s;
struct PresetRecall_s;

// The one top-level window: owns every page and bus client for the life of
// the process, stacks the pages and wires the clients to them. Minimised
// most of the time; the peer front panel brings it to the front.
class MainWindow : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr int kWidth = 472;
    static constexpr int kHeight = 266;
    static constexpr const char* kAppName = "RoVodirAzazodovir";

    // Page indices of the stack.
    static constexpr int kMainMenuPage = 0;
    static constexpr int kVisualiserPage = 1;
    static constexpr int kNotificationPage = 2;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void Init();
    void AddPage(const char* pcName, cPageBase* pPage, bool bAddButton);
    void SetPageStack();
    void ConnectSignals();
    // What the panel hears, for the service's status; once a second at most.
    QString LinkStatus();

    bool IsDual() const { return mbDual; }
    QStackedWidget* PageStack() const { return mpPageStack; }
    Notification* NotificationPage() const { return mpNotification; }
    cPageDolbyVisualiser* VisualiserPage() const { return mpPageDolbyVisualiser; }
    cMainMenuPage* MainMenuPage() const { return mpMainMenu; }

signals:
    void sigForceCancelExit();
    // The heartbeat's one-second tick.
    void sigSecond();

public slots:
    void sltSwitchPage(int NewPageIndex);
    void sltMainPage();
    void sltExitToPage(int NewPage);
    void sltSetShowNotification(Notification_s* pNotifMsg);
    void sltShowNotification();
    void sltMinimizeApp();
    void sltMaximizeApp();
    void sltShowMeters();
    void sltShow(bool bShow);
    void sltWebRecalledPreset(const PresetRecall_s* pPreset);
    void sltSourceSelected(const PresetRecall_s* pSource);
    void slotSwUpgradeCommandStop();
    void slotSwUpgradeMsg(const char* pcSUMessage);

private:
    QStackedWidget* mpPageStack = nullptr;
    std::uint8_t mPageCounter = 0; // gives each main-menu button its page index
    int mPreviousPage = 0;         // where the notification page returns to
    bool mbDual = false;           // "Dual": the meters share the screen, so stay up
    cMainMenuPage* mpMainMenu = nullptr;
    Notification* mpNotification = nullptr;
    cPageDolbyVisualiser* mpPageDolbyVisualiser = nullptr;
    cZmqSubRotaryEnc* mpZmqSubRotaryEnc = nullptr;
    cZmqSubsNotification* mpZmqSubsNotification = nullptr; // constructed, never started
    cZmqSubPeer* mpZmqSubPeer1 = nullptr;                  // peers 1 to 3 stay idle
    cZmqSubPeer* mpZmqSubPeer2 = nullptr;
    cZmqSubPeer* mpZmqSubPeer3 = nullptr;
    cZmqSubPeer* mpZmqSubPeer4 = nullptr; // the one started
    cZmqSubWebBaseDolby* mpZmqSubWebBaseDolby = nullptr;
    cZmqSubDolby* mpZmqSubDolby = nullptr; // constructed, never started
    cZmqSubDolbyED2PaData* mpZmqSubDolbyED2 = nullptr;
    cZmqSubHwStatus* mpZmqSubHwStatus = nullptr; // constructed, never started
    cZmqSubsSystemUpdate* mpZmqSubsSystemUpdate = nullptr;
    cZmqQtPublisher* mpPublisher = nullptr; // never bound
    cKeldHeartbeater* mpHeartbeater = nullptr;
    Logger* mpLogger = nullptr; // the process singleton, not owned
    cLinkStatus mLinkStatus;
};
