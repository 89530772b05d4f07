#include "look/LabelMenu.h"

#include "look/LabelStylesheets.h"

cLabelMenu::cLabelMenu(QWidget* parent) : cLabelStyled(parent) {
    setGeometry(10, 11, 200, 28);
    AdjustFont(18, FONT_STYLE_ITALIC);
    setStyleSheet(cLabelStyle::Get(QStringLiteral("BlackPlum")));
}

cLabelMenu::~cLabelMenu() = default;
