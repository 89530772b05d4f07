#include "app/MainWindow.h"

#include "BusEndpoints.h"
#include "Logger.h"
#include "bus/ZmqQtPublisher.h"
#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubWebBaseDolby.h"
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

    mpZmqSubWebBaseDolby = new cZmqSubWebBaseDolby(this);
    mpPublisher = new cZmqQtPublisher(this);
    mpZmqSubPeer1 = new cZmqSubPeer(this);
    mpZmqSubPeer2 = new cZmqSubPeer(this);
    mpZmqSubPeer4 = new cZmqSubPeer(this);
    mpZmqSubPeer3 = new cZmqSubPeer(this);
    mpZmqSubDolbyED2 = new cZmqSubDolbyED2PaData(this);

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
    Logger::Fprintf(stdout, "%s|%u| \"Setting Up Meter Data.\"", kLogUnit, __LINE__);
    mpZmqSubWebBaseDolby->SetupAndRun("appServer.ipc");
    mpZmqSubDolbyED2->SetupAndRun(BusEndpoints::DecoderAddress());
    mpZmqSubPeer4->SetupAndRunIPC("DoRiduyPub.ipc");

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
    ok &= static_cast<bool>(
        connect(mpZmqSubPeer1, &cZmqSubPeer::sigShowApp, this, &MainWindow::sltShow));
    ok &= static_cast<bool>(
        connect(mpZmqSubPeer4, &cZmqSubPeer::sigShowApp, this, &MainWindow::sltShow));
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

// Preset recalls have no page to show them on yet; the slots keep the
// subscriber's interface wired for when one exists.
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
    Q_UNUSED(pcSUMessage); // the text is for the peer's screen, not ours
    sltMinimizeApp();
}
