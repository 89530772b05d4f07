#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// Defined with the notification page; pages only pass it on by pointer.
struct Notification_s;
Q_DECLARE_OPAQUE_POINTER(Notification_s*)

// Base of every page in the window's page stack: a black page, the signals by
// which a page asks the window for another page, a hidden notification button
// and a hidden volume/balance label.
class cPageBase : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cPageBase)

public:
    explicit cPageBase(QWidget* parent = nullptr);
    ~cPageBase() override;

    void SetVolume(int iVolume);
    void SetBalance(int iLeft, int iRight);
    // Setting a text never shows the label by itself.
    void ShowVolBaLbl(bool bShow);
    void ShowNotification(bool bShow);

    // Largest point size, stepping by 1 from the label's font, at which the
    // text fits the label with word wrap. Touches neither argument.
    static int GetFontSizeForLabel(const QString& sText, const QLabel* pLabel);

    QPushButton* NotificationButton() const { return mpNotificationButton; }
    QLabel* VolBaLabel() const { return mpVolBaLabel; }

signals:
    void sigExitToMainMenu();
    void sigExitToPage(int iPageIndex);
    void sigShowNotification();
    void sigSetShowNotification(Notification_s* pNotification);

public slots:
    virtual void sltForceCancelExit();
    virtual void sltShowNotification();

private:
    QPushButton* mpNotificationButton = nullptr;
    QLabel* mpVolBaLabel = nullptr;
};
