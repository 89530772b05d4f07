#pragma once

#include <QMainWindow>

#include <cstdint>

class QStackedWidget;
class cZmqQtPublisher;
class cZmqSubPeer;
class cZmqSubDolbyED2PaData;
class cZmqSubWebBaseDolby;
struct PresetRecall_s;
class Logger;

// The one top-level window: owns every page and bus client, stacks the pages
// and wires the clients to them.
class MainWindow : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr int kWidth = 472;
    static constexpr int kHeight = 266;
    static constexpr const char* kAppName = "RoVodirAzazodovir";

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void Init();
    void SetPageStack();
    void ConnectSignals();

    bool IsDual() const { return mbDual; }
    QStackedWidget* PageStack() const { return mpPageStack; }
    cZmqSubWebBaseDolby* WebSettingsSubscriber() const { return mpZmqSubWebBaseDolby; }
    cZmqSubDolbyED2PaData* Ed2Subscriber() const { return mpZmqSubDolbyED2; }

signals:
    void sigForceCancelExit();

public slots:
    void sltSwitchPage(int NewPageIndex);
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
    std::uint8_t mPageCounter = 0;
    int mPreviousPage = 0;
    bool mbDual = false;
    cZmqSubPeer* mpZmqSubPeer1 = nullptr;
    cZmqSubPeer* mpZmqSubPeer2 = nullptr;
    cZmqSubPeer* mpZmqSubPeer3 = nullptr;
    cZmqSubPeer* mpZmqSubPeer4 = nullptr; // the one started
    cZmqSubWebBaseDolby* mpZmqSubWebBaseDolby = nullptr;
    cZmqSubDolbyED2PaData* mpZmqSubDolbyED2 = nullptr;
    cZmqQtPublisher* mpPublisher = nullptr;
    Logger* mpLogger = nullptr; // the process singleton, not owned
};
