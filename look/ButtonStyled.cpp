#include "look/ButtonStyled.h"

#include "look/ButtonStylesheets.h"

#include <QIcon>

cButtonStyled::cButtonStyled(QWidget* parent) : QPushButton(parent) {
    setStyleSheet(cButtonStyle::Get(QStringLiteral("GreenWhiteGreen")));
    setCheckable(false);
    setChecked(false);
    setFocusPolicy(Qt::NoFocus);
    AdjustFontSize(12);
}

cButtonStyled::~cButtonStyled() = default;

void cButtonStyled::AdjustFontSize(int iPixelSize) {
    QFont buttonFont = font();
    buttonFont.setPixelSize(iPixelSize);
    buttonFont.setStyleStrategy(QFont::PreferAntialias);
    buttonFont.setFixedPitch(true);
    setFont(buttonFont);
}

void cButtonStyled::SetBackgroundImage(const char* pcPath) {
    if (!pcPath)
        return;
    setIcon(QIcon(QString::fromLocal8Bit(pcPath)));
    setFlat(true);
    setIconSize(QSize(220, 63));
}
