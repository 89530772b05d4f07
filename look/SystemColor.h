#pragma once

#include <QColor>
#include <QMap>
#include <QString>

// The process-wide table of named colours. Filled once by Init() before any
// widget exists; read-only afterwards. Every colour in the table has already
// been through SwapRedAndBlue, so lookups return the colour as the panel
// shows it.
class cSysColor {
public:
    cSysColor() = delete;

    static void Init();
    static void AddColors();
    // Unknown names fall back to "Red" and say so on the console.
    static QColor GetColor(const QString& sName);
    // "rgba(r, g, b, a)", for style sheets.
    static QString GetColorString(const QString& sName);
    // Exchanges the red and green channels (the panel's display wiring needs
    // it; the name is historical).
    static QColor SwapRedAndBlue(const QColor* pColor);

    static QMap<QString, QColor> ColorMap;
};

// "#bbggrr" in lower-case hex: the colour with its byte order reversed.
QString SwapColorString(const QColor& color);
