#pragma once

#include <QObject>

class QSocketNotifier;

// Carries POSIX signals into the GUI thread. The handler only writes the
// signal number to a pipe; a socket notifier on the GUI thread reads it and
// emits sigSignal, where Qt may be used freely.
class cSignalRelay : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cSignalRelay)

public:
    explicit cSignalRelay(QObject* parent = nullptr);
    ~cSignalRelay() override;

    // Installs the handler for this signal number.
    bool Watch(int iSignal);

signals:
    void sigSignal(int iSignal);

private slots:
    void sltReadPipe();

private:
    QSocketNotifier* mpNotifier = nullptr;
};

// The asynchronous-signal handler: writes the number to the relay's pipe.
extern "C" void m_cleanup(int signal);
