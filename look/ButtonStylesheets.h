#pragma once

#include <QMap>
#include <QString>

// Named button style sheets (they style QLabel too), generated once from the
// colour table. Needs cSysColor::Init() to have run first.
class cButtonStyle {
public:
    cButtonStyle() = delete;

    static void Init();
    static void AddStyles();
    static void SetStyle(const char* pcName, const QString& sBackground,
                         const QString& sCheckedBackground, const QString& sText,
                         const QString& sCheckedText, int iRadius, int iBorder);
    // Empty for an unknown name; buttons then keep their default look.
    static QString Get(const QString& sName);

    static QMap<QString, QString> Map;
};
