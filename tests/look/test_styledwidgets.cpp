// Guards the styled widgets: a derived class losing its own style or font to
// its base, a button that can be toggled, and the bounded font search.
#include "look/ButtonMain.h"
#include "look/ButtonStyled.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelMenu.h"
#include "look/LabelStyled.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "support/PixelProbe.h"

#include <QtTest>

class tstStyledWidgets final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        cButtonStyle::Init();
        cLabelStyle::Init();
    }

    // Guards against a toggling button, an unexchanged colour, an unflattened image button.
    void button() {
        cButtonStyled button;
        button.resize(100, 40);
        button.click();
        QVERIFY(!button.isChecked());
        // "Green" after the exchange.
        QVERIFY(PixelProbe::At(PixelProbe::Grab(button), QPointF(50, 20), QColor(255, 0, 0)));
        button.SetBackgroundImage("./Images/Info.png");
        QVERIFY(button.isFlat() && !button.icon().isNull());
        QCOMPARE(button.iconSize(), QSize(220, 63));
    }

    // Guards against the menu widgets losing their own font or italic to the base.
    void menuWidgetsOverrideBase() {
        QWidget page;
        cButtonMain button(&page);
        cLabelMenu label(&page);
        QCOMPARE(button.font().pixelSize(), 20);
        label.AdjustFont(14, FONT_STYLE_KEEP); // keeps the italic the menu label set
        QVERIFY(label.font().italic());
    }

    // Guards against a font search short of the largest fit, or hanging at one point or pixels.
    void fontSearch() {
        QLabel label;
        label.resize(120, 30);
        label.setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
        auto fits = [&](int iPoints) {
            const QFontMetrics metrics(QFont(QStringLiteral("DejaVu Sans"), iPoints));
            return label.rect().contains(
                metrics.boundingRect(label.rect(), Qt::AlignLeft | Qt::TextWordWrap, "Menu"));
        };
        const int size = cLabelStyled::GetFontSize("Menu", &label);
        QVERIFY(size < 40 && fits(size) && !fits(size + 1));
        QCOMPARE(cLabelStyled::GetFontSize(QString(400, QChar('W')), &label), 1);
        QFont pixelFont = label.font();
        pixelFont.setPixelSize(12);
        label.setFont(pixelFont);
        QCOMPARE(cLabelStyled::GetFontSize("Menu", &label), -1);
    }
};

QTEST_MAIN(tstStyledWidgets)
#include "test_styledwidgets.moc"
