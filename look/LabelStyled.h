#pragma once

#include <QLabel>
#include <QString>

#include <cstdint>

enum FontStyle_e : std::int32_t {
    FONT_STYLE_KEEP = 0,   // leave the font's style as it is
    FONT_STYLE_ITALIC = 1, // make it italic
};

// A label with the front panel's defaults: the "YellowLightBlack" style, no
// keyboard focus, a 12-pixel font.
class cLabelStyled : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cLabelStyled)

public:
    explicit cLabelStyled(QWidget* parent = nullptr);
    ~cLabelStyled() override;

    void AdjustFont(int iPixelSize, FontStyle_e eStyle);
    // Cuts the text at the right with an ellipsis to the label's width.
    void SetElidedText(const QString& sText);
    // Largest point size, from the label's font downwards, at which the text
    // fits the label with word wrap.
    static int GetFontSize(const QString& sText, const QLabel* pLabel);
};
