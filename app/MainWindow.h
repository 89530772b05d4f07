#pragma once

#include <QMainWindow>

#include <cstdint>

class QStackedWidget;
class cKeldHeartbeater;
class cZmqQtPublisher;
class cZmqSubDolbyED2PaData;
class cZmqSubRotaryEnc;
class cZmqSubsSystemUpdate;
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
    cZmqSubDolbyED2PaData* Ed2Subscriber() const { return mpZmqSubDolbyED2; }

signals:
    void sigForceCancelExit();

public slots:
    void sltSwitchPage(int NewPageIndex);
    void sltMinimizeApp();
    void sltMaximizeApp();
    void sltShowMeters();
    void sltShow(bool bShow);
    void slotSwUpgradeCommandStop();
    void slotSwUpgradeMsg(const char* pcSUMessage);

private:
    QStackedWidget* mpPageStack = nullptr;
    std::uint8_t mPageCounter = 0;
    int mPreviousPage = 0;
    bool mbDual = false;
    cZmqSubRotaryEnc* mpZmqSubRotaryEnc = nullptr;
    cZmqSubDolbyED2PaData* mpZmqSubDolbyED2 = nullptr;
    cZmqSubsSystemUpdate* mpZmqSubsSystemUpdate = nullptr;
    cZmqQtPublisher* mpPublisher = nullptr;
    cKeldHeartbeater* mpHeartbeater = nullptr;
    Logger* mpLogger = nullptr; // the process singleton, not owned
};
