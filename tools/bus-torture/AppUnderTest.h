#pragma once

#include "tests/support/AppProcess.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <czmq.h>

#include <cstdint>
#include <memory>

// The visualiser itself as the torture's target: a bus directory of its own
// (so no other round's publisher reaches it, and it keeps its single-copy
// lock to itself), its peer's publisher, its heartbeat monitor and its log
// sink bound here, the offscreen platform, and its screenshots in the
// directory too. Optionally under libfaketime with a control file, so its
// wall clock can be stepped while it runs.
class cAppUnderTest {
public:
    cAppUnderTest();
    ~cAppUnderTest();
    cAppUnderTest(const cAppUnderTest&) = delete;
    cAppUnderTest& operator=(const cAppUnderTest&) = delete;

    // The built app: BRISVEL_APP, else beside this tool in the build tree.
    static QString Program();
    // The preload of the host's libfaketime, empty where there is none.
    static QString FakeTimeLibrary();

    // Starts the app and waits until a peer command acts; with bFakeTime
    // its wall clock reads the control file (Step changes it).
    bool Start(bool bFakeTime);
    // A peer command and a probe behind it, again and again until the
    // probe's line shows the command was taken (or the time is up).
    bool CommandActs(int timeoutMs);
    // At least COUNT heartbeats within the time, counted from now.
    bool Beats(int count, int timeoutMs);
    void DrainBeats();
    // A burst of the peer's own messages, good and bad mixed.
    void Burst(long count, std::uint64_t seed);
    // The app's wall clock goes SECONDS back from the real one.
    void Step(long seconds);
    // A screenshot by SIGUSR1: the path the app says, or empty.
    QString Shot(int timeoutMs);

    bool Signal(int iSignal) { return mpApp && mpApp->Interrupt(iSignal); }
    bool Alive() { return mpApp && mpApp->Running(); }
    qint64 Pid() const { return mpApp ? mpApp->Pid() : -1; }
    QByteArray Console() const;

private:
    QTemporaryDir mDir;
    zsock_t* mpPeer = nullptr;
    zsock_t* mpMonitor = nullptr;
    zsock_t* mpSink = nullptr;
    std::unique_ptr<AppProcess> mpApp;
    qsizetype mShotsSeen = 0;
    int mProbes = 0;
};
