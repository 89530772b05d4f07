#pragma once

#include <QBrush>

class QWidget;

// Stands in for the embedded display server's background: the brush painted
// wherever no window covers the screen. Where Qt owns the whole screen
// (linuxfb, eglfs) it shows a bottom-most backdrop window in that brush; under
// a desktop window system the desktop is not ours to paint, so it only keeps
// the brush.
class cDisplayBackground {
public:
    static void setBackground(const QBrush& brush);
    static QBrush background();
    // True when the platform gives the background to this process to paint.
    static bool platformHasBackground();

private:
    static QBrush mBrush;
    static QWidget* mpBackdrop;
};
