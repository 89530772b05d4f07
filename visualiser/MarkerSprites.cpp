#include "visualiser/MarkerSprites.h"

#include <QPainter>

#include <cmath>

bool cMarkerSprites::Fits(double dSide) {
    return std::isfinite(dSide) && dSide > 0.0 && dSide <= kMaxSide;
}

void cMarkerSprites::Draw(QPainter& painter, QPointF centre, double dSide, int iLabel,
                          const QImage& format, const DrawFn& draw) {
    const int step = static_cast<int>(std::lround(dSide * kSteps));
    const std::uint32_t key =
        static_cast<std::uint32_t>(iLabel) << 16 | static_cast<std::uint32_t>(step);
    auto found = mSprites.find(key);
    if (found != mSprites.end()) {
        mUse.splice(mUse.begin(), mUse, found->second.use);
    } else {
        ++mMisses;
        if (mSprites.size() >= kCapacity) {
            mSprites.erase(mUse.back());
            mUse.pop_back();
        }
        const double side = static_cast<double>(step) / kSteps;
        // Even, with a pixel to spare round the antialiased edge: the centre
        // falls on a pixel corner.
        const int half = static_cast<int>(std::ceil(side / 2 + 1));
        const int extent = 2 * half;
        const qreal ratio = format.devicePixelRatio();
        QImage image(QSize(extent, extent) * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.setDotsPerMeterX(format.dotsPerMeterX());
        image.setDotsPerMeterY(format.dotsPerMeterY());
        image.fill(Qt::transparent);
        {
            QPainter sprite(&image);
            sprite.setRenderHint(QPainter::Antialiasing, true);
            sprite.translate(half, half);
            draw(sprite, side);
        }
        mUse.push_front(key);
        found = mSprites.emplace(key, Sprite{std::move(image), QPoint(-half, -half), mUse.begin()})
                    .first;
    }
    const Sprite& sprite = found->second;
    painter.drawImage(QPoint(static_cast<int>(std::lround(centre.x())),
                             static_cast<int>(std::lround(centre.y()))) +
                          sprite.offset,
                      sprite.image);
}

void cMarkerSprites::Clear() {
    mSprites.clear();
    mUse.clear();
}
