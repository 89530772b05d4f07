#include "look/LabelStylesheets.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "look/SystemColor.h"

#include <cstdio>

QMap<QString, QString> cLabelStyle::Map;

namespace {

constexpr const char* kTemplate =
    "QLabel{color: %s;background-color: %s;border-width: 1px;border-color: black;"
    "border-style: solid;border-radius: %d;padding: 3px;font-family: Arial;padding-left: 5px;"
    "padding-right: 5px;}";

constexpr std::size_t kBufferSize = 256;

} // namespace

void cLabelStyle::Init() {
    Map.clear();
    AddStyles();
}

void cLabelStyle::AddStyles() {
    SetStyle("YellowLightBlack", "YellowLight", "Black", 0);
    SetStyle("BlueLighterBlack", "BlueLighter", "Black", 0);
    SetStyle("YellowCesspoolWhite", "YellowCesspool", "White", 3);
    SetStyle("GrayWhite", "Gray", "White", 3);
    SetStyle("BlackPlum", "Black", "PurpleLight", 0);
    SetStyle("AnakiwaBlack", "Anakiwa", "Black", 3);
}

void cLabelStyle::SetStyle(const char* pcName, const QString& sBackground, const QString& sText,
                           unsigned char uRadius) {
    if (!pcName)
        return;
    const QByteArray text = cSysColor::GetColorString(sText).toLatin1();
    const QByteArray background = cSysColor::GetColorString(sBackground).toLatin1();

    char buffer[kBufferSize] = {};
    const int written = std::snprintf(buffer, sizeof buffer, kTemplate, text.constData(),
                                      background.constData(), static_cast<int>(uRadius));
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof buffer) {
        KeldError("Style string is too long for %s.\n", pcName);
        return;
    }
    Map.insert(QString::fromLatin1(pcName), QString::fromLatin1(buffer));
}

QString cLabelStyle::Get(const QString& sName) {
    const auto it = Map.constFind(sName);
    if (it != Map.constEnd())
        return it.value();
    KeldError("Style string %s could not be found in the list.\n", sName.toLatin1().constData());
    return QString();
}
