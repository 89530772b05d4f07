#pragma once

#include "look/ButtonStyled.h"

// The "Menu" button in the top-right corner of a page.
class cButtonMain : public cButtonStyled {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cButtonMain)

public:
    explicit cButtonMain(QWidget* parent = nullptr);
    ~cButtonMain() override;
};
