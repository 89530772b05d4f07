#include "app/PanelShots.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {

const QRegularExpression& NamePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^panel-(\\d{6,18})-\\d{8}T\\d{6}\\.\\d{3}Z\\.png$"));
    return pattern;
}

QString ErrnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The pictures written: plain files. A link planted among them is neither
// counted nor followed; at the next name, the picture's rename replaces it.
QStringList Names(const QString& directory) {
    return QDir(directory).entryList(QDir::Files | QDir::NoSymLinks);
}

} // namespace

cPanelShots::cPanelShots(QWidget* pWidget, const QString& directory)
    : mpWidget(pWidget), mDirectory(directory) {
    mPending.setSingleShot(true);
    QObject::connect(&mPending, &QTimer::timeout, &mPending, [this] { Take(); });
}

QString cPanelShots::DefaultDirectory() {
    // systemd lists one directory per RuntimeDirectory= entry; ours is the first.
    QString service = qEnvironmentVariable("RUNTIME_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (!service.isEmpty())
        return service;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/brisvel-visualiser");
}

void cPanelShots::Request() {
    if (mPending.isActive())
        return; // the picture asked for is still to come, and will be newer than this request
    const qint64 waitMs = mSince.isValid() ? kSpacingMs - mSince.elapsed() : 0;
    mPending.start(int(std::clamp<qint64>(waitMs, 0, kSpacingMs)));
}

QString cPanelShots::FileName(qint64 iSequence, const QDateTime& time) {
    return QStringLiteral("panel-%1-%2.png")
        .arg(iSequence, 6, 10, QLatin1Char('0'))
        .arg(time.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'")));
}

qint64 cPanelShots::Sequence(const QString& name) {
    const QRegularExpressionMatch match = NamePattern().match(name);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

QStringList cPanelShots::Surplus(const QStringList& names, int iKept) {
    QList<std::pair<qint64, QString>> pictures;
    for (const QString& name : names)
        if (const qint64 sequence = Sequence(name); sequence >= 0)
            pictures.append({sequence, name});
    std::sort(pictures.begin(), pictures.end());
    QStringList surplus;
    for (qsizetype i = 0; i + iKept < pictures.size(); ++i)
        surplus.append(pictures.at(i).second);
    return surplus;
}

QString cPanelShots::Take(const QDateTime& time) {
    mPending.stop();
    QString error;
    const int dirFd = OpenDirectory(&error);
    if (dirFd < 0) {
        KeldError("Screenshot directory %s refused: %s; no picture taken.", qPrintable(mDirectory),
                  qPrintable(error));
        return {};
    }
    // Counting on from what is there: a restarted app goes on from its last picture.
    QStringList names = Names(mDirectory);
    for (const QString& name : std::as_const(names))
        mNext = std::max(mNext, Sequence(name) + 1);
    const QString name = FileName(mNext, time);
    const QString path = QDir(mDirectory).filePath(name);
    const bool bWritten = Write(dirFd, name, &error);
    if (bWritten) {
        ++mNext;
        std::printf("Brisvel: Screenshot written to %s\n", qPrintable(path));
        std::fflush(stdout);
        // Only after a picture was written: a failing disk must not eat the old ones.
        names.append(name);
        for (const QString& old : Surplus(names))
            unlinkat(dirFd, QFile::encodeName(old).constData(), 0);
    } else {
        KeldError("Screenshot not written to %s: %s", qPrintable(path), qPrintable(error));
    }
    close(dirFd);
    mSince.start();
    return bWritten ? path : QString();
}

// The directory, opened, once it is ours alone: made 0700 if missing; never
// a link, nor anyone else's, where another user could read or plant files.
int cPanelShots::OpenDirectory(QString* pError) const {
    const QByteArray path = QFile::encodeName(mDirectory);
    int made = mkdir(path.constData(), 0700) == 0 ? 0 : errno;
    if (made == ENOENT) {
        QDir().mkpath(QFileInfo(mDirectory).path()); // a failure shows in the next mkdir
        made = mkdir(path.constData(), 0700) == 0 ? 0 : errno;
    }
    struct stat named {};
    if (lstat(path.constData(), &named) != 0) {
        // Why it could not be made says more than that it is not there.
        *pError = QString::fromLocal8Bit(std::strerror(made != 0 && made != EEXIST ? made : errno));
        return -1;
    }
    if (S_ISLNK(named.st_mode)) {
        *pError = QStringLiteral("it is a symbolic link");
        return -1;
    }
    if (!S_ISDIR(named.st_mode)) {
        *pError = QStringLiteral("it is not a directory");
        return -1;
    }
    if (named.st_uid != geteuid()) {
        *pError = QStringLiteral("it belongs to user %1, not to this one (%2)")
                      .arg(named.st_uid)
                      .arg(geteuid());
        return -1;
    }
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || fstat(fd, &opened) != 0 || opened.st_dev != named.st_dev ||
        opened.st_ino != named.st_ino) {
        *pError = fd < 0 ? ErrnoText() : QStringLiteral("it was replaced while being checked");
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

// Written under a fresh name of its own and renamed when whole: no half
// picture is ever seen, and a link planted at the name is replaced, not followed.
bool cPanelShots::Write(int iDirFd, const QString& name, QString* pError) const {
    const QImage image = mpWidget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 5; ++attempt) {
        temporary = QFile::encodeName(
            QStringLiteral(".%1.%2.part")
                .arg(name)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        fd = openat(iDirFd, temporary.constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *pError = ErrnoText();
        return false;
    }
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        close(fd);
    QImageWriter writer(&file, "png");
    bool bDone = file.isOpen() && writer.write(image) && file.flush();
    // The file knows why a write failed (a full disk); the writer only that it did.
    *pError = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
    file.close();
    if (bDone &&
        renameat(iDirFd, temporary.constData(), iDirFd, QFile::encodeName(name).constData()) != 0) {
        *pError = ErrnoText();
        bDone = false;
    }
    if (!bDone)
        unlinkat(iDirFd, temporary.constData(), 0);
    return bDone;
}
