#include "app/PageMainMenu.h"

#include "look/ButtonStyled.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelMenu.h"

#include <QGridLayout>
#include <QSignalMapper>

namespace {
constexpr int kColumns = 2;
}

cMainMenuPage::cMainMenuPage(QWidget* parent) : cPageBase(parent) {
    mpMapper = new QSignalMapper(this);
    mpLayout = new QGridLayout;
    mColumn = 0;
    mRow = 0;

    if (parent)
        setGeometry(parent->geometry());
    setLayout(mpLayout);

    ConnectSignals();

    mpTitle = new cLabelMenu(this);
    mpTitle->setText(QStringLiteral("Dolby Menu"));
}

cMainMenuPage::~cMainMenuPage() = default;

void cMainMenuPage::ConnectSignals() {
    connect(mpMapper, &QSignalMapper::mappedInt, this, &cMainMenuPage::sigSwitchScreen,
            Qt::UniqueConnection);
}

void cMainMenuPage::AddButton(const char* pcCaption, unsigned char uPageIndex,
                              const char* pcImage) {
    auto* pButton = new cButtonStyled(this);
    pButton->setText(QString::fromLatin1(pcCaption));
    pButton->setStyleSheet(cButtonStyle::Get(QStringLiteral("GreenWhiteGreen")));
    pButton->AdjustFontSize(20);
    pButton->SetBackgroundImage(pcImage);

    mpLayout->addWidget(pButton, mRow, mColumn, 1, 1);

    connect(pButton, &QPushButton::clicked, mpMapper, qOverload<>(&QSignalMapper::map));
    mpMapper->setMapping(pButton, static_cast<int>(uPageIndex));

    if (++mColumn >= kColumns) {
        mColumn = 0;
        ++mRow;
    }
}
