#pragma once

// The visualiser page shown on the offscreen platform and fed a busy moving
// scene, one frame of a chosen kind at a time. Painting goes through Qt's own
// repaint of the window, so a frame costs what the app's GUI thread pays.
#include "visualiser/DolbyED2Frames.h"
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPaintEvent>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

class cBusyScene : public QObject {
public:
    enum class Kind {
        Full,        // the objects move and the whole area is repainted
        ViewChange,  // the view switches, so the room and the beds change too
        ObjectsOnly, // the objects move, as after an event: the area repaints what it asks for
        SomeObjects, // the same, with 4 of the 16 objects moving and the rest standing still
        Event,       // one ED2 event from its frames: decode, lists, paint
        Stream,      // the objects move as in the unit simulator's scene at 10 Hz, never repeating
        // Anchors for the event's first steps, on the GUI thread without a paint:
        Walk,   // the bare walk over the event's frames, each frame's size and data looked at
        Decode, // the frames decoded into the record
        Lists,  // the record turned into the page's lists and handed to the render area
    };
    static constexpr int kScenes = 10; // moving positions, cycled
    // Frames before counting: one round of the cycle, so caches are filled and layouts made.
    static constexpr int kWarmUp = kScenes;
    static constexpr int kStreamFrames = 6000; // ten minutes of the stream kind, then again

    explicit cBusyScene(Kind kind) : mKind(kind) {
        for (int k = 0; k < kScenes; ++k) {
            mScenes[k] = Scene(k, mKind == Kind::SomeObjects ? 4 : 16);
            if (mKind == Kind::Event || mKind == Kind::Walk || mKind == Kind::Decode)
                mMessages[k] = DolbyED2Frames::Encode(mScenes[k]);
        }
        if (mKind == Kind::Stream) {
            mRecord = Scene(0);
            for (int k = 0; k < kStreamFrames; ++k)
                mStream.push_back(Animated(0.1 * k));
        }
        mPage.resize(RoomGeometry::kWidth, RoomGeometry::kHeight);
        mPage.Area()->installEventFilter(this);
        mPage.sltSetVisualiserView("Top View");
        mPage.sltSetDolbyED2Data(&mScenes[0]);
        mPage.show();
        while (!mPage.windowHandle()->isExposed())
            QCoreApplication::processEvents();
        for (int i = 0; i < kWarmUp; ++i)
            Frame();
        mPaints = 0;
        mPixels = 0;
    }
    ~cBusyScene() override {
        for (zmsg_t*& pMessage : mMessages)
            zmsg_destroy(&pMessage);
    }
    Q_DISABLE_COPY_MOVE(cBusyScene)

    void Frame() {
        const int k = ++mFrame % kScenes;
        switch (mKind) {
        case Kind::Full:
            mPage.sltSetDolbyED2Data(&mScenes[k]);
            mPage.Area()->update();
            break;
        case Kind::ViewChange:
            mPage.sltSetVisualiserView(mFrame % 2 ? "Front View" : "Top View");
            break;
        case Kind::ObjectsOnly:
        case Kind::SomeObjects:
            mPage.sltSetDolbyED2Data(&mScenes[k]);
            break;
        case Kind::Event:
            DolbyED2Frames::Decode(mMessages[k], &mRecord);
            mPage.sltSetDolbyED2Data(&mRecord);
            break;
        case Kind::Walk:
            for (zframe_t* pFrame = zmsg_first(mMessages[k]); pFrame;
                 pFrame = zmsg_next(mMessages[k]))
                if (const std::size_t size = zframe_size(pFrame))
                    mWalked += size + *zframe_data(pFrame);
            return;
        case Kind::Decode:
            DolbyED2Frames::Decode(mMessages[k], &mRecord);
            return;
        case Kind::Lists:
            mPage.sltSetDolbyED2Data(&mScenes[k]);
            return; // the repaint it asks for waits
        case Kind::Stream: {
            const auto& objects = mStream[static_cast<std::size_t>(mFrame % kStreamFrames)];
            std::copy(objects.cbegin(), objects.cend(), mRecord.presentations[0].objects);
            mPage.sltSetDolbyED2Data(&mRecord);
            break;
        }
        }
        QCoreApplication::processEvents();
    }

    std::size_t Walked() const { return mWalked; }
    // Paint events and painted pixels since the warm-up.
    int Paints() const { return mPaints; }
    long long Pixels() const { return mPixels; }

    // 16 presentations of 16 beds (every channel) and 16 objects; frame k
    // moves the first iMoving objects round the room and up and down.
    static dlb_pwk_pa_status Scene(int k, int iMoving = 16) {
        dlb_pwk_pa_status status{};
        status.valid = 1;
        for (int p = 0; p < 16; ++p) {
            dlb_pwk_pa_presentation& pres = status.presentations[p];
            std::snprintf(pres.name, sizeof pres.name, "Full Object Mix %d", p);
            pres.num_speakers = 16;
            pres.num_objects = 16;
            for (int i = 0; i < 16; ++i) {
                pres.speakers[i].source = i + 1;
                const int frame = i < iMoving ? k : 0;
                const float a = 0.3927f * static_cast<float>(i) + 0.2f * static_cast<float>(frame);
                pres.objects[i].x = 0.8f * std::cos(a);
                pres.objects[i].y = 0.8f * std::sin(a);
                pres.objects[i].z = 0.5f + 0.5f * std::sin(a + static_cast<float>(frame));
            }
        }
        return status;
    }

    // The unit simulator's animated objects at t seconds (its Ed2Scene): 16 circling the room
    // at speeds and heights of their own.
    static std::array<dlb_pwk_pa_object, 16> Animated(double t) {
        std::array<dlb_pwk_pa_object, 16> objects{};
        for (int i = 0; i < 16; ++i) {
            const double angle = t * (0.4 + 0.15 * i) + 2.0 * 3.14159265358979 * i / 16;
            const double radius = 0.55 + 0.35 * std::sin(0.3 * t + i);
            objects[i].x = static_cast<float>(radius * std::cos(angle));
            objects[i].y = static_cast<float>(radius * std::sin(angle));
            objects[i].z = static_cast<float>(0.5 + 0.5 * std::sin(0.7 * t + 1.3 * i));
        }
        return objects;
    }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override {
        if (pEvent->type() == QEvent::Paint) {
            ++mPaints;
            for (const QRect& rect : static_cast<QPaintEvent*>(pEvent)->region())
                mPixels += static_cast<long long>(rect.width()) * rect.height();
        }
        return QObject::eventFilter(pWatched, pEvent);
    }

private:
    Kind mKind;
    cPageDolbyVisualiser mPage;
    std::array<dlb_pwk_pa_status, kScenes> mScenes{};
    std::array<zmsg_t*, kScenes> mMessages{};
    std::vector<std::array<dlb_pwk_pa_object, 16>> mStream;
    dlb_pwk_pa_status mRecord{}; // overwritten by every event, as the subscriber's is
    int mFrame = 0;
    std::size_t mWalked = 0; // what the walk read, so that it is not left out
    int mPaints = 0;
    long long mPixels = 0;
};
