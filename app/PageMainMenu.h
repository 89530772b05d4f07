#pragma once

#include "app/PageBase.h"

#include <cstdint>

class QGridLayout;
class QSignalMapper;
class cLabelMenu;

// Lists the other pages as a two-column grid of buttons, one per page, and
// turns a press into that page's index.
class cMainMenuPage : public cPageBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cMainMenuPage)

public:
    explicit cMainMenuPage(QWidget* parent = nullptr);
    ~cMainMenuPage() override;

    // pcImage (may be null) goes to the button unchanged.
    void AddButton(const char* pcCaption, unsigned char uPageIndex, const char* pcImage);
    // The constructor has already made this connection.
    void ConnectSignals();

    QGridLayout* Layout() const { return mpLayout; }
    cLabelMenu* Title() const { return mpTitle; }

signals:
    void sigSwitchScreen(int iPageIndex);

private:
    std::uint8_t mColumn = 0; // grid cell of the next button
    std::uint8_t mRow = 0;
    cLabelMenu* mpTitle = nullptr; // a child, but outside the grid
    QGridLayout* mpLayout = nullptr;
    QSignalMapper* mpMapper = nullptr;
};
