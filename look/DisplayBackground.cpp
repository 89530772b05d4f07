#include "look/DisplayBackground.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

QBrush cDisplayBackground::mBrush{Qt::black};
QWidget* cDisplayBackground::mpBackdrop = nullptr;

bool cDisplayBackground::platformHasBackground() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("linuxfb") || platform == QLatin1String("eglfs");
}

void cDisplayBackground::setBackground(const QBrush& brush) {
    mBrush = brush;
    if (!platformHasBackground() || !QGuiApplication::primaryScreen())
        return;
    if (!mpBackdrop) {
        // Owned by no one on purpose: it lives as long as the display.
        mpBackdrop = new QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                                              Qt::WindowDoesNotAcceptFocus);
        mpBackdrop->setAttribute(Qt::WA_DeleteOnClose);
        mpBackdrop->setAutoFillBackground(true);
        mpBackdrop->setGeometry(QGuiApplication::primaryScreen()->geometry());
    }
    QPalette palette = mpBackdrop->palette();
    palette.setBrush(QPalette::All, QPalette::Window, mBrush);
    mpBackdrop->setPalette(palette);
    mpBackdrop->show();
    mpBackdrop->lower();
}

QBrush cDisplayBackground::background() {
    return mBrush;
}
