#include "look/LabelStyled.h"

#include "look/LabelStylesheets.h"

#include <QFontMetrics>

cLabelStyled::cLabelStyled(QWidget* parent) : QLabel(parent) {
    setStyleSheet(cLabelStyle::Get(QStringLiteral("YellowLightBlack")));
    setFocusPolicy(Qt::NoFocus);
    AdjustFont(12, FONT_STYLE_KEEP);
}

cLabelStyled::~cLabelStyled() = default;

void cLabelStyled::AdjustFont(int iPixelSize, FontStyle_e eStyle) {
    QFont labelFont = font();
    labelFont.setPixelSize(iPixelSize);
    labelFont.setStyleStrategy(QFont::PreferAntialias);
    labelFont.setFixedPitch(true);
    if (eStyle == FONT_STYLE_ITALIC)
        labelFont.setStyle(QFont::StyleItalic);
    setFont(labelFont);
}

void cLabelStyled::SetElidedText(const QString& sText) {
    setText(QFontMetrics(font()).elidedText(sText, Qt::ElideRight, width()));
}

int cLabelStyled::GetFontSize(const QString& sText, const QLabel* pLabel) {
    if (!pLabel)
        return -1;
    QFont labelFont = pLabel->font();
    const QRect area(QPoint(0, 0), pLabel->size());
    // The search stops at one point: below that QFont refuses the size, and a
    // font sized in pixels (point size -1) has no point size to lower. Either
    // way the caller gets the smallest size tried rather than a hang.
    while (labelFont.pointSize() >= 1) {
        const QRect box =
            QFontMetrics(labelFont).boundingRect(area, Qt::AlignLeft | Qt::TextWordWrap, sText);
        if (area.width() >= box.width() && area.height() >= box.height())
            break;
        if (labelFont.pointSize() == 1)
            break;
        labelFont.setPointSize(labelFont.pointSize() - 1);
    }
    return labelFont.pointSize();
}
