#pragma once

#include "app/PageBase.h"
#include "messages/JsonParseDolbyDecoderSettings.h"
#include "visualiser/DolbyED2PaTypes.h"

#include <QList>
#include <QMap>
#include <QPointF>
#include <QString>
#include <QVector3D>

class RenderArea;

// Object coordinates to display positions, free of any widget.
namespace VisualiserProjection {
inline constexpr int kTopView = 1;
inline constexpr int kFrontView = 0;

// Display position of an object at x (left/right), y (rear/front), z
// (floor/ceiling) in the view: seen from above, or from the back of the room.
QVector3D ObjectPosition(float x, float y, float z, int iView);
} // namespace VisualiserProjection

// The visualiser page: turns each ED2 personalisation record into the
// positions of the selected presentation's beds and objects for the current
// view, and hands them to its render area.
class cPageDolbyVisualiser : public cPageBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cPageDolbyVisualiser)

public:
    explicit cPageDolbyVisualiser(QWidget* parent = nullptr);

    // Channel name of the speaker's source, or null (after an error line)
    // when the source is outside the channel-name table.
    const char* GetTargetNameFromSources(dlb_pwk_pa_speaker speaker);
    void MapBedObjects();
    void SetScreenView();

    RenderArea* Area() const { return mpRenderArea; }
    int View() const { return mView; }
    const QList<QVector3D>& DynamicObjects() const { return mDynamicObjects; }
    const QList<QVector3D>& BedObjects() const { return mBedObjects; }
    const QList<QString>& BedNames() const { return mBedNames; }
    const QMap<QString, QVector3D>& BedMap() const { return mBedMap; }

public slots:
    void sltSetDolbyED2Data(dlb_pwk_pa_status* pStatus);
    void sltSetDolbyDecoderMode(DolbyDecoderSettings_s* pSettings);
    void sltResetDolbyGrid(bool bReset);
    void sltSetVisualiserView(const char* pcView);

private:
    void SwitchView(const QString& view);

    RenderArea* mpRenderArea = nullptr; // child of the page
    std::int32_t mView = VisualiserProjection::kTopView;
    dlb_pwk_pa_status* mpLastStatus = nullptr; // owned by the ED2 subscriber
    QList<QVector3D> mDynamicObjects;
    QList<QVector3D> mBedObjects;
    QList<QString> mBedNames;
    QMap<QString, QVector3D> mBedMap;
    QPointF mScreenPoints[4];
};
