#pragma once

#include "look/LabelStyled.h"

// The title of a menu or notification page: top left, 18-pixel italic,
// plum on black.
class cLabelMenu : public cLabelStyled {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cLabelMenu)

public:
    explicit cLabelMenu(QWidget* parent = nullptr);
    ~cLabelMenu() override;
};
