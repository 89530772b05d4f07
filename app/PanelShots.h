#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTimer>

class QWidget;

// Pictures of the panel on request (SIGUSR1): what a widget shows, drawn by
// the widget itself, so any platform plugin serves. Each goes to a PNG file
// in one private directory, named with a sequence number that orders them
// whatever the wall clock does; the directory keeps the newest kKept.
class cPanelShots {
public:
    static constexpr int kKept = 10;
    // Requests closer than this to the last picture wait for one picture
    // together: a burst of signals costs a few pictures, not one each.
    static constexpr int kSpacingMs = 250;

    explicit cPanelShots(QWidget* pWidget, const QString& directory = DefaultDirectory());
    cPanelShots(const cPanelShots&) = delete;
    cPanelShots& operator=(const cPanelShots&) = delete;

    // The service's runtime directory ($RUNTIME_DIRECTORY); without a
    // service, brisvel-visualiser in the user's runtime directory.
    static QString DefaultDirectory();

    // Asks for a picture from the event loop. Requests made before it is
    // taken share it; one made while it is taken asks for exactly one more.
    void Request();

    // Writes one picture now and says its path on standard output; the path.
    // On a failure, says why and leaves the directory as it was; empty.
    QString Take(const QDateTime& time = QDateTime::currentDateTimeUtc());

    // "panel-000042-20261206T101010.123Z.png": the sequence first, the UTC
    // time beside it for people.
    static QString FileName(qint64 iSequence, const QDateTime& time);
    // The sequence of a name FileName makes; -1 for any other name.
    static qint64 Sequence(const QString& name);
    // The pictures among the names beyond the newest iKept by sequence,
    // oldest first: what pruning removes.
    static QStringList Surplus(const QStringList& names, int iKept = kKept);

private:
    int OpenDirectory(QString* pError) const;
    bool Write(int iDirFd, const QString& name, QString* pError) const;

    QWidget* mpWidget;
    QString mDirectory;
    qint64 mNext = 1;     // at least one above every sequence seen in the directory
    QTimer mPending;      // armed while a picture is asked for and not yet taken
    QElapsedTimer mSince; // since the last picture was taken
};
