#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QWidget>

#include <cstdlib>

// Pixel checks on rendered widgets: fixed format, colours compared with a
// tolerance, never whole images.
namespace PixelProbe {

inline QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

inline bool Near(QRgb pixel, const QColor& expected, int tolerance) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

inline bool At(const QImage& image, QPointF point, const QColor& expected, int tolerance = 12) {
    const int x = static_cast<int>(point.x());
    const int y = static_cast<int>(point.y());
    return image.valid(x, y) && Near(image.pixel(x, y), expected, tolerance);
}

// Whether the visualiser marker centred there with that side shows its colour,
// sampled clear of the label at its centre: a square near its corner, a circle
// above its middle.
inline bool Marker(const QImage& image, QPointF centre, qreal side, const QColor& expected,
                   bool round) {
    const QPointF offset(round ? 0.0 : -0.35, -0.35);
    return At(image, centre + offset * side, expected);
}

// Pixels in the rectangle close to the colour.
inline int Count(const QImage& image, const QRect& rect, const QColor& expected,
                 int tolerance = 60) {
    int count = 0;
    const QRect inside = rect.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            count += Near(image.pixel(x, y), expected, tolerance) ? 1 : 0;
    return count;
}

} // namespace PixelProbe
