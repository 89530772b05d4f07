#include "support/AppProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <csignal>

AppProcess::AppProcess(const QString& mqDir, const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BRISVEL_MQ_DIR"), mqDir);
    env.insert(QStringLiteral("BRISVEL_DECODER_ADDR"), QStringLiteral("127.0.0.1"));
    env.insert(QStringLiteral("BRISVEL_UNIT_ADDR"), QStringLiteral("127.0.0.1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    mProcess.setProcessEnvironment(env);
    mProcess.setProgram(qEnvironmentVariable("BRISVEL_APP"));
    mProcess.setArguments(arguments);
}

AppProcess::~AppProcess() {
    if (mProcess.state() != QProcess::NotRunning) {
        mProcess.kill();
        mProcess.waitForFinished(5000);
    }
}

bool AppProcess::Start() {
    if (mProcess.program().isEmpty())
        return false;
    mProcess.start();
    return mProcess.waitForStarted(10000);
}

QByteArray AppProcess::Stdout() {
    mOut += mProcess.readAllStandardOutput();
    return mOut;
}

QByteArray AppProcess::Stderr() {
    mErr += mProcess.readAllStandardError();
    return mErr;
}

bool AppProcess::WaitForLine(const QByteArray& line, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (Stdout().contains(line + '\n'))
            return true;
        if (mProcess.state() == QProcess::NotRunning)
            return Stdout().contains(line + '\n');
        mProcess.waitForReadyRead(100);
        QCoreApplication::processEvents();
    }
    return false;
}

bool AppProcess::Interrupt(int iSignal) {
    const qint64 pid = mProcess.processId();
    return pid > 0 && ::kill(static_cast<pid_t>(pid), iSignal) == 0;
}

bool AppProcess::WaitForExit(int timeoutMs) {
    const bool finished = mProcess.waitForFinished(timeoutMs);
    Stdout();
    Stderr();
    return finished;
}
