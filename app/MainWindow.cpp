#include "app/MainWindow.h"

#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "Common/Utility/Logger/Include/Logger.h"
#include "app/KeldHeartBeater.h"
#include "app/Notification.h"
#include "app/PageMainMenu.h"
#include "bus/ZmqQtPublisher.h"
#include "bus/ZmqSubHwStatus.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubRotaryEnc.h"
#include "bus/ZmqSubWebBaseDolby.h"
#include "bus/ZmqSubsNotification.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "look/DisplayBackground.h"
#include "look/SystemColor.h"
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/ZmqSubDolby.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QStackedWidget>

namespace {
const char* const kLogUnit = "MainWindow.cpp";
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setGeometry(0, 0, kWidth, kHeight);
    QPalette windowPalette = palette();
    windowPalette.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black, Qt::SolidPattern));
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);

    // What is left after Qt has taken its own options.
    const QStringList arguments = QApplication::arguments();
    mbDual = arguments.size() > 1 &&
             arguments.at(1).compare(QLatin1String("Dual"), Qt::CaseInsensitive) == 0;

    mpHeartbeater = new cKeldHeartbeater(this);
    mpZmqSubsNotification = new cZmqSubsNotification(this);
    mpZmqSubWebBaseDolby = new cZmqSubWebBaseDolby(this);
    mpPublisher = new cZmqQtPublisher(this);
    mpZmqSubPeer1 = new cZmqSubPeer(this);
    mpZmqSubPeer2 = new cZmqSubPeer(this);
    mpZmqSubPeer4 = new cZmqSubPeer(this);
    mpZmqSubPeer3 = new cZmqSubPeer(this);
    mpZmqSubDolby = new cZmqSubDolby(this);
    mpZmqSubDolbyED2 = new cZmqSubDolbyED2PaData(this);
    mpZmqSubHwStatus = new cZmqSubHwStatus(this);
    mpZmqSubRotaryEnc = new cZmqSubRotaryEnc(this);
    mpZmqSubsSystemUpdate = new cZmqSubsSystemUpdate(this);
    mpMainMenu = new cMainMenuPage(this);
    mpNotification = new Notification(this);
    mpPageDolbyVisualiser = new cPageDolbyVisualiser(this);

    SetPageStack();
    mpPageStack->setCurrentIndex(kVisualiserPage);
}

// Every page and client is a Qt child and goes with the window.
MainWindow::~MainWindow() = default;

void MainWindow::SetPageStack() {
    mPageCounter = 0;
    mpPageStack = new QStackedWidget(this);
    mpPageStack->setGeometry(geometry());
    mpPageStack->addWidget(mpMainMenu);
    ++mPageCounter;
    AddPage("Dolby Visualiser", mpPageDolbyVisualiser, true);
    AddPage("Notification", mpNotification, false);
    mpPageStack->setCurrentIndex(kMainMenuPage);
}

void MainWindow::AddPage(const char* pcName, cPageBase* pPage, bool bAddButton) {
    mpPageStack->addWidget(pPage);
    if (bAddButton)
        mpMainMenu->AddButton(pcName, mPageCounter, nullptr);
    ++mPageCounter;

    bool ok = true;
    ok &= bool(connect(pPage, &cPageBase::sigExitToMainMenu, this, &MainWindow::sltMainPage));
    ok &= bool(connect(pPage, &cPageBase::sigExitToPage, this, &MainWindow::sltExitToPage));
    ok &=
        bool(connect(this, &MainWindow::sigForceCancelExit, pPage, &cPageBase::sltForceCancelExit));
    ok &= bool(
        connect(pPage, &cPageBase::sigShowNotification, this, &MainWindow::sltShowNotification));
    if (!ok)
        KeldError("Sig/Slot connect failure in AddPage().");
}

void MainWindow::Init() {
    Logger::Fprintf(stdout, "%s|%u| \"Initialising Dolby Visualiser App.\"", kLogUnit, __LINE__);
    mpZmqSubRotaryEnc->SetupAndRun("hwmStatesPub.ipc");

    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Heart Beater.\"", kLogUnit, __LINE__);
    mpHeartbeater->Init(kAppName);

    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Meter Data.\"", kLogUnit, __LINE__);
    mpZmqSubWebBaseDolby->SetupAndRun("appServer.ipc");
    mpZmqSubDolbyED2->SetupAndRun(BusEndpoints::DecoderAddress());
    mpZmqSubPeer4->SetupAndRunIPC("DoRiduyPub.ipc");
    mpZmqSubsSystemUpdate->SetupAndRun("hbMonPubMq.ipc");
    // The started links, by the names a technician knows their peers by. The
    // monitor is linked when it publishes to us and takes our beats.
    mLinkStatus.SetStream("ED2", "decoder board", mpZmqSubDolbyED2);
    mLinkStatus.Add("peer", mpZmqSubPeer4);
    mLinkStatus.Add("app server", mpZmqSubWebBaseDolby);
    mLinkStatus.Add("hw manager", mpZmqSubRotaryEnc);
    mLinkStatus.Add("monitor", mpZmqSubsSystemUpdate,
                    [this] { return mpHeartbeater->BeatTaken(); });
    connect(mpHeartbeater, &cKeldHeartbeater::sigTick, this, &MainWindow::sigSecond);

    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Logger Instance.\"", kLogUnit, __LINE__);
    mpLogger = Logger::GetInstance();
    if (!mpLogger) {
        qDebug().noquote() << "Error : Could not get the Logger Instance.";
    } else {
        mpLogger->SetLevel(LEVEL_DEBUG);
        mpLogger->SetName(kAppName);
        // Said here: the attach failure itself is logged before the echo is on.
        if (!mpLogger->AttachMqOverIpc())
            KeldError("Logger sink link not made: %s",
                      BusEndpoints::Ipc(Logger::kSinkSocket).c_str());
        // Only now: the attach lines above go to the sink, not the console.
        mpLogger->SetConsoleEcho(true);
    }

    cDisplayBackground::setBackground(
        QBrush(cSysColor::GetColor(QStringLiteral("Black")), Qt::SolidPattern));
    ConnectSignals();
    setWindowState(Qt::WindowMinimized);
}

QString MainWindow::LinkStatus() {
    return mLinkStatus.Next(QDeadlineTimer::current().deadline());
}

void MainWindow::ConnectSignals() {
    // All nine are attempted even when one fails.
    bool ok = true;
    ok &= bool(
        connect(mpMainMenu, &cMainMenuPage::sigSwitchScreen, this, &MainWindow::sltSwitchPage));
    ok &= bool(connect(mpZmqSubDolbyED2, &cZmqSubDolbyED2PaData::sigDolbyED2PaData,
                       mpPageDolbyVisualiser, &cPageDolbyVisualiser::sltSetDolbyED2Data));
    ok &= bool(connect(mpZmqSubPeer4, &cZmqSubPeer::sigResetDolbyGrid, mpPageDolbyVisualiser,
                       &cPageDolbyVisualiser::sltResetDolbyGrid));
    ok &= bool(connect(mpZmqSubPeer1, &cZmqSubPeer::sigShowApp, this, &MainWindow::sltShow));
    ok &= bool(connect(mpZmqSubPeer4, &cZmqSubPeer::sigShowApp, this, &MainWindow::sltShow));
    ok &= bool(connect(mpZmqSubWebBaseDolby, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings,
                       mpPageDolbyVisualiser, &cPageDolbyVisualiser::sltSetDolbyDecoderMode));
    ok &= bool(connect(mpZmqSubPeer4, &cZmqSubPeer::sigSetVisualiserView, mpPageDolbyVisualiser,
                       &cPageDolbyVisualiser::sltSetVisualiserView));
    ok &= bool(connect(mpZmqSubsSystemUpdate, &cZmqSubsSystemUpdate::sigSUMessages, this,
                       &MainWindow::slotSwUpgradeMsg));
    ok &= bool(connect(mpZmqSubsSystemUpdate, &cZmqSubsSystemUpdate::sigSUExitApp, this,
                       &MainWindow::slotSwUpgradeCommandStop));
    if (!ok && mpLogger)
        mpLogger->Error("%s|%u|\"%s\"", kLogUnit, __LINE__,
                        "Could not connect sig/slot in MainConnectSignals().\\n");
}

void MainWindow::sltSwitchPage(int NewPageIndex) {
    mpPageStack->setCurrentIndex(NewPageIndex);
}

void MainWindow::sltMainPage() {
    sltMinimizeApp();
    mpPageStack->setCurrentIndex(kVisualiserPage);
}

void MainWindow::sltExitToPage(int NewPage) {
    if (NewPage < 0)
        return;
    if (NewPage >= mpPageStack->count()) {
        KeldError("sltExitToPage got an invalid page index: %d", NewPage);
        mpPageStack->setCurrentIndex(kMainMenuPage);
        return;
    }
    mpPageStack->setCurrentIndex(NewPage);
}

void MainWindow::sltSetShowNotification(Notification_s* pNotifMsg) {
    if (!isActiveWindow() || !pNotifMsg)
        return;
    // A second notification in a row keeps the page the first one came from.
    if (mpPageStack->currentIndex() != kNotificationPage)
        mPreviousPage = mpPageStack->currentIndex();
    mpNotification->SetNotification(pNotifMsg->level, pNotifMsg->title, pNotifMsg->notifMsg,
                                    mPreviousPage);
    if (pNotifMsg->level == LEVEL_WARN || pNotifMsg->level == LEVEL_ERROR ||
        pNotifMsg->level == LEVEL_CRITICAL)
        mpPageStack->setCurrentIndex(kNotificationPage);
}

void MainWindow::sltShowNotification() {
    mpNotification->SetPreviousPage(mpPageStack->currentIndex());
    mpPageStack->setCurrentIndex(kNotificationPage);
}

void MainWindow::sltMinimizeApp() {
    setWindowState(Qt::WindowMinimized);
}

void MainWindow::sltMaximizeApp() {
    setWindowState(Qt::WindowMaximized);
    // Already maximised under a peer that came up over it, the state alone
    // brings it nowhere: activating asks the window manager to put it in front.
    activateWindow();
}

void MainWindow::sltShowMeters() {
    if (!mbDual)
        sltMinimizeApp();
}

void MainWindow::sltShow(bool bShow) {
    if (bShow)
        sltMaximizeApp();
    else
        sltMinimizeApp();
}

void MainWindow::sltWebRecalledPreset(const PresetRecall_s* pPreset) {
    Q_UNUSED(pPreset);
}

void MainWindow::sltSourceSelected(const PresetRecall_s* pSource) {
    Q_UNUSED(pSource);
}

void MainWindow::slotSwUpgradeCommandStop() {
    sltMinimizeApp();
    QCoreApplication::quit();
}

void MainWindow::slotSwUpgradeMsg(const char* pcSUMessage) {
    Q_UNUSED(pcSUMessage); // the peer shows the text; we only give way
    sltMinimizeApp();
}
