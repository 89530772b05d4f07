#pragma once

#include <QString>

class QWidget;

// Pictures of the panel on request (SIGUSR1): what a widget shows, drawn by
// the widget itself, so any platform plugin serves. Each goes to a PNG file
// named with the UTC time in one directory, which keeps the newest kKept.
class cPanelShots {
public:
    static constexpr int kKept = 10;

    explicit cPanelShots(QWidget* pWidget);

    // The service's runtime directory ($RUNTIME_DIRECTORY); without a
    // service, brisvel-visualiser in the user's runtime directory.
    static QString DefaultDirectory();

    // Writes one picture and says its path on standard output; the path. On a
    // failure, says why and leaves the directory as it was; empty.
    QString Take();

private:
    bool Write(const QString& path, QString* pError) const;
    void Prune() const;

    QWidget* mpWidget;
    QString mDirectory; // DefaultDirectory(), found at the first picture
};
