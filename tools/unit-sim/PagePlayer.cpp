#include "tools/unit-sim/PagePlayer.h"

#include "visualiser/RenderArea.h"

#include <czmq.h>

cPagePlayer::cPagePlayer()
    : mSubscribers{{"ed2", &mEd2}, {"peer", &mPeer}, {"appserver", &mAppServer}} {
    mPeer.SetupParsers();
    mAppServer.SetupParsers();
    // The hand-over each subscriber makes for itself when it opens its socket.
    for (const auto& [name, pSubscriber] : mSubscribers)
        mbReady &= pSubscriber->Wire();
    // What the window connects to the page; the rest of its wiring moves the
    // window, not the picture.
    mbReady &= bool(QObject::connect(&mEd2, &cZmqSubDolbyED2PaData::sigDolbyED2PaData, &mPage,
                                     &cPageDolbyVisualiser::sltSetDolbyED2Data));
    mbReady &= bool(QObject::connect(&mPeer, &cZmqSubPeer::sigResetDolbyGrid, &mPage,
                                     &cPageDolbyVisualiser::sltResetDolbyGrid));
    mbReady &= bool(QObject::connect(&mAppServer, &cZmqSubWebBaseDolby::sigDolbyDecoderSettings,
                                     &mPage, &cPageDolbyVisualiser::sltSetDolbyDecoderMode));
    mbReady &= bool(QObject::connect(&mPeer, &cZmqSubPeer::sigSetVisualiserView, &mPage,
                                     &cPageDolbyVisualiser::sltSetVisualiserView));
}

bool cPagePlayer::Apply(const Recording::cMessage& message) {
    const auto found = mSubscribers.find(message.endpoint);
    if (found == mSubscribers.end())
        return false;
    zmsg_t* pMessage = zmsg_new();
    for (const std::string& frame : message.frames)
        zmsg_addmem(pMessage, frame.data(), frame.size());
    emit found->second->sigMessageReceived(pMessage);
    zmsg_destroy(&pMessage);
    return true;
}

QImage cPagePlayer::Picture() {
    return mPage.grab(QRect(QPoint(0, 0), mPage.Area()->sizeHint()))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
