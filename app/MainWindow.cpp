#include "app/MainWindow.h"

#include "BusEndpoints.h"
#include "Logger.h"
#include "app/KeldHeartBeater.h"
#include "bus/ZmqQtPublisher.h"
#include "bus/ZmqSubRotaryEnc.h"
#include "bus/ZmqSubsSystemUpdate.h"
#include "look/DisplayBackground.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QApplication>
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

    const QStringList arguments = QApplication::arguments();
    mbDual = arguments.size() > 1 &&
             arguments.at(1).compare(QLatin1String("Dual"), Qt::CaseInsensitive) == 0;

    mpHeartbeater = new cKeldHeartbeater(this);
    mpPublisher = new cZmqQtPublisher(this);
    mpZmqSubDolbyED2 = new cZmqSubDolbyED2PaData(this);
    mpZmqSubRotaryEnc = new cZmqSubRotaryEnc(this);
    mpZmqSubsSystemUpdate = new cZmqSubsSystemUpdate(this);

    SetPageStack();
}

MainWindow::~MainWindow() = default;

void MainWindow::SetPageStack() {
    mPageCounter = 0;
    mpPageStack = new QStackedWidget(this);
    mpPageStack->setGeometry(geometry());
}

void MainWindow::Init() {
    Logger::Fprintf(stdout, "%s|%u| \"Initialising Dolby Visualiser App.\"", kLogUnit, __LINE__);
    mpZmqSubRotaryEnc->SetupAndRun("hwmStatesPub.ipc");
    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Heart Beater.\"", kLogUnit, __LINE__);
    mpHeartbeater->Init(kAppName);
    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Meter Data.\"", kLogUnit, __LINE__);
    mpZmqSubDolbyED2->SetupAndRun(BusEndpoints::DecoderAddress());
    mpZmqSubsSystemUpdate->SetupAndRun("hbMonPubMq.ipc");

    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Logger Instance.\"", kLogUnit, __LINE__);
    mpLogger = Logger::GetInstance();
    if (!mpLogger) {
        qDebug() << "Error : Could not get the Logger Instance.";
    } else {
        mpLogger->SetLevel(LEVEL_DEBUG);
        mpLogger->SetName(kAppName);
        mpLogger->AttachMqOverIpc();
        mpLogger->SetConsoleEcho(true);
    }

    cDisplayBackground::setBackground(QBrush(Qt::black, Qt::SolidPattern));
    ConnectSignals();
    setWindowState(Qt::WindowMinimized);
}

void MainWindow::ConnectSignals() {
    bool ok = true;
    ok &= static_cast<bool>(connect(mpZmqSubsSystemUpdate, &cZmqSubsSystemUpdate::sigSUMessages,
                                    this, &MainWindow::slotSwUpgradeMsg));
    ok &= static_cast<bool>(connect(mpZmqSubsSystemUpdate, &cZmqSubsSystemUpdate::sigSUExitApp,
                                    this, &MainWindow::slotSwUpgradeCommandStop));
    if (!ok && mpLogger)
        mpLogger->Error("%s|%u|\"%s\"", kLogUnit, __LINE__,
                        "Could not connect sig/slot in MainConnectSignals().\\n");
}

void MainWindow::sltSwitchPage(int NewPageIndex) {
    mpPageStack->setCurrentIndex(NewPageIndex);
}

void MainWindow::sltMinimizeApp() {
    setWindowState(Qt::WindowMinimized);
}

void MainWindow::sltMaximizeApp() {
    setWindowState(Qt::WindowMaximized);
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

void MainWindow::slotSwUpgradeCommandStop() {
    sltMinimizeApp();
    QCoreApplication::quit();
}

void MainWindow::slotSwUpgradeMsg(const char* pcSUMessage) {
    Q_UNUSED(pcSUMessage); // the text is for the peer's screen, not ours
    sltMinimizeApp();
}
