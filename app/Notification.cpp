#include "app/Notification.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "Common/Utility/Logger/Include/Logger.h"
#include "look/ButtonMain.h"
#include "look/LabelMenu.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>

namespace {
constexpr const char* kInfoIcon = "./Images/Info.png";
constexpr const char* kWarnIcon = "./Images/Warn.png";
constexpr const char* kCriticalIcon = "./Images/Critical.png";
} // namespace

Notification::Notification(QWidget* parent) : cPageBase(parent) {
    QFont textFont = font();
    textFont.setStyleStrategy(QFont::PreferAntialias);
    textFont.setFixedPitch(true);
    textFont.setStyle(QFont::StyleNormal);
    textFont.setPixelSize(18);

    mpTitleLabel = new cLabelMenu(this);
    mpTitleLabel->setObjectName(QStringLiteral("notificationTitle"));
    mpTitleLabel->setGeometry(70, 10, 393, 40);
    mpTitleLabel->setStyleSheet(cLabelStyle::Get(QStringLiteral("BlueLighterBlack")));
    mpTitleLabel->setFont(textFont);
    mpTitleLabel->setText(QStringLiteral("Notification Title"));

    mpMessageLabel = new cLabelMenu(this);
    mpMessageLabel->setObjectName(QStringLiteral("notificationMessage"));
    mpMessageLabel->setGeometry(10, 60, 453, 165);
    mpMessageLabel->setStyleSheet(cLabelStyle::Get(QStringLiteral("YellowCesspoolWhite")));
    mpMessageLabel->setFont(textFont);
    mpMessageLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    mpMessageLabel->setWordWrap(true);
    mpMessageLabel->setText(
        QStringLiteral("Notification Message. \nThis is an Test Message.\nTest.\n Test 2"));

    mpIconLabel = new QLabel(this);
    mpIconLabel->setObjectName(QStringLiteral("notificationIcon"));
    mpIconLabel->setGeometry(10, 7, 50, 50);
    mpIconLabel->setScaledContents(true);
    mpIconLabel->setPixmap(QPixmap(QLatin1String(kInfoIcon)));

    mpBackButton = new cButtonMain(this);
    mpBackButton->setObjectName(QStringLiteral("notificationBack"));
    mpBackButton->setGeometry(189, 230, 100, 30);
    mpBackButton->setText(QStringLiteral("Back"));

    if (!connect(mpBackButton, &QPushButton::clicked, this, &Notification::sltExitToPage))
        KeldError("Could not make sig/slot connect in Notifications Page.");
}

Notification::~Notification() = default;

void Notification::SetPreviousPage(int iPreviousPage) {
    mPreviousPage = iPreviousPage;
}

void Notification::SetNotification(int iLevel, const char* pcTitle, const char* pcMessage,
                                   int iPreviousPage) {
    // A critical notification stays up until the next critical one.
    if (mbCriticalLatch && iLevel != LEVEL_CRITICAL)
        return;
    mpTitleLabel->SetElidedText(QString::fromUtf8(pcTitle ? pcTitle : ""));
    mpMessageLabel->setText(QString::fromUtf8(pcMessage ? pcMessage : ""));
    mPreviousPage = iPreviousPage;
    ApplyLevelLook(iLevel);
}

void Notification::ApplyLevelLook(int iLevel) {
    const char* pcColour = nullptr;
    const char* pcIcon = nullptr;
    switch (iLevel) {
    case LEVEL_INFO:
        pcColour = "BlueSky";
        pcIcon = kInfoIcon;
        break;
    case LEVEL_WARN:
    case LEVEL_ERROR:
        pcColour = "Orange";
        pcIcon = kWarnIcon;
        break;
    case LEVEL_CRITICAL:
        pcColour = "Red";
        pcIcon = kCriticalIcon;
        break;
    default:
        break;
    }

    if (pcColour) {
        QPalette pagePalette = palette();
        pagePalette.setBrush(
            QPalette::All, QPalette::Window,
            QBrush(cSysColor::GetColor(QLatin1String(pcColour)), Qt::SolidPattern));
        setPalette(pagePalette);
    }
    if (pcIcon)
        mpIconLabel->setPixmap(QPixmap(QLatin1String(pcIcon)));
    else
        mpIconLabel->clear(); // an unknown level gets no icon rather than a wrong one

    if (iLevel == LEVEL_CRITICAL) {
        mpBackButton->hide();
        mbCriticalLatch = true;
    }
}

void Notification::sltExitToPage() {
    emit sigExitToPage(mPreviousPage);
}
