#pragma once

#include "bus/ZmqSubPeer.h"
#include "bus/ZmqSubWebBaseDolby.h"
#include "tools/unit-sim/Recording.h"
#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/ZmqSubDolbyED2PaData.h"

#include <QImage>

#include <map>
#include <string>

// The visualiser page fed from recorded messages instead of sockets. Each
// message goes to the subscriber of its endpoint as the listener would hand
// it out, and the subscribers are wired to the page as the app's window
// wires them, so the page draws what the app would have drawn.
class cPagePlayer {
public:
    cPagePlayer();
    cPagePlayer(const cPagePlayer&) = delete;
    cPagePlayer& operator=(const cPagePlayer&) = delete;

    // False when a subscriber could not be wired.
    bool Ready() const { return mbReady; }
    // Hands the message to its subscriber; false for an endpoint whose
    // messages never change the page.
    bool Apply(const Recording::cMessage& message);
    // What the app's window shows of the page now, 472 x 266.
    QImage Picture();

private:
    cZmqSubDolbyED2PaData mEd2;
    cZmqSubPeer mPeer;
    cZmqSubWebBaseDolby mAppServer;
    cPageDolbyVisualiser mPage; // after the subscribers: it keeps the ED2 record's address
    std::map<std::string, cZmqQtListenerBase*> mSubscribers;
    bool mbReady = true;
};
