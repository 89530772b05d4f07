#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>

#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>

class QPainter;

// Moving markers drawn once per look into small premultiplied images and
// blended where they go. A look is a label and a side quantised to a quarter
// pixel; a sprite is placed to the nearest whole pixel, so a marker may sit up
// to half a pixel from where a direct drawing puts it and be up to an eighth
// of a pixel larger or smaller. The cache holds a fixed number of sprites and
// drops the least recently used one when full.
class cMarkerSprites {
public:
    static constexpr int kCapacity = 1024; // 16 labels at every side both views give
    static constexpr int kSteps = 4;       // side steps a pixel
    static constexpr double kMaxSide = 40; // beyond this, no sprite: drawn directly

    // Draws the marker of that label into a painter set up with its centre
    // at the origin, at the side given, in its own coordinates.
    using DrawFn = std::function<void(QPainter& painter, double dSide)>;

    // Whether a marker of this side is drawn from a sprite at all.
    static bool Fits(double dSide);

    // Blends the sprite of the label at that side centred on the point,
    // drawing it first if the cache has none. The image's resolution and
    // pixel ratio are taken from the template.
    void Draw(QPainter& painter, QPointF centre, double dSide, int iLabel, const QImage& format,
              const DrawFn& draw);

    void Clear();
    int Size() const { return static_cast<int>(mSprites.size()); }
    std::uint64_t Misses() const { return mMisses; }

private:
    struct Sprite {
        QImage image;
        QPoint offset; // from the rounded centre to the image's top-left corner
        std::list<std::uint32_t>::iterator use;
    };
    std::unordered_map<std::uint32_t, Sprite> mSprites;
    std::list<std::uint32_t> mUse; // most recently used first
    std::uint64_t mMisses = 0;
};
