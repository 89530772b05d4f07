#include "visualiser/PageDolbyVisualiser.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"
#include "visualiser/DolbyED2Channels.h"
#include "visualiser/RenderArea.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct BedPosition {
    const char* pName;
    QVector3D top;
    QVector3D front;
};

const BedPosition kBedPositions[] = {
    {"L", {-1.0f, -1.0f, 0.68f}, {-1.0f, 1.0f, 0.5f}},
    {"R", {1.0f, -1.0f, 0.68f}, {1.0f, 1.0f, 0.5f}},
    {"C", {0.0f, -1.0f, 0.68f}, {0.0f, 1.0f, 0.5f}},
    {"LFE", {-0.13f, -1.0f, 0.68f}, {-0.13f, 1.0f, 0.5f}},
    {"Ls", {-1.0f, 1.0f, 0.68f}, {-1.0f, 1.0f, 1.0f}},
    {"Rs", {1.0f, 1.0f, 0.68f}, {1.0f, 1.0f, 1.0f}},
    {"Ltf", {-1.0f, -1.0f, 1.0f}, {-1.0f, -1.0f, 0.5f}},
    {"Rtf", {1.0f, -1.0f, 1.0f}, {1.0f, -1.0f, 0.5f}},
    {"Ltr", {-1.0f, 1.0f, 1.0f}, {-1.0f, -1.0f, 1.0f}},
    {"Rtr", {1.0f, 1.0f, 1.0f}, {1.0f, -1.0f, 1.0f}},
};

struct ViewSettings {
    const char* pName;
    QPointF screen[4];
    QColor inner;
    float innerFactor;
    float ringFactor;
};

const ViewSettings& Settings(int iView) {
    static const ViewSettings top{"Top View",
                                  {{155, 25}, {316, 25}, {298, 45}, {174, 45}},
                                  QColor(0, 0, 0, 255),
                                  0.7f,
                                  1.037f};
    static const ViewSettings front{"Front View",
                                    {{165, 110}, {307, 110}, {307, 160}, {165, 160}},
                                    QColor(92, 8, 99, 255),
                                    0.5f,
                                    1.07f};
    return iView == VisualiserProjection::kTopView ? top : front;
}

// Coordinates beyond this are no position a decoder would report; drawing
// them would only load the rasteriser.
constexpr float kSaneCoordinate = 8.0f;

bool Sane(float value) {
    return std::isfinite(value) && std::fabs(value) <= kSaneCoordinate;
}

} // namespace

namespace VisualiserProjection {
QVector3D ObjectPosition(float x, float y, float z, int iView) {
    // Not-finite or absurd coordinates give the object an invisible (zero
    // scale) marker: it stays in the list so the later ones keep their numbers.
    if (!Sane(x) || !Sane(y) || !Sane(z))
        return QVector3D(0.0f, 0.0f, 0.0f);
    if (iView == kTopView)
        return QVector3D(x, -y, 0.7f + 0.3f * z);
    return QVector3D(x, 1.0f - 2.0f * z, 0.75f - 0.25f * y);
}
} // namespace VisualiserProjection

cPageDolbyVisualiser::cPageDolbyVisualiser(QWidget* parent) : cPageBase(parent) {
    mpRenderArea = new RenderArea(this);
    // No layout: the area sits at the page's top-left corner at its own size.
    mpRenderArea->resize(mpRenderArea->sizeHint());
    mView = VisualiserProjection::kTopView;
    MapBedObjects();
    SetScreenView();
}

const char* cPageDolbyVisualiser::GetTargetNameFromSources(dlb_pwk_pa_speaker speaker) {
    if (speaker.source < 0 || speaker.source >= static_cast<int>(DolbyED2Channels::kNames.size())) {
        KeldError("Index %d or in GetTargetNameFromSources.\n", speaker.source);
        return nullptr;
    }
    return DolbyED2Channels::kNames[static_cast<std::size_t>(speaker.source)];
}

void cPageDolbyVisualiser::MapBedObjects() {
    mBedMap.clear();
    for (const BedPosition& bed : kBedPositions)
        mBedMap.insert(QString::fromLatin1(bed.pName),
                       mView == VisualiserProjection::kTopView ? bed.top : bed.front);
}

void cPageDolbyVisualiser::SetScreenView() {
    const ViewSettings& settings = Settings(mView);
    std::copy(std::begin(settings.screen), std::end(settings.screen), mScreenPoints);
    mpRenderArea->SetScreenPoints(mScreenPoints, settings.inner,
                                  QString::fromLatin1(settings.pName));
}

void cPageDolbyVisualiser::sltSetDolbyED2Data(dlb_pwk_pa_status* pStatus) {
    if (!pStatus) {
        mDynamicObjects.clear();
        mBedObjects.clear();
        mBedNames.clear();
        mpRenderArea->SetDynamicObjectList(&mDynamicObjects);
        mpRenderArea->SetBedObjectList(&mBedObjects, &mBedNames);
        mpRenderArea->update();
        return;
    }
    mpLastStatus = pStatus;
    mDynamicObjects.clear();
    mBedObjects.clear();
    mBedNames.clear();

    // The record holds 16 presentations of 16 speakers and 16 objects. A
    // selected index beyond them shows an empty room, like a record without
    // data; counts beyond them are cut to 16.
    if (pStatus->valid == 0 || pStatus->selected_presentation >= DLB_PWK_PA_MAX_PRESENTATIONS) {
        mpRenderArea->SetDynamicObjectList(&mDynamicObjects);
        mpRenderArea->SetBedObjectList(&mBedObjects, &mBedNames);
        return;
    }
    const dlb_pwk_pa_presentation& presentation =
        pStatus->presentations[pStatus->selected_presentation];

    const std::uint32_t objectCount =
        std::min<std::uint32_t>(presentation.num_objects, DLB_PWK_PA_MAX_OBJECTS);
    for (std::uint32_t i = 0; i < objectCount; ++i) {
        const dlb_pwk_pa_object& object = presentation.objects[i];
        mDynamicObjects.append(
            VisualiserProjection::ObjectPosition(object.x, object.y, object.z, mView));
    }

    const std::uint32_t speakerCount =
        std::min<std::uint32_t>(presentation.num_speakers, DLB_PWK_PA_MAX_SPEAKERS);
    for (std::uint32_t i = 0; i < speakerCount; ++i) {
        const dlb_pwk_pa_speaker& speaker = presentation.speakers[i];
        const QString name = QString::fromLatin1(GetTargetNameFromSources(speaker));
        mBedObjects.append(mBedMap[name]); // channels without a place sit at (0, 0, 0)
        mBedNames.append(QString::fromLatin1(GetTargetNameFromSources(speaker)));
    }

    mpRenderArea->SetDynamicObjectList(&mDynamicObjects);
    mpRenderArea->SetBedObjectList(&mBedObjects, &mBedNames);
    // The name need not be terminated when the record did not come off the wire.
    const char* pName = presentation.name;
    mpRenderArea->SetPresentationName(QString::fromLatin1(
        pName, static_cast<qsizetype>(strnlen(pName, sizeof presentation.name))));
}

void cPageDolbyVisualiser::SwitchView(const QString& view) {
    // "Auto" and anything else: the top view, the room left as it is drawn.
    mView = VisualiserProjection::kTopView;
    for (const int iView : {VisualiserProjection::kTopView, VisualiserProjection::kFrontView}) {
        const ViewSettings& settings = Settings(iView);
        if (view == QLatin1String(settings.pName)) {
            mView = iView;
            mpRenderArea->SetScalingFactor(settings.innerFactor, settings.ringFactor);
        }
    }
    MapBedObjects();
    SetScreenView();
}

void cPageDolbyVisualiser::sltSetDolbyDecoderMode(DolbyDecoderSettings_s* pSettings) {
    if (!pSettings)
        return;
    const char* pView = pSettings->VisualiserView;
    SwitchView(QString::fromLatin1(
        pView, static_cast<qsizetype>(strnlen(pView, sizeof pSettings->VisualiserView))));
    // Beds sit at fixed places, so they follow the new view at once; objects
    // keep the old view's positions until the next event brings coordinates.
    // Looked up without inserting: unplaced channels stay at (0, 0, 0).
    for (qsizetype i = 0; i < mBedObjects.size() && i < mBedNames.size(); ++i)
        mBedObjects[i] = mBedMap.value(mBedNames.at(i));
    mpRenderArea->update();
}

void cPageDolbyVisualiser::sltSetVisualiserView(const char* pcView) {
    // A null text is no known view: it selects the top view like any other.
    SwitchView(pcView ? QString::fromLatin1(pcView) : QString());
    sltSetDolbyED2Data(mpLastStatus);
}

void cPageDolbyVisualiser::sltResetDolbyGrid(bool bReset) {
    if (bReset) {
        mpRenderArea->SetDynamicObjectList(nullptr);
        mpRenderArea->SetBedObjectList(nullptr, &mBedNames);
    } else {
        mpRenderArea->SetDynamicObjectList(&mDynamicObjects);
        mpRenderArea->SetBedObjectList(&mBedObjects, &mBedNames);
    }
    mpRenderArea->update();
}
