#include "look/ButtonMain.h"

#include "look/ButtonStylesheets.h"

cButtonMain::cButtonMain(QWidget* parent) : cButtonStyled(parent) {
    setStyleSheet(cButtonStyle::Get(QStringLiteral("GreenWhiteGreen")));
    setGeometry(338, 5, 130, 30);
    setText(QStringLiteral("Menu"));
    AdjustFontSize(20);
}

cButtonMain::~cButtonMain() = default;
