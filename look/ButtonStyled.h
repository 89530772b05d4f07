#pragma once

#include <QPushButton>

// A push button with the front panel's defaults: the "GreenWhiteGreen" style,
// never checkable, no keyboard focus, a 12-pixel font.
class cButtonStyled : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cButtonStyled)

public:
    explicit cButtonStyled(QWidget* parent = nullptr);
    ~cButtonStyled() override;

    void AdjustFontSize(int iPixelSize);
    // Null leaves the button as it is; otherwise the image becomes a flat
    // 220 x 63 icon.
    void SetBackgroundImage(const char* pcPath);
};
