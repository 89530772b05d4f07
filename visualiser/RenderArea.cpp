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

QPen EdgePen() {
    return QPen(QBrush(Qt::gray), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
QPen GridPen() {
    return QPen(QBrush(QColor(136, 119, 153, 255)), 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
QPen ScreenPen() {
    return QPen(QBrush(Qt::blue), 1, Qt::SolidLine, Qt::FlatCap, Qt::BevelJoin);
}

QFont MarkerFont(const QFont& base) {
    QFont font(base);
    font.setWeight(QFont::Bold);
    font.setPointSize(12);
    return font;
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
    mInnerWidth = static_cast<int>(static_cast<float>(mBaseWidth) * mInnerFactor);
    mInnerHeight = static_cast<int>(static_cast<float>(mBaseHeight) * mInnerFactor);
    mInnerLeft = mCentreX - mInnerWidth / 2;
    mInnerTop = mCentreY - mInnerHeight / 2;
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
    painter.fillRect(event->rect(), QBrush(Qt::black, Qt::SolidPattern));
    DrawVisualiserView(painter);
    DrawBedObjects(painter);
    DrawDynamicObjects(painter);
}

void RenderArea::DrawVisualiserView(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(EdgePen());

    const QRect inner(mInnerLeft, mInnerTop, mInnerWidth, mInnerHeight);
    painter.fillRect(inner, QBrush(mInnerColor, Qt::SolidPattern));
    painter.drawRect(inner);

    // Depth rings grow outwards from the inner rectangle; the last one is the
    // room's outer frame and is drawn like the edges.
    float w = static_cast<float>(mInnerWidth) * mRingFactor;
    float h = static_cast<float>(mInnerHeight) * mRingFactor;
    float x = 0.0f;
    float y = 0.0f;
    for (int i = 0; i < mRingCount; ++i) {
        if (i > 0) {
            w *= mRingFactor;
            h *= mRingFactor;
        }
        x = static_cast<float>(mCentreX) - w * 0.5f;
        y = static_cast<float>(mCentreY) - h * 0.5f;
        if (i < mRingCount - 1)
            painter.setPen(QColor(Qt::white));
        else
            painter.setPen(EdgePen());
        mRings[i] = QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                          static_cast<int>(h));
        painter.drawRect(mRings[i]);
    }

    QLinearGradient gradient(0, 0, 100, 100);
    gradient.setColorAt(0.0, Qt::white);
    gradient.setColorAt(0.5, Qt::black);
    gradient.setColorAt(1.0, Qt::gray);
    painter.setBrush(gradient);
    painter.setPen(ScreenPen());
    if (mpScreenPoints)
        painter.drawPolygon(mpScreenPoints, 4, Qt::OddEvenFill);

    auto line = [&painter](float x1, float y1, float x2, float y2) {
        painter.drawLine(static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                         static_cast<int>(y2));
    };
    const float left = static_cast<float>(mInnerLeft);
    const float top = static_cast<float>(mInnerTop);
    const float right = static_cast<float>(mInnerLeft + mInnerWidth);
    const float bottom = static_cast<float>(mInnerTop + mInnerHeight);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(EdgePen());
    line(x, y, left, top);
    line(x + w, y, right, top);
    line(x, y + h, left, bottom);
    line(x + w, y + h, right, bottom);

    painter.setPen(GridPen());
    const float sW = w / 10.0f;
    const float sH = h / 6.0f;
    const int sw = mInnerWidth / 10;
    const int sh = mInnerHeight / 6;
    for (int i = 0; i < 10; ++i) {
        line(x + i * sW, y, left + static_cast<float>(i * sw), top);
        line(x + i * sW, y + h, left + static_cast<float>(i * sw), bottom);
    }
    for (int i = 0; i < 6; ++i) {
        line(x, y + i * sH, left, top + static_cast<float>(i * sh));
        line(x + w, y + i * sH, right, top + static_cast<float>(i * sh));
    }

    painter.setFont(MarkerFont(painter.font()));
    painter.setPen(QColor(Qt::yellow));
    painter.drawText(QRect(mCaptionLeft, mCaptionTop, mCaptionWidth, mCaptionHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter, mCaption);
}

void RenderArea::DrawMarker(QPainter& painter, const QVector3D& position, const QColor& fill,
                            bool bRound, const QString* pLabel) {
    const float z = position.z();
    // A zero scale draws nothing visible; skipping it also keeps a singular
    // transform away from the text layout.
    if (z == 0.0f || !std::isfinite(z))
        return;
    painter.save();
    const QPointF origin = RoomGeometry::PlaneOrigin(z);
    painter.translate(origin);
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
        painter.setPen(QColor(Qt::black));
        painter.drawText(marker, Qt::AlignHCenter | Qt::AlignVCenter, *pLabel);
    }
    painter.restore();
}

void RenderArea::DrawBedObjects(QPainter& painter) {
    painter.setFont(MarkerFont(painter.font()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!mpBedObjects)
        return;
    const QColor fill(127, 0, 255, 255);
    for (qsizetype i = 0; i < mpBedObjects->size(); ++i) {
        // Names may be missing or shorter than the positions: those squares go unlabelled.
        const QString* pLabel =
            (mpBedNames && i < mpBedNames->size()) ? &mpBedNames->at(i) : nullptr;
        DrawMarker(painter, mpBedObjects->at(i), fill, false, pLabel);
    }
}

void RenderArea::DrawDynamicObjects(QPainter& painter) {
    painter.setFont(MarkerFont(painter.font()));
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!mpDynamicObjects)
        return;
    const QColor fill(255, 0, 0, 255);
    for (qsizetype i = 0; i < mpDynamicObjects->size(); ++i) {
        const QString label = QString::number(i + 1);
        DrawMarker(painter, mpDynamicObjects->at(i), fill, true, &label);
    }
}
