#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>
#include <QVector3D>
#include <QWidget>

class QPainter;
class QPaintEvent;

// Room geometry of the visualiser drawing, free of any painter so that the
// projection can be checked on its own.
namespace RoomGeometry {
inline constexpr int kWidth = 472; // the drawing is built for this widget size
inline constexpr int kHeight = 266;
inline constexpr int kCentreX = kWidth / 2;
inline constexpr int kCentreY = kHeight / 2;
inline constexpr int kBaseWidth = 415; // the room's nearest plane at scale 1
inline constexpr int kBaseHeight = 234;
inline constexpr int kMarkerSize = 32; // marker side before scaling

// Inner rectangle of the room for an inner factor (the far wall or the floor).
QRect InnerRect(float fInnerFactor);

// Translation that shrinks the nearest plane by fScale about the widget centre.
QPointF PlaneOrigin(float fScale);

// Marker centre inside the shrunk plane, before the scale is applied. The
// division by 200 is done in floating point so that +1 lands on the far edge
// of the plane, as -1 lands on the near one.
QPointF MarkerPlanePoint(const QVector3D& position);

// Centre of the marker of a display position, in widget coordinates.
QPointF MarkerCentre(const QVector3D& position);

// Side of the marker of a display position, in widget pixels.
qreal MarkerSide(const QVector3D& position);
} // namespace RoomGeometry

// Draws the listening room in perspective, the screen, the bed speakers as
// labelled squares and the dynamic objects as numbered circles, from lists
// the visualiser page owns and hands over by pointer.
class RenderArea : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenderArea)

public:
    static constexpr int kRingCount = 10;

    explicit RenderArea(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void SetScalingFactor(float fInnerFactor, float fRingFactor);
    void SetScreenPoints(QPointF* pPoints, const QColor& innerColor, QString viewName);
    void SetPresentationName(QString presentationName);
    void SetDynamicObjectList(QList<QVector3D>* pObjects);
    void SetBedObjectList(QList<QVector3D>* pBeds, QList<QString>* pNames);

    // Read back for checks and the page's own tests.
    QString Caption() const { return mCaption; }
    QString ViewName() const { return mViewName; }
    QRect InnerRectangle() const { return QRect(mInnerLeft, mInnerTop, mInnerWidth, mInnerHeight); }
    QRect RingRectangle(int i) const { return mRings[i]; }
    float InnerFactor() const { return mInnerFactor; }
    float RingFactor() const { return mRingFactor; }
    QColor InnerColor() const { return mInnerColor; }
    const QList<QVector3D>* DynamicObjects() const { return mpDynamicObjects; }
    const QList<QVector3D>* BedObjects() const { return mpBedObjects; }
    const QList<QString>* BedNames() const { return mpBedNames; }
    const QPointF* ScreenPoints() const { return mpScreenPoints; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawVisualiserView(QPainter& painter);
    void DrawBedObjects(QPainter& painter);
    void DrawDynamicObjects(QPainter& painter);
    void DrawMarker(QPainter& painter, const QVector3D& position, const QColor& fill, bool bRound,
                    const QString* pLabel);

    QList<QVector3D>* mpDynamicObjects = nullptr; // not owned
    QList<QVector3D>* mpBedObjects = nullptr;     // not owned
    QList<QString>* mpBedNames = nullptr;         // not owned, parallel to the beds
    QPointF* mpScreenPoints = nullptr;            // 4 points, not owned
    QColor mInnerColor;
    int mRingCount = kRingCount;
    int mCentreX = RoomGeometry::kCentreX;
    int mCentreY = RoomGeometry::kCentreY;
    int mBaseWidth = RoomGeometry::kBaseWidth;
    int mBaseHeight = RoomGeometry::kBaseHeight;
    int mInnerWidth = 207; // front-view factors until the page switches
    int mInnerHeight = 117;
    int mInnerLeft = 133;
    int mInnerTop = 75;
    int mCaptionLeft = 106;
    int mCaptionTop = 244;
    int mCaptionWidth = 260;
    int mCaptionHeight = 30;
    QRect mRings[kRingCount];
    float mInnerFactor = 0.5f;
    float mRingFactor = 1.07f;
    QString mViewName;
    QString mCaption;
};
