#include "look/ButtonStylesheets.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "look/SystemColor.h"

#include <cstdio>

QMap<QString, QString> cButtonStyle::Map;

namespace {

// Placeholders: text, background, border width, radius, checked text,
// checked background, disabled background.
constexpr const char* kTemplate =
    "QPushButton, QLabel{color: %s;background-color: %s;border-width: %dpx;border-color: grey;"
    "border-style: outset;border-radius: %dpx;padding: 3px;}"
    "QPushButton:pressed{color: black;background-color: white;border-style: inset;}"
    "QPushButton:checked{color: %s;background-color: %s;border-style: inset;}"
    "QPushButton:disabled{color: black;background-color: %s;border-style: flat;}";

constexpr std::size_t kBufferSize = 512;

struct ButtonStyleRow_s {
    const char* pcName;
    const char* pcBackground;
    const char* pcCheckedBackground;
    const char* pcText;
    const char* pcCheckedText;
    int iRadius;
    int iBorder;
};

constexpr ButtonStyleRow_s kStyles[] = {
    {"PinkRed", "PinkSand", "Red", "Black", "Black", 8, 2},
    {"GreenWhiteGreen", "Green", "Green", "Black", "Black", 8, 2},
    {"GreenWhiteYellow", "Green", "Yellow", "Black", "Black", 8, 2},
    {"Sand", "SandLight", "SandLight", "Black", "Black", 8, 2},
    {"SandLight", "SandLight", "SandLight", "Black", "Black", 8, 2},
    {"VioletWhite", "Violet", "VioletLight", "Black", "Black", 8, 2},
    {"AquaWhite", "Aqua", "AquaLight", "Black", "Black", 8, 2},
    {"AquaLight", "AquaLight", "AquaLight", "Black", "Black", 8, 2},
    {"SandWhite", "Sand", "SandLight", "Black", "Black", 8, 2},
    {"VioletLight", "VioletLight", "VioletLight", "Black", "Black", 8, 2},
    {"BlueWhite", "BlueLight", "White", "Black", "Black", 8, 2},
    {"BlueNoBorder", "BlueLight", "White", "Black", "Black", 0, 0},
    {"GreenWhiteLight", "GreenDark", "Green", "White", "Black", 3, 0},
    {"SandYellow", "Sand", "Yellow", "Black", "Black", 3, 0},
    {"BlueSky", "BlueSkyDark", "BlueSky", "White", "Black", 3, 0},
    {"Purple", "Purple", "PurpleLight", "White", "Black", 3, 0},
    {"RedGreen", "Red", "Green", "Black", "Black", 3, 0},
    {"Maroon", "Maroon", "PinkHot", "White", "Black", 3, 0},
    {"AquaLightSquare", "AquaLight", "AquaLight", "Black", "Black", 3, 0},
    {"Gray", "Gray", "GrayLight", "White", "White", 3, 0},
    {"RedWhite", "Red", "RedLight", "White", "White", 3, 0},
    {"Brown", "Brown", "TanOrange", "White", "Black", 3, 0},
    {"Black", "Black", "Black", "Black", "Black", 3, 0},
    {"YellowCesspoolWhite", "YellowCesspool", "White", "White", "Black", 3, 0},
    {"GrayWhite", "Gray", "White", "White", "White", 3, 0},
    {"GrayBlack", "Gray", "GrayLight", "Black", "Black", 3, 0},
    {"PinkRedSm", "PinkSand", "Red", "Black", "Black", 3, 0},
    {"GreenWhiteGreenSm", "Green", "Green", "Black", "Black", 3, 0},
    {"Transparent", "TransParentBlack", "TransParentBlack", "Black", "Black", 0, 0},
    {"BlackYellow", "TransParentBlack", "TransParentBlack", "Yellow", "Yellow", 3, 2},
    {"GreenLabelSquare", "Green", "Green", "Black", "Black", 0, 0},
    {"BrownRounded", "Brown", "Gray", "Black", "White", 8, 2},
    {"MulledWineRounded", "MulledWine", "Gray", "Black", "White", 8, 2},
    {"BlueHazeRounded", "BlueHaze", "Gray", "Black", "White", 8, 2},
    {"BlueHazeSquare", "BlueHaze", "Gray", "Black", "White", 0, 0},
    {"SandYellowRounded", "Sand", "Gray", "Black", "White", 8, 2},
    {"PinkRedRounded", "PinkSand", "Gray", "Black", "White", 8, 2},
    {"GrayAlarm", "Gray", "GrayLight", "Red", "Red", 3, 0},
    {"YellowLightBlack", "YellowLight", "Black", "Black", "White", 3, 0},
    {"WhiteCesspoolYellow", "White", "YellowCesspool", "Black", "White", 3, 0},
    {"BlackYellowNoBorder", "TransParentBlack", "TransParentBlack", "Yellow", "Yellow", 0, 0},
    {"PinkRedSquare", "PinkSand", "Red", "Black", "Black", 0, 0},
    {"GreenWhiteYellowSq", "Green", "Yellow", "Black", "Black", 0, 0},
    {"YellowDarkYellow", "YellowDark", "YellowAmp", "White", "Black", 3, 0},
    {"BlueLabelAmp", "BlueHalf", "BlueHalf", "White", "White", 3, 0},
    {"BlackWhite", "Black", "Black", "White", "White", 0, 0},
    {"OliveWhite", "DarkOliveGreen", "DarkOliveGreen", "White", "White", 0, 0},
    {"LightGrayBlack", "GrayLight", "Gray", "Black", "Black", 3, 0},
    {"BlackGreenNoBorder", "TransParentBlack", "TransParentBlack", "Green", "Green", 0, 0},
    {"BlackRedNoBorder", "TransParentBlack", "TransParentBlack", "Red", "Red", 0, 0},
    {"YellowAmpStyle", "YellowAmp", "YellowDark", "Black", "White", 3, 0},
};

} // namespace

void cButtonStyle::Init() {
    Map.clear();
    AddStyles();
}

void cButtonStyle::AddStyles() {
    for (const ButtonStyleRow_s& row : kStyles)
        SetStyle(row.pcName, QString::fromLatin1(row.pcBackground),
                 QString::fromLatin1(row.pcCheckedBackground), QString::fromLatin1(row.pcText),
                 QString::fromLatin1(row.pcCheckedText), row.iRadius, row.iBorder);
}

void cButtonStyle::SetStyle(const char* pcName, const QString& sBackground,
                            const QString& sCheckedBackground, const QString& sText,
                            const QString& sCheckedText, int iRadius, int iBorder) {
    if (!pcName)
        return;
    const QByteArray text = cSysColor::GetColorString(sText).toLatin1();
    const QByteArray background = cSysColor::GetColorString(sBackground).toLatin1();
    const QByteArray checkedText = cSysColor::GetColorString(sCheckedText).toLatin1();
    const QByteArray checkedBackground = cSysColor::GetColorString(sCheckedBackground).toLatin1();
    // Disabled buttons always look the same, whatever their style.
    const QByteArray disabled = cSysColor::GetColorString(QStringLiteral("Gray")).toLatin1();

    char buffer[kBufferSize] = {};
    const int written = std::snprintf(
        buffer, sizeof buffer, kTemplate, text.constData(), background.constData(), iBorder,
        iRadius, checkedText.constData(), checkedBackground.constData(), disabled.constData());
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof buffer) {
        KeldError("Style string is too long for %s.\n", pcName);
        return;
    }
    Map.insert(QString::fromLatin1(pcName), QString::fromLatin1(buffer));
}

QString cButtonStyle::Get(const QString& sName) {
    return Map.value(sName);
}
