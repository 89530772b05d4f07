#include "app/PanelShots.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <QDateTime>
#include <QDir>
#include <QImageWriter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QWidget>

#include <cstdio>

namespace {
constexpr const char* kPattern = "panel-*.png";
} // namespace

cPanelShots::cPanelShots(QWidget* pWidget) : mpWidget(pWidget) {}

QString cPanelShots::DefaultDirectory() {
    // systemd lists one directory per RuntimeDirectory= entry; ours is the first.
    QString service = qEnvironmentVariable("RUNTIME_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (!service.isEmpty())
        return service;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/brisvel-visualiser");
}

QString cPanelShots::Take() {
    if (mDirectory.isEmpty())
        mDirectory = DefaultDirectory();
    // Names sort by time, oldest first.
    QString path = QDir(mDirectory)
                       .filePath(QStringLiteral("panel-%1.png")
                                     .arg(QDateTime::currentDateTimeUtc().toString(
                                         QStringLiteral("yyyyMMdd'T'HHmmss.zzz'Z'"))));
    QString error;
    if (!Write(path, &error)) {
        KeldError("Screenshot not written to %s: %s", qPrintable(path), qPrintable(error));
        return {};
    }
    std::printf("Brisvel: Screenshot written to %s\n", qPrintable(path));
    std::fflush(stdout);
    Prune();
    return path;
}

bool cPanelShots::Write(const QString& path, QString* pError) const {
    QDir().mkpath(mDirectory); // a failure shows when the file is opened
    // Written beside its name and renamed when whole: no half picture is ever seen.
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    if (file.open(QIODevice::WriteOnly) &&
        writer.write(mpWidget->grab().toImage().convertToFormat(QImage::Format_RGB32)) &&
        file.commit())
        return true;
    // The file knows why a write failed (a full disk); the writer only that it did.
    *pError = file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
    return false;
}

// Only after a picture was written: a failing disk must not eat the old ones.
void cPanelShots::Prune() const {
    QDir dir(mDirectory);
    const QStringList names = dir.entryList({QLatin1String(kPattern)}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i + kKept < names.size(); ++i)
        dir.remove(names.at(i));
}
