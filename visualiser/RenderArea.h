#pragma once

#include "visualiser/MarkerSprites.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QRegion>
#include <QString>
#include <QTextLayout>
#include <QVector3D>
#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QPainter;
class QPaintEvent;

// Room geometry of the visualiser drawing, free of any painter: the painter
// and the checks use these same functions.
namespace RoomGeometry {
inline constexpr int kWidth = 472; // the drawing is built for this widget size
inline constexpr int kHeight = 266;
inline constexpr int kCentreX = kWidth / 2;
inline constexpr int kCentreY = kHeight / 2;
inline constexpr int kBaseWidth = 415; // the room's nearest plane at scale 1
inline constexpr int kBaseHeight = 234;
inline constexpr int kMarkerSize = 32; // marker side before scaling
inline constexpr int kRingCount = 10;  // the last ring is the room's outer frame
inline constexpr int kGridColumns = 10;
inline constexpr int kGridRows = 6;
inline constexpr QRect kCaptionRect{106, 244, 260, 30};

// Inner rectangle of the room for an inner factor (the far wall or the floor).
QRect InnerRect(float fInnerFactor);

// Depth ring i (0 = innermost), each fRingFactor times the one inside it,
// centred on the widget. Kept in float: the edges start at the outer one.
QRectF RingRect(const QRect& inner, float fRingFactor, int i);

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

// Widget pixels the marker of a display position may touch, antialiased edge
// and label included; empty for a marker that draws nothing.
QRect MarkerBounds(const QVector3D& position);
} // namespace RoomGeometry

// Draws the listening room in perspective, the screen, the bed speakers as
// labelled squares and the dynamic objects as numbered circles, from lists
// the visualiser page owns and hands over by pointer.
//
// Everything but the objects changes seldom, so it is drawn once into an
// image, drawn again only when one of its inputs differs from those it was
// drawn from (compared at every paint, since the page may change its lists in
// place), and a paint copies the part of that image it needs and blends the
// objects' sprites on top. The other view's image is kept, so a view change
// back and forth draws no room. A new object list repaints only where the objects that
// moved were and where they are now.
class RenderArea : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RenderArea)

public:
    static constexpr int kRingCount = RoomGeometry::kRingCount;

    explicit RenderArea(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    void SetScalingFactor(float fInnerFactor, float fRingFactor);
    void SetScreenPoints(QPointF* pPoints, const QColor& innerColor, QString viewName);
    void SetPresentationName(const QString& presentationName);
    void SetDynamicObjectList(QList<QVector3D>* pObjects);
    void SetBedObjectList(QList<QVector3D>* pBeds, QList<QString>* pNames);

    // Read back for checks and the page's own tests.
    QString Caption() const { return mCaption; }
    QRect InnerRectangle() const { return RoomGeometry::InnerRect(mInnerFactor); }
    float InnerFactor() const { return mInnerFactor; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // What the cached image is drawn from; the caption apart, as it has a
    // rectangle of its own to repaint.
    struct RoomInputs {
        float innerFactor = 0.0f;
        float ringFactor = 0.0f;
        bool hasScreen = false;
        std::array<QPointF, 4> screen{};
        QColor innerColor;
        bool hasBeds = false;
        QList<QVector3D> beds;
        bool hasNames = false;
        QList<QString> names;
        QSize size;
        qreal pixelRatio = 0.0;
        QFont font;
        bool operator==(const RoomInputs& other) const;
    };
    RoomInputs CurrentRoom() const;
    // Schedules the repaint a change of the cached layers needs, if any.
    void UpdateStatic();
    // Makes mStatic show the room: the other view's kept image, or one drawn anew.
    void SelectStatic(RoomInputs room);
    void DrawStatic();
    QList<QVector3D> Objects() const;
    const QTextLayout& ObjectLabel(int iNumber, const QFont& font);

    // The drawing steps, back to front; each paints one layer in its own save/restore.
    void DrawInnerRect(QPainter& painter, const QRect& inner) const;
    void DrawRings(QPainter& painter, const QRect& inner) const;
    void DrawScreen(QPainter& painter) const;
    void DrawEdgesAndGrid(QPainter& painter, const QRect& inner) const;
    void DrawCaption(QPainter& painter) const;
    void DrawBedObjects(QPainter& painter) const;
    void DrawDynamicObjects(QPainter& painter, const QRegion& area);
    static void DrawMarker(QPainter& painter, const QVector3D& position, const QColor& fill,
                           bool bRound, const QString* pLabel, const QTextLayout* pLayout,
                           const QRect& clip);

    QList<QVector3D>* mpDynamicObjects = nullptr; // not owned
    QList<QVector3D>* mpBedObjects = nullptr;     // not owned
    QList<QString>* mpBedNames = nullptr;         // not owned, parallel to the beds
    QPointF* mpScreenPoints = nullptr;            // 4 points, not owned
    QColor mInnerColor;
    float mInnerFactor = 0.5f; // front-view factors until the page switches
    float mRingFactor = 1.07f;
    QString mViewName;
    QString mCaption;

    struct RoomLayer {
        QImage image; // background to beds, caption included
        RoomInputs room;
        QString caption;
    };
    RoomLayer mStatic;              // the room on show
    RoomLayer mOtherView;           // the last other view's, kept for a switch back
    QList<QVector3D> mShownObjects; // as last handed over or painted
    QFont mLabelFont;               // the object labels below are laid out in it
    std::vector<std::unique_ptr<QTextLayout>> mObjectLabels; // "1", "2", ...
    cMarkerSprites mSprites;                                 // the objects' markers
};
