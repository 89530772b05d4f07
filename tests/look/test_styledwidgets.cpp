// Guards the styled widgets: a derived class losing its own style or font to
// its base, a button that can be toggled, elision and the bounded font search.
#include "look/ButtonMain.h"
#include "look/ButtonStyled.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelMenu.h"
#include "look/LabelStyled.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"

#include <QtTest>

namespace {
bool Near(const QColor& actual, const QColor& expected, int iTolerance = 8) {
    return qAbs(actual.red() - expected.red()) <= iTolerance &&
           qAbs(actual.green() - expected.green()) <= iTolerance &&
           qAbs(actual.blue() - expected.blue()) <= iTolerance;
}
} // namespace

class tstStyledWidgets final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        cSysColor::Init();
        cButtonStyle::Init();
        cLabelStyle::Init();
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    }

    void buttonNeverToggles() {
        cButtonStyled button;
        button.resize(100, 40);
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        button.click();
        QVERIFY(!button.isCheckable());
        QVERIFY(!button.isChecked());
        QCOMPARE(button.focusPolicy(), Qt::NoFocus);
        QCOMPARE(button.font().pixelSize(), 12);
        QCOMPARE(button.styleSheet(), cButtonStyle::Get("GreenWhiteGreen"));
    }

    void buttonPaintsExchangedColour() {
        cButtonStyled button;
        button.resize(100, 40);
        const QImage image = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QColor centre = image.pixelColor(image.width() / 2, image.height() / 2);
        QVERIFY2(Near(centre, cSysColor::GetColor("Green")), qPrintable(centre.name()));
        QVERIFY(Near(centre, QColor(255, 0, 0))); // "Green" after the exchange
    }

    void backgroundImage() {
        cButtonStyled button;
        button.setText("Keep");
        button.SetBackgroundImage(nullptr);
        QCOMPARE(button.text(), QString("Keep"));
        QVERIFY(!button.isFlat());
        QVERIFY(button.icon().isNull());

        button.SetBackgroundImage("./Images/Info.png");
        QVERIFY(button.isFlat());
        QVERIFY(!button.icon().isNull());
        QCOMPARE(button.iconSize(), QSize(220, 63));
    }

    void menuButtonOverridesBase() {
        QWidget page;
        cButtonMain button(&page);
        QCOMPARE(button.geometry(), QRect(338, 5, 130, 30));
        QCOMPARE(button.text(), QString("Menu"));
        QCOMPARE(button.font().pixelSize(), 20);
    }

    void labelDefaults() {
        cLabelStyled label;
        QCOMPARE(label.styleSheet(), cLabelStyle::Get("YellowLightBlack"));
        QCOMPARE(label.font().pixelSize(), 12);
        QCOMPARE(label.focusPolicy(), Qt::NoFocus);
        QVERIFY(!label.font().italic());
    }

    void menuLabelOverridesBase() {
        QWidget page;
        cLabelMenu label(&page);
        QCOMPARE(label.geometry(), QRect(10, 11, 200, 28));
        QCOMPARE(label.styleSheet(), cLabelStyle::Get("BlackPlum"));
        QCOMPARE(label.font().pixelSize(), 18);
        QVERIFY(label.font().italic());
    }

    void adjustFontItalic_data() {
        QTest::addColumn<bool>("startItalic");
        QTest::addColumn<int>("style");
        QTest::addColumn<bool>("endItalic");
        QTest::newRow("keep on italic stays italic") << true << 0 << true;
        QTest::newRow("keep on upright stays upright") << false << 0 << false;
        QTest::newRow("italic on upright") << false << 1 << true;
    }
    void adjustFontItalic() {
        QFETCH(bool, startItalic);
        QFETCH(int, style);
        QFETCH(bool, endItalic);
        cLabelStyled label;
        QFont font = label.font();
        font.setItalic(startItalic);
        label.setFont(font);
        label.AdjustFont(14, static_cast<FontStyle_e>(style));
        QCOMPARE(label.font().pixelSize(), 14);
        QCOMPARE(label.font().italic(), endItalic);
    }

    void elidedText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("elided");
        QTest::newRow("fits") << "Short" << false;
        QTest::newRow("too wide") << "A notification text far wider than the label can show"
                                  << true;
    }
    void elidedText() {
        QFETCH(QString, text);
        QFETCH(bool, elided);
        cLabelStyled label;
        label.resize(120, 28);
        label.SetElidedText(text);
        if (!elided) {
            QCOMPARE(label.text(), text);
            return;
        }
        QVERIFY(label.text().endsWith(QChar(0x2026)));
        QVERIFY(text.startsWith(label.text().chopped(1)));
        QVERIFY(label.text().size() > 1);
        QVERIFY(QFontMetrics(label.font()).horizontalAdvance(label.text()) <= label.width());
    }

    void fontSearchIsBounded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("startPoints");
        QTest::addColumn<bool>("pixelFont");
        QTest::addColumn<int>("expected");
        QTest::newRow("fits already") << "Hi" << 12 << false << 12;
        QTest::newRow("never fits stops at one point")
            << QString(400, QChar('W')) << 12 << false << 1;
        QTest::newRow("pixel-sized font") << "Hi" << 12 << true << -1;
    }
    void fontSearchIsBounded() {
        QFETCH(QString, text);
        QFETCH(int, startPoints);
        QFETCH(bool, pixelFont);
        QFETCH(int, expected);
        QLabel label;
        label.resize(60, 20);
        QFont font(QStringLiteral("DejaVu Sans"));
        if (pixelFont)
            font.setPixelSize(startPoints);
        else
            font.setPointSize(startPoints);
        label.setFont(font);
        QCOMPARE(cLabelStyled::GetFontSize(text, &label), expected);
    }

    void fontSearchFindsLargestFit() {
        QLabel label;
        label.resize(120, 30);
        label.setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
        const int size = cLabelStyled::GetFontSize("Menu", &label);
        QVERIFY(size > 1 && size < 40);
        auto box = [&](int iPoints) {
            return QFontMetrics(QFont(QStringLiteral("DejaVu Sans"), iPoints))
                .boundingRect(label.rect(), Qt::AlignLeft | Qt::TextWordWrap, "Menu");
        };
        QVERIFY(box(size).width() <= 120 && box(size).height() <= 30);
        QVERIFY(box(size + 1).width() > 120 || box(size + 1).height() > 30);
    }
};

QTEST_MAIN(tstStyledWidgets)
#include "test_styledwidgets.moc"
