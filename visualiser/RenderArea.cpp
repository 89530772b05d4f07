#include "visualiser/RenderArea.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QTextLine>
#include <QTextOption>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

namespace RoomGeometry {

QRect InnerRect(float fInnerFactor) {
    const int width = static_cast<int>(static_cast<float>(kBaseWidth) * fInnerFactor);
    const int height = static_cast<int>(static_cast<float>(kBaseHeight) * fInnerFactor);
    return QRect(kCentreX - width / 2, kCentreY - height / 2, width, height);
}

QRectF RingRect(const QRect& inner, float fRingFactor, int i) {
    // Grown step by step in float, as the rings have always been laid out.
    float w = static_cast<float>(inner.width()) * fRingFactor;
    float h = static_cast<float>(inner.height()) * fRingFactor;
    for (int step = 0; step < i; ++step) {
        w *= fRingFactor;
        h *= fRingFactor;
    }
    return QRectF(static_cast<float>(kCentreX) - w * 0.5f, static_cast<float>(kCentreY) - h * 0.5f,
                  w, h);
}

QPointF PlaneOrigin(float fScale) {
    return QPointF((kWidth - kBaseWidth * fScale) * 0.5, (kHeight - kBaseHeight * fScale) * 0.5);
}

QPointF MarkerPlanePoint(const QVector3D& position) {
    return QPointF((position.x() + 1.0f) * 100.0f * (kBaseWidth / 200.0f),
                   (position.y() + 1.0f) * 100.0f * (kBaseHeight / 200.0f));
}

QPointF MarkerCentre(const QVector3D& position) {
    return PlaneOrigin(position.z()) + MarkerPlanePoint(position) * position.z();
}

qreal MarkerSide(const QVector3D& position) {
    return kMarkerSize * position.z();
}

QRect MarkerBounds(const QVector3D& position) {
    const QPointF centre = MarkerCentre(position);
    const qreal side = std::abs(MarkerSide(position));
    if (side == 0.0 || !std::isfinite(side) || !std::isfinite(centre.x()) ||
        !std::isfinite(centre.y()))
        return QRect();
    // Clamped before the conversion to int; a pixel more on each side for the
    // antialiased edge.
    const QRectF marker = QRectF(centre.x() - side / 2, centre.y() - side / 2, side, side) &
                          QRectF(-kWidth, -kHeight, 3 * kWidth, 3 * kHeight);
    return marker.toAlignedRect().adjusted(-1, -1, 1, 1);
}

} // namespace RoomGeometry

namespace {

const QColor kBackground(Qt::black);
const QColor kEdge(Qt::gray); // inner rectangle, outer frame and the corner edges
const QColor kRing(Qt::white);
const QColor kGrid(136, 119, 153);
const QColor kScreenOutline(Qt::blue);
const QColor kCaption(Qt::yellow);
const QColor kBedFill(127, 0, 255);
const QColor kObjectFill(255, 0, 0);
const QColor kLabel(Qt::black);

QPen EdgePen() {
    return QPen(QBrush(kEdge), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
QPen GridPen() {
    return QPen(QBrush(kGrid), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
QPen ScreenPen() {
    return QPen(QBrush(kScreenOutline), 1, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
}

QLinearGradient ScreenGradient() {
    QLinearGradient gradient(0, 0, 100, 100);
    gradient.setColorAt(0.0, Qt::white);
    gradient.setColorAt(0.5, Qt::black);
    gradient.setColorAt(1.0, Qt::gray);
    return gradient;
}

QFont MarkerFont(const QFont& base) {
    QFont font(base);
    font.setWeight(QFont::Bold);
    font.setPointSize(12);
    return font;
}

// A ring's float rectangle as drawn: each side truncated.
QRect Truncated(const QRectF& rect) {
    return QRect(static_cast<int>(static_cast<float>(rect.x())),
                 static_cast<int>(static_cast<float>(rect.y())),
                 static_cast<int>(static_cast<float>(rect.width())),
                 static_cast<int>(static_cast<float>(rect.height())));
}

void Line(QPainter& painter, float x1, float y1, float x2, float y2) {
    painter.drawLine(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                     static_cast<int>(y2));
}

// Draws a one-line label laid out beforehand as drawText(rect, AlignHCenter |
// AlignVCenter) draws it, so the pixels are the same: its advance and its
// ascent plus descent centred, clipped to the rectangle only when larger.
void DrawCentred(QPainter& painter, const QRectF& rect, const QTextLayout& layout) {
    const QTextLine line = layout.lineAt(0);
    const qreal height = line.ascent() + line.descent();
    const qreal top = rect.y() + (rect.height() - height) / 2;
    const qreal width = line.naturalTextWidth();
    if (!rect.contains(QRectF(rect.x() + (rect.width() - width) / 2, top, width, height)))
        painter.setClipRect(rect, Qt::IntersectClip);
    line.draw(&painter, QPointF(rect.x() + (rect.width() - line.horizontalAdvance()) / 2, top));
}

} // namespace

RenderArea::RenderArea(QWidget* parent) : QWidget(parent) {
    QFont widgetFont = font();
    widgetFont.setPixelSize(12);
    setFont(widgetFont);
    // Every paint covers its whole region, so nothing need be drawn below it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool RenderArea::RoomInputs::operator==(const RoomInputs& other) const {
    return innerFactor == other.innerFactor && ringFactor == other.ringFactor &&
           hasScreen == other.hasScreen && screen == other.screen &&
           innerColor == other.innerColor && hasBeds == other.hasBeds && beds == other.beds &&
           hasNames == other.hasNames && names == other.names && size == other.size &&
           pixelRatio == other.pixelRatio && font == other.font;
}

RenderArea::RoomInputs RenderArea::CurrentRoom() const {
    RoomInputs room;
    room.innerFactor = mInnerFactor;
    room.ringFactor = mRingFactor;
    room.hasScreen = mpScreenPoints != nullptr;
    if (mpScreenPoints)
        std::copy(mpScreenPoints, mpScreenPoints + 4, room.screen.begin());
    room.innerColor = mInnerColor;
    room.hasBeds = mpBedObjects != nullptr;
    if (mpBedObjects)
        room.beds = *mpBedObjects;
    room.hasNames = mpBedNames != nullptr;
    if (mpBedNames)
        room.names = *mpBedNames;
    room.size = size();
    room.pixelRatio = devicePixelRatioF();
    room.font = font();
    return room;
}

void RenderArea::UpdateStatic() {
    if (!(CurrentRoom() == mStatic.room))
        update();
    else if (mCaption != mStatic.caption)
        update(RoomGeometry::kCaptionRect);
}

QSize RenderArea::sizeHint() const {
    return QSize(RoomGeometry::kWidth, RoomGeometry::kHeight);
}

QSize RenderArea::minimumSizeHint() const {
    return QSize(RoomGeometry::kWidth, RoomGeometry::kHeight);
}

void RenderArea::SetScalingFactor(float fInnerFactor, float fRingFactor) {
    // The room is redrawn at the next paint, which the view's screen points schedule.
    mInnerFactor = fInnerFactor;
    mRingFactor = fRingFactor;
}

void RenderArea::SetScreenPoints(QPointF* pPoints, const QColor& innerColor, QString viewName) {
    mpScreenPoints = pPoints;
    mInnerColor = innerColor;
    mViewName = std::move(viewName);
    update(); // a view change repaints all
}

void RenderArea::SetPresentationName(const QString& presentationName) {
    mCaption = QStringLiteral("%1 : %2 ").arg(mViewName, presentationName);
    UpdateStatic();
}

void RenderArea::SetDynamicObjectList(QList<QVector3D>* pObjects) {
    const bool bShownChanged = (pObjects == nullptr) != (mpDynamicObjects == nullptr);
    mpDynamicObjects = pObjects;
    QList<QVector3D> objects = Objects();
    if (bShownChanged) {
        update(); // markers hidden or shown repaint all
    } else {
        // Where each moved object was and is; the objects it uncovers or
        // covers are drawn again where they meet those rectangles.
        QVarLengthArray<QRect, 32> moved; // a record's 16 objects, and more
        QRect bounds;
        for (qsizetype i = 0; i < std::max(objects.size(), mShownObjects.size()); ++i) {
            const QVector3D was = i < mShownObjects.size() ? mShownObjects[i] : QVector3D();
            const QVector3D is = i < objects.size() ? objects[i] : QVector3D();
            if (was == is)
                continue;
            const QRect rect =
                RoomGeometry::MarkerBounds(was).united(RoomGeometry::MarkerBounds(is));
            if (!rect.isEmpty())
                moved.append(rect), bounds |= rect;
        }
        // One rectangle clips faster than many: the bounding one is painted
        // instead when it takes in no marker that the rectangles miss. Tested
        // on the rectangles, as a region of them costs more than the test.
        const auto meets = [&](const QRect& marker) {
            return std::any_of(moved.cbegin(), moved.cend(),
                               [&](const QRect& rect) { return rect.intersects(marker); });
        };
        const bool bTight = std::none_of(objects.cbegin(), objects.cend(), [&](const QVector3D& p) {
            const QRect marker = RoomGeometry::MarkerBounds(p);
            return bounds.intersects(marker) && !meets(marker);
        });
        if (bTight) {
            update(bounds);
        } else {
            QRegion region;
            for (const QRect& rect : moved)
                region += rect;
            update(region);
        }
    }
    mShownObjects = std::move(objects);
}

void RenderArea::SetBedObjectList(QList<QVector3D>* pBeds, QList<QString>* pNames) {
    mpBedObjects = pBeds;
    mpBedNames = pNames;
    UpdateStatic();
}

QList<QVector3D> RenderArea::Objects() const {
    return mpDynamicObjects ? *mpDynamicObjects : QList<QVector3D>();
}

void RenderArea::paintEvent(QPaintEvent* event) {
    RoomInputs room = CurrentRoom();
    const bool bRoomChanged = !(room == mStatic.room);
    if (mStatic.image.isNull() || bRoomChanged || mCaption != mStatic.caption)
        SelectStatic(std::move(room));
    // Lists edited in place behind a partial repaint: the rest of the room,
    // and the markers outside the region, follow.
    const QList<QVector3D> objects = Objects();
    if ((bRoomChanged || objects != mShownObjects) && event->region() != QRegion(rect()))
        update();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const qreal ratio = mStatic.image.devicePixelRatio();
    // One copy clipped to the region: cheaper than one per rectangle of it.
    const QRect rect = event->rect();
    painter.drawImage(rect, mStatic.image,
                      QRectF(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio));
    DrawDynamicObjects(painter, event->region());
    mShownObjects = objects;
}

void RenderArea::SelectStatic(RoomInputs room) {
    if (!mOtherView.image.isNull() && room == mOtherView.room && mCaption == mOtherView.caption) {
        std::swap(mStatic, mOtherView);
        return;
    }
    // Another view's room puts the one on show aside; a change within the view replaces it.
    const RoomInputs& shown = mStatic.room;
    if (!mStatic.image.isNull() &&
        (room.innerFactor != shown.innerFactor || room.ringFactor != shown.ringFactor ||
         room.screen != shown.screen || room.innerColor != shown.innerColor))
        std::swap(mStatic, mOtherView);
    mStatic.room = std::move(room);
    mStatic.caption = mCaption;
    DrawStatic();
}

void RenderArea::DrawStatic() {
    const qreal ratio = devicePixelRatioF();
    QImage& image = mStatic.image;
    image = QImage(size() * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    // Point sizes turn into the same pixel sizes as on the widget.
    image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    QPainter painter(&image);
    painter.setFont(font());
    painter.setLayoutDirection(layoutDirection());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(rect(), QBrush(kBackground, Qt::SolidPattern));
    const QRect inner = InnerRectangle();
    DrawInnerRect(painter, inner);
    DrawRings(painter, inner);
    DrawScreen(painter);
    DrawEdgesAndGrid(painter, inner);
    DrawCaption(painter);
    DrawBedObjects(painter);
}

void RenderArea::DrawInnerRect(QPainter& painter, const QRect& inner) const {
    painter.save();
    painter.fillRect(inner, QBrush(mInnerColor, Qt::SolidPattern));
    painter.setPen(EdgePen());
    painter.drawRect(inner);
    painter.restore();
}

void RenderArea::DrawRings(QPainter& painter, const QRect& inner) const {
    painter.save();
    painter.setPen(kRing);
    for (int i = 0; i < kRingCount - 1; ++i)
        painter.drawRect(Truncated(RoomGeometry::RingRect(inner, mRingFactor, i)));
    painter.setPen(EdgePen());
    painter.drawRect(Truncated(RoomGeometry::RingRect(inner, mRingFactor, kRingCount - 1)));
    painter.restore();
}

void RenderArea::DrawScreen(QPainter& painter) const {
    if (!mpScreenPoints)
        return;
    painter.save();
    painter.setBrush(ScreenGradient());
    painter.setPen(ScreenPen());
    painter.drawPolygon(mpScreenPoints, 4, Qt::OddEvenFill);
    painter.restore();
}

void RenderArea::DrawEdgesAndGrid(QPainter& painter, const QRect& inner) const {
    // From the outer frame to the inner rectangle: the four corner edges, then
    // grid lines that join the frame's and the rectangle's divisions.
    const QRectF outer = RoomGeometry::RingRect(inner, mRingFactor, kRingCount - 1);
    const float x = static_cast<float>(outer.x());
    const float y = static_cast<float>(outer.y());
    const float w = static_cast<float>(outer.width());
    const float h = static_cast<float>(outer.height());
    const float left = static_cast<float>(inner.left());
    const float top = static_cast<float>(inner.top());
    const float right = static_cast<float>(inner.left() + inner.width());
    const float bottom = static_cast<float>(inner.top() + inner.height());

    painter.save();
    painter.setPen(EdgePen());
    Line(painter, x, y, left, top);
    Line(painter, x + w, y, right, top);
    Line(painter, x, y + h, left, bottom);
    Line(painter, x + w, y + h, right, bottom);

    painter.setPen(GridPen());
    const float sW = w / static_cast<float>(RoomGeometry::kGridColumns);
    const float sH = h / static_cast<float>(RoomGeometry::kGridRows);
    const int sw = inner.width() / RoomGeometry::kGridColumns;
    const int sh = inner.height() / RoomGeometry::kGridRows;
    for (int i = 0; i < RoomGeometry::kGridColumns; ++i) {
        Line(painter, x + static_cast<float>(i) * sW, y, left + static_cast<float>(i * sw), top);
        Line(painter, x + static_cast<float>(i) * sW, y + h, left + static_cast<float>(i * sw),
             bottom);
    }
    for (int i = 0; i < RoomGeometry::kGridRows; ++i) {
        Line(painter, x, y + static_cast<float>(i) * sH, left, top + static_cast<float>(i * sh));
        Line(painter, x + w, y + static_cast<float>(i) * sH, right,
             top + static_cast<float>(i * sh));
    }
    painter.restore();
}

void RenderArea::DrawCaption(QPainter& painter) const {
    painter.save();
    painter.setFont(MarkerFont(painter.font()));
    painter.setPen(kCaption);
    painter.drawText(RoomGeometry::kCaptionRect, Qt::AlignHCenter | Qt::AlignVCenter, mCaption);
    painter.restore();
}

void RenderArea::DrawMarker(QPainter& painter, const QVector3D& position, const QColor& fill,
                            bool bRound, const QString* pLabel, const QTextLayout* pLayout,
                            const QRect& clip) {
    const float z = position.z();
    // A zero scale draws nothing visible; skipping it also keeps a singular
    // transform away from the text layout.
    if (z == 0.0f || !std::isfinite(z))
        return;
    painter.save();
    if (!clip.isNull()) // in widget pixels, before scaling
        painter.setClipRect(clip, Qt::IntersectClip);
    painter.translate(RoomGeometry::PlaneOrigin(z));
    painter.scale(z, z);
    const QPointF centre = RoomGeometry::MarkerPlanePoint(position);
    const qreal half = RoomGeometry::kMarkerSize / 2.0;
    const QRectF marker(centre.x() - half, centre.y() - half, RoomGeometry::kMarkerSize,
                        RoomGeometry::kMarkerSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(fill, Qt::SolidPattern));
    if (bRound)
        painter.drawEllipse(marker);
    else
        painter.drawRect(marker);
    painter.setPen(kLabel);
    if (pLabel)
        painter.drawText(marker, Qt::AlignHCenter | Qt::AlignVCenter, *pLabel);
    else if (pLayout)
        DrawCentred(painter, marker, *pLayout);
    painter.restore();
}

void RenderArea::DrawBedObjects(QPainter& painter) const {
    if (!mpBedObjects)
        return;
    painter.save();
    painter.setFont(MarkerFont(painter.font()));
    for (qsizetype i = 0; i < mpBedObjects->size(); ++i) {
        // Names may be missing or shorter than the positions: those squares go unlabelled.
        const QString* pLabel =
            (mpBedNames && i < mpBedNames->size()) ? &mpBedNames->at(i) : nullptr;
        DrawMarker(painter, mpBedObjects->at(i), kBedFill, false, pLabel, nullptr, QRect());
    }
    painter.restore();
}

void RenderArea::DrawDynamicObjects(QPainter& painter, const QRegion& area) {
    if (!mpDynamicObjects)
        return;
    painter.save();
    painter.setFont(MarkerFont(painter.font()));
    // Inside a region of many rectangles each marker is clipped to its own
    // bounds, which draws faster than clipping to the whole region.
    const bool bClip = area.rectCount() > 1;
    for (qsizetype i = 0; i < mpDynamicObjects->size(); ++i) {
        // Objects outside the repainted area are still on screen as they were.
        const QVector3D& position = mpDynamicObjects->at(i);
        const QRect bounds = RoomGeometry::MarkerBounds(position);
        if (!area.intersects(bounds))
            continue;
        const int number = static_cast<int>(i + 1);
        const QTextLayout& label = ObjectLabel(number, painter.font());
        const qreal side = RoomGeometry::MarkerSide(position);
        if (!cMarkerSprites::Fits(side)) {
            DrawMarker(painter, position, kObjectFill, true, nullptr, &label,
                       bClip ? bounds : QRect());
            continue;
        }
        if (bClip) {
            painter.save();
            painter.setClipRect(bounds, Qt::IntersectClip);
        }
        mSprites.Draw(painter, RoomGeometry::MarkerCentre(position), side, number, mStatic.image,
                      [&label](QPainter& sprite, double dSide) {
                          const qreal z = dSide / RoomGeometry::kMarkerSize;
                          sprite.scale(z, z);
                          const qreal half = RoomGeometry::kMarkerSize / 2.0;
                          const QRectF marker(-half, -half, RoomGeometry::kMarkerSize,
                                              RoomGeometry::kMarkerSize);
                          sprite.setPen(Qt::NoPen);
                          sprite.setBrush(QBrush(kObjectFill, Qt::SolidPattern));
                          sprite.drawEllipse(marker);
                          sprite.setPen(kLabel);
                          DrawCentred(sprite, marker, label);
                      });
        if (bClip)
            painter.restore();
    }
    painter.restore();
}

const QTextLayout& RenderArea::ObjectLabel(int iNumber, const QFont& font) {
    if (font != mLabelFont) {
        mObjectLabels.clear();
        mSprites.Clear();
        mLabelFont = font;
    }
    while (static_cast<int>(mObjectLabels.size()) < iNumber) {
        // Laid out as drawText lays out a line it is not to wrap.
        auto layout = std::make_unique<QTextLayout>(
            QString::number(static_cast<int>(mObjectLabels.size()) + 1), font);
        layout->setCacheEnabled(true);
        QTextOption option;
        option.setTextDirection(layoutDirection());
        option.setAlignment(Qt::AlignLeft);
        layout->setTextOption(option);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setLineWidth(0x01000000);
        line.setPosition(QPointF(0, 0));
        layout->endLayout();
        mObjectLabels.push_back(std::move(layout));
    }
    return *mObjectLabels[static_cast<std::size_t>(iNumber) - 1];
}
