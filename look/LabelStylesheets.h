#pragma once

#include <QMap>
#include <QString>

// Named label style sheets, generated once from the colour table. Needs
// cSysColor::Init() to have run first: each style embeds the colours as they
// were when it was generated.
class cLabelStyle {
public:
    cLabelStyle() = delete;

    static void Init();
    static void AddStyles();
    static void SetStyle(const char* pcName, const QString& sBackground, const QString& sText,
                         unsigned char uRadius);
    // Empty (and a console line) for an unknown name.
    static QString Get(const QString& sName);

    static QMap<QString, QString> Map;
};
