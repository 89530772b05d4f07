#include "visualiser/RenderArea.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

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

} // namespace

RenderArea::RenderArea(QWidget* parent) : QWidget(parent) {
    QFont widgetFont = font();
    widgetFont.setPixelSize(12);
    setFont(widgetFont);
}

QSize RenderArea::sizeHint() const {
    return QSize(RoomGeometry::kWidth, RoomGeometry::kHeight);
}

QSize RenderArea::minimumSizeHint() const {
    return QSize(RoomGeometry::kWidth, RoomGeometry::kHeight);
}

void RenderArea::SetScalingFactor(float fInnerFactor, float fRingFactor) {
    mInnerFactor = fInnerFactor;
    mRingFactor = fRingFactor;
}

void RenderArea::SetScreenPoints(QPointF* pPoints, const QColor& innerColor, QString viewName) {
    mpScreenPoints = pPoints;
    mInnerColor = innerColor;
    mViewName = std::move(viewName);
    update();
}

void RenderArea::SetPresentationName(QString presentationName) {
    mCaption = QStringLiteral("%1 : %2 ").arg(mViewName, presentationName);
}

void RenderArea::SetDynamicObjectList(QList<QVector3D>* pObjects) {
    mpDynamicObjects = pObjects;
    update();
}

void RenderArea::SetBedObjectList(QList<QVector3D>* pBeds, QList<QString>* pNames) {
    mpBedObjects = pBeds;
    mpBedNames = pNames;
    update();
}

void RenderArea::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(event->rect(), QBrush(kBackground, Qt::SolidPattern));
    const QRect inner = InnerRectangle();
    DrawInnerRect(painter, inner);
    DrawRings(painter, inner);
    DrawScreen(painter);
    DrawEdgesAndGrid(painter, inner);
    DrawCaption(painter);
    DrawBedObjects(painter);
    DrawDynamicObjects(painter);
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
        Line(painter, x + i * sW, y, left + static_cast<float>(i * sw), top);
        Line(painter, x + i * sW, y + h, left + static_cast<float>(i * sw), bottom);
    }
    for (int i = 0; i < RoomGeometry::kGridRows; ++i) {
        Line(painter, x, y + i * sH, left, top + static_cast<float>(i * sh));
        Line(painter, x + w, y + i * sH, right, top + static_cast<float>(i * sh));
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
                            bool bRound, const QString* pLabel) {
    const float z = position.z();
    // A zero scale draws nothing visible; skipping it also keeps a singular
    // transform away from the text layout.
    if (z == 0.0f || !std::isfinite(z))
        return;
    painter.save();
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
    if (pLabel) {
        painter.setPen(kLabel);
        painter.drawText(marker, Qt::AlignHCenter | Qt::AlignVCenter, *pLabel);
    }
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
        DrawMarker(painter, mpBedObjects->at(i), kBedFill, false, pLabel);
    }
    painter.restore();
}

void RenderArea::DrawDynamicObjects(QPainter& painter) const {
    if (!mpDynamicObjects)
        return;
    painter.save();
    painter.setFont(MarkerFont(painter.font()));
    for (qsizetype i = 0; i < mpDynamicObjects->size(); ++i) {
        const QString label = QString::number(i + 1);
        DrawMarker(painter, mpDynamicObjects->at(i), kObjectFill, true, &label);
    }
    painter.restore();
}
