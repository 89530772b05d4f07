#include "tools/bus-torture/AppUnderTest.h"

#include "tools/bus-torture/TorturePeers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

namespace {

zsock_t* Bound(int type, const QString& path) {
    zsock_t* pSocket = zsock_new(type);
    zsock_set_linger(pSocket, 0);
    zsock_set_sndhwm(pSocket, 0); // a burst for a stopped app waits here whole
    if (zsock_bind(pSocket, "ipc://%s", qPrintable(path)) < 0)
        zsock_destroy(&pSocket);
    return pSocket;
}

void Send(zsock_t* pSocket, const char* pTopic, const char* pPayload) {
    zstr_sendm(pSocket, pTopic);
    zstr_send(pSocket, pPayload);
}

} // namespace

cAppUnderTest::cAppUnderTest() {
    mpPeer = Bound(ZMQ_PUB, mDir.filePath("DoRiduyPub.ipc"));
    mpMonitor = Bound(ZMQ_PULL, mDir.filePath("hbMonPullMq.ipc"));
    mpSink = Bound(ZMQ_PULL, mDir.filePath("loggerSinkMq.ipc"));
}

cAppUnderTest::~cAppUnderTest() {
    mpApp.reset(); // killed before its peers go
    zsock_destroy(&mpPeer);
    zsock_destroy(&mpMonitor);
    zsock_destroy(&mpSink);
}

QString cAppUnderTest::Program() {
    const QString named = qEnvironmentVariable("BRISVEL_APP");
    return !named.isEmpty()
               ? named
               : QDir(QCoreApplication::applicationDirPath()).filePath("../brisvel-visualiser");
}

QString cAppUnderTest::FakeTimeLibrary() {
    // Debian's multiarch place for it, by the architecture we were built for.
    for (const char* pPath : {"/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1",
                              "/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1",
                              "/usr/lib/arm-linux-gnueabihf/faketime/libfaketime.so.1"})
        if (QFile::exists(pPath))
            return pPath;
    return {};
}

bool cAppUnderTest::Start(bool bFakeTime) {
    if (!mpPeer || !mpMonitor || !mpSink)
        return false;
    // The child takes this process's environment as it is when made.
    QStringList set{"QT_QPA_PLATFORM=offscreen", "RUNTIME_DIRECTORY=" + mDir.filePath("shots")};
    if (bFakeTime) {
        QFile control(mDir.filePath("faketime"));
        if (!control.open(QIODevice::WriteOnly) || control.write("+0\n") < 0)
            return false;
        set << "LD_PRELOAD=" + FakeTimeLibrary() << "FAKETIME_TIMESTAMP_FILE=" + control.fileName()
            << "FAKETIME_DONT_FAKE_MONOTONIC=1"
            << "FAKETIME_CACHE_DURATION=1";
    }
    QList<QPair<QByteArray, QByteArray>> saved;
    for (const QString& pair : set) {
        const QByteArray name = pair.section('=', 0, 0).toLocal8Bit();
        saved.append({name, qgetenv(name.constData())});
        qputenv(name.constData(), pair.section('=', 1).toLocal8Bit());
    }
    mpApp = std::make_unique<AppProcess>(mDir.path(), QStringList{}, Program());
    for (const auto& [name, value] : saved)
        if (value.isNull())
            qunsetenv(name.constData());
        else
            qputenv(name.constData(), value);
    return mpApp->Start() && mpApp->WaitForLine("Brisvel: Starting event loop.", 30000) &&
           CommandActs(15000);
}

bool cAppUnderTest::CommandActs(int timeoutMs) {
    // A topic of this call's own: the answers to an earlier call's probes
    // may still come.
    const QByteArray probe = "SwitchX" + QByteArray::number(++mProbes);
    const QByteArray line = "Unhandled topic: " + probe + "\n";
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired() && Alive()) {
        Send(mpPeer, "FpSetDolbyVisualView", R"({"VisualiserView": "Front View"})");
        Send(mpPeer, probe.constData(), "{}");
        for (QDeadlineTimer tick(100); !tick.hasExpired();) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (Console().contains(line))
                return true;
        }
    }
    return false;
}

bool cAppUnderTest::Beats(int count, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    int beats = 0;
    while (beats < count && !deadline.hasExpired())
        if (Receive(mpMonitor, int(deadline.remainingTime())).value(0) == "HbProc")
            ++beats;
    return beats >= count;
}

void cAppUnderTest::DrainBeats() {
    while (!Receive(mpMonitor, 0).isEmpty()) {
    }
}

void cAppUnderTest::Burst(long count, std::uint64_t seed) {
    TorturePeers::SendBurst(mpPeer, TorturePeers::eKind::kPeer, count, seed);
}

void cAppUnderTest::Step(long seconds) {
    QFile control(mDir.filePath("faketime"));
    if (control.open(QIODevice::WriteOnly))
        control.write(QByteArray::number(-qint64(seconds)) + "\n");
}

QString cAppUnderTest::Shot(int timeoutMs) {
    const QByteArray said = "Brisvel: Screenshot written to ";
    if (!Signal(SIGUSR1))
        return {};
    QString path;
    const bool bSaid = QTest::qWaitFor(
        [&] {
            const QByteArray out = mpApp->Stdout();
            const qsizetype at = out.indexOf(said, mShotsSeen);
            const qsizetype end = at < 0 ? -1 : out.indexOf('\n', at);
            if (end < 0)
                return false;
            path = QString::fromLocal8Bit(out.mid(at + said.size(), end - at - said.size()));
            mShotsSeen = end;
            return true;
        },
        timeoutMs);
    return bSaid ? path : QString();
}

QByteArray cAppUnderTest::Console() const {
    return mpApp ? mpApp->Stdout() + mpApp->Stderr() : QByteArray();
}
