#include "Common/AppLib/Include/BusEndpoints.h"
#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "app/MainWindow.h"
#include "app/PanelShots.h"
#include "app/ServiceCommands.h"
#include "app/ServiceNotifier.h"
#include "app/SignalRelay.h"
#include "app/StartupChecks.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"

#include <QApplication>
#include <QDebug>
#include <QMetaObject>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
void Say(const char* pLine) {
    std::printf("%s%s\n", ConsolePriority(stdout, kPriorityInfo), pLine);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    // Every console line leaves when it is written, also into a pipe or file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (const int status = RunServiceCommand(argc, argv); status >= 0)
        return status;
    Say(VersionText());
    RouteQtMessagesToJournal();
    // Before any socket: our SIGINT handling, not the bus library's, and the
    // bus library's exit hook registered ahead of our singletons'.
    BusEndpoints::InitRuntime();

    // A start that cannot draw or has no bus ends here, said once, with a
    // status of its own that the service does not restart on (DEPLOY.md).
    if (const std::string fault = DisplayFault(argc, argv); !fault.empty()) {
        cServiceNotifier::Tell(QByteArray("STATUS=") + fault.c_str());
        return kExitNoDisplay;
    }
    // The service waits here, not ready, while the unit's processes make the bus.
    if (const char* pWait = std::getenv("BRISVEL_BUS_WAIT"))
        if (const int status = WaitForBus(pWait)) {
            cServiceNotifier::Tell("STATUS=No bus directory: " + QByteArray(BusEndpoints::MqDir()));
            return status;
        }

    // Before the display is touched: a second copy must leave the screen and
    // the bus to the first one.
    ReportBusDirectoryFaults();
    cInstanceLock instanceLock;
    if (instanceLock.Acquire() == cInstanceLock::eResult::OtherCopy)
        return kExitOtherCopy;

    QApplication app(argc, argv);
    instanceLock.Answer();
    Say("Brisvel: Front panel Dolby Visualiser Application starting.");
    Say("Brisvel: Initializing static classes.");
    // Pages look colours and style sheets up by name while they are built.
    cSysColor::Init();
    cButtonStyle::Init();
    cLabelStyle::Init();

    auto* pWindow = new MainWindow();
    Say("Brisvel: Initializing main Qt window.");
    pWindow->Init();

    Say("Brisvel: Connecting slots by name (if any).");
    QMetaObject::connectSlotsByName(pWindow);

    Say("Brisvel: Showing window.");
    pWindow->show();

    cSignalRelay relay;
    cPanelShots shots(pWindow);
    QObject::connect(&relay, &cSignalRelay::sigSignal, [&shots](int iSignal) {
        // SIGUSR1 asks for a picture of the panel; the app goes on.
        if (iSignal == SIGUSR1) {
            shots.Request();
            return;
        }
        qDebug().noquote() << "Bye :)";
        if (iSignal == SIGINT || iSignal == SIGTERM)
            QCoreApplication::quit();
    });
    // SIGTERM is what a service manager and kill send: the same clean stop.
    relay.Watch(SIGINT);
    relay.Watch(SIGTERM);
    relay.Watch(SIGUSR1);

    // Under a service manager: ready at the loop's first turn, when the window
    // is shown and every subscriber has started; stopping when the loop ends.
    cServiceNotifier service;
    QTimer::singleShot(0, &service, [&service] { service.Ready(VersionText()); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &service, &cServiceNotifier::Stopping);
    // Then what the panel hears, on the heartbeat's tick, sent when it changes.
    if (service.Listened())
        QObject::connect(pWindow, &MainWindow::sigSecond, &service,
                         [&service, pWindow] { service.Status(pWindow->LinkStatus()); });

    Say("Brisvel: Starting event loop.");
    const int result = app.exec();
    Say("Brisvel: Event loop exited.");

    delete pWindow;
    return result;
}
