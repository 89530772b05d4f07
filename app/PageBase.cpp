#include "app/PageBase.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "look/ButtonStylesheets.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <QPushButton>

namespace {

// A touch of the icon must not leave a focus frame or a pressed tint behind.
constexpr const char* kNotificationButtonSheet =
    "QPushButton { color:black;}QPushButton:focus{background-color: black;outline:0}"
    "QPushButton:checked{ background-color: black;border: none; }"
    "QPushButton:hover{ background-color: black; border-style: outset; }";

// Bounds the font search both ways, whatever the text.
constexpr int kMaxFontSteps = 101;

QRect TextBox(const QFont& font, const QSize& size, const QString& sText) {
    return QFontMetrics(font).boundingRect(QRect(QPoint(0, 0), size),
                                           Qt::AlignLeft | Qt::TextWordWrap, sText);
}

} // namespace

cPageBase::cPageBase(QWidget* parent) : QWidget(parent) {
    // Known by name, so that spies and queued connections can carry the record.
    qRegisterMetaType<Notification_s*>("Notification_s*");

    setGeometry(0, 0, 478, 270);
    QPalette pagePalette = palette();
    pagePalette.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black, Qt::SolidPattern));
    setPalette(pagePalette);
    setAutoFillBackground(true);

    mpNotificationButton = new QPushButton(this);
    mpNotificationButton->setObjectName(QStringLiteral("notificationButton"));
    mpNotificationButton->setGeometry(430, 220, 52, 44);
    mpNotificationButton->setIcon(QIcon(QStringLiteral("./Images/notification.png")));
    mpNotificationButton->setIconSize(QSize(52, 44));
    mpNotificationButton->setStyleSheet(QLatin1String(kNotificationButtonSheet));
    mpNotificationButton->hide();

    mpVolBaLabel = new QLabel(this);
    mpVolBaLabel->setObjectName(QStringLiteral("volBaLabel"));
    mpVolBaLabel->setGeometry(148, 10, 198, 30);
    QFont labelFont = mpVolBaLabel->font();
    labelFont.setPointSize(16);
    mpVolBaLabel->setFont(labelFont);
    mpVolBaLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    mpVolBaLabel->setStyleSheet(cButtonStyle::Get(QStringLiteral("Gray")));
    mpVolBaLabel->hide();

    if (!connect(mpNotificationButton, &QPushButton::clicked, this,
                 &cPageBase::sltShowNotification))
        KeldError("Sig/Slot connect failure in PageBase.");
}

cPageBase::~cPageBase() = default;

void cPageBase::SetVolume(int iVolume) {
    mpVolBaLabel->setText(QStringLiteral("Volume : %1").arg(iVolume));
}

void cPageBase::SetBalance(int iLeft, int iRight) {
    mpVolBaLabel->setText(QStringLiteral("L : %1 / R : %2").arg(iLeft).arg(iRight));
}

void cPageBase::ShowVolBaLbl(bool bShow) {
    mpVolBaLabel->setVisible(bShow);
}

void cPageBase::ShowNotification(bool bShow) {
    Q_UNUSED(bShow); // pages show notifications through the notification page
}

void cPageBase::sltForceCancelExit() {}

void cPageBase::sltShowNotification() {}

int cPageBase::GetFontSizeForLabel(const QString& sText, const QLabel* pLabel) {
    if (!pLabel)
        return -1;
    QFont font = pLabel->font();
    if (font.pointSize() < 1)
        return font.pointSize(); // sized in pixels: there is no point size to search
    const QSize labelSize = pLabel->size();

    const QRect start = TextBox(font, labelSize, sText);
    int iStep = 1;
    if (start.width() > labelSize.width() || start.height() > labelSize.height())
        iStep = -1;
    else if (start.width() == labelSize.width() && start.height() == labelSize.height())
        return font.pointSize();

    for (int i = 0; i < kMaxFontSteps; ++i) {
        const QRect box = TextBox(font, labelSize, sText);
        const bool bWider = labelSize.width() > box.width();
        const bool bTaller = labelSize.height() > box.height();
        if (iStep < 0 && bWider && bTaller)
            break;
        if (iStep > 0 && (!bWider || !bTaller)) {
            font.setPointSize(font.pointSize() - 1);
            break;
        }
        // QFont refuses sizes below one point (and pixel-sized fonts have
        // none): stop there rather than spin on a size that cannot change.
        if (font.pointSize() + iStep < 1)
            break;
        font.setPointSize(font.pointSize() + iStep);
    }
    return font.pointSize();
}
