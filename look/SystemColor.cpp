#include "look/SystemColor.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <cstdio>

QMap<QString, QColor> cSysColor::ColorMap;

namespace {

struct NamedColour_s {
    const char* pName;
    int iRed;
    int iGreen;
    int iBlue;
    int iAlpha;
};

// The colours as chosen, before the channel exchange.
constexpr NamedColour_s kColours[] = {
    {"Black", 0, 0, 0, 255},
    {"White", 255, 255, 255, 255},
    {"GrayLight", 192, 192, 192, 255},
    {"Gray", 127, 127, 127, 255},
    {"GrayDark", 64, 64, 64, 255},
    {"GrayDarkest", 32, 32, 32, 255},
    {"Pink", 240, 16, 160, 255},
    {"PinkSand", 217, 149, 143, 255},
    {"PinkHot", 255, 34, 153, 255},
    {"Red", 0, 0, 0, 0}, // taken from the standard name "red" below
    {"RedDark", 238, 0, 0, 255},
    {"RedLight", 255, 204, 204, 255},
    {"Maroon", 127, 0, 0, 255},
    {"Green", 0, 255, 0, 255},
    {"GreenDark", 0, 102, 0, 255},
    {"PurpleLight", 204, 153, 255, 255},
    {"Purple", 119, 0, 153, 255},
    {"VioletLight", 210, 202, 223, 255},
    {"Violet", 113, 88, 141, 255},
    {"VioletDark", 84, 66, 106, 255},
    {"AquaLight", 183, 221, 232, 255},
    {"Aqua", 59, 133, 155, 255},
    {"AquaDark", 32, 88, 103, 255},
    {"SandLight", 255, 229, 153, 255},
    {"Sand", 191, 144, 0, 255},
    {"SandDark", 78, 50, 3, 255},
    {"YellowLight", 255, 222, 147, 255},
    {"Yellow", 255, 221, 51, 255},
    {"YellowCesspool", 194, 194, 34, 255},
    {"YellowAmp", 255, 255, 0, 255},
    {"YellowDark", 128, 128, 0, 255},
    {"BlueSky", 68, 204, 255, 255},
    {"BlueSkyDark", 34, 102, 128, 255},
    {"BlueDarker", 40, 44, 64, 255},
    {"BlueLight", 160, 176, 254, 255},
    {"BlueLighter", 206, 215, 255, 255},
    {"BlueHalf", 0, 0, 128, 255},
    {"Blue", 0, 0, 255, 255},
    {"Orange", 255, 128, 0, 255},
    {"DarkOliveGreen", 85, 107, 63, 255},
    {"Brown", 102, 51, 0, 255},
    {"TanOrange", 255, 155, 55, 255},
    {"TransParentBlack", 0, 0, 0, 0},
    {"BlueHaze", 204, 194, 217, 255},
    {"MulledWine", 84, 66, 106, 255},
    {"Tacao", 237, 179, 129, 255},
    {"Denim", 10, 86, 182, 255},
    {"Anakiwa", 153, 204, 255, 255},
    {"DarkOrange", 184, 44, 0, 255},
    {"GrayLighter", 232, 232, 232, 255},
};

} // namespace

void cSysColor::Init() {
    AddColors();
    const QMap<QString, QColor> original = ColorMap;
    for (auto it = original.cbegin(); it != original.cend(); ++it)
        ColorMap.insert(it.key(), SwapRedAndBlue(&it.value()));
}

void cSysColor::AddColors() {
    for (const NamedColour_s& entry : kColours) {
        QColor colour;
        if (qstrcmp(entry.pName, "Red") == 0)
            colour = QColor::fromString(QLatin1String("red"));
        else
            colour.setRgb(entry.iRed, entry.iGreen, entry.iBlue, entry.iAlpha);
        ColorMap.insert(QString::fromLatin1(entry.pName), colour);
    }
}

QColor cSysColor::GetColor(const QString& sName) {
    const auto it = ColorMap.constFind(sName);
    if (it != ColorMap.constEnd())
        return it.value();
    KeldError("Color %s could not be found in the color map.\n", sName.toLatin1().constData());
    return ColorMap.value(QStringLiteral("Red"));
}

QString cSysColor::GetColorString(const QString& sName) {
    const QColor colour = GetColor(sName);
    char buffer[32] = {};
    std::snprintf(buffer, sizeof buffer, "rgba(%d, %d, %d, %d)", colour.red(), colour.green(),
                  colour.blue(), colour.alpha());
    return QString::fromLatin1(buffer);
}

QColor cSysColor::SwapRedAndBlue(const QColor* pColor) {
    if (!pColor)
        return QColor();
    return QColor(pColor->green(), pColor->red(), pColor->blue(), pColor->alpha());
}

QString SwapColorString(const QColor& color) {
    char buffer[8] = {};
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", color.blue() & 0xff, color.green() & 0xff,
                  color.red() & 0xff);
    return QString::fromLatin1(buffer);
}
