#pragma once

#include "bus/ZmqQtListenerBase.h"
#include "visualiser/DolbyED2PaTypes.h"

// Receives the decoder board's ED2 personalisation events over TCP and keeps
// the latest one in a record it owns; the signal hands out that record.
class cZmqSubDolbyED2PaData : public cZmqQtListenerBase {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqSubDolbyED2PaData)

public:
    static constexpr unsigned short kPollMs = 100;

    explicit cZmqSubDolbyED2PaData(QObject* parent = nullptr);

    void SetupAndRun(const char* pAddress);
    const dlb_pwk_pa_status& Status() const { return mStatus; }

signals:
    void sigDolbyED2PaData(dlb_pwk_pa_status* status);

protected slots:
    // The event is decoded whole, frame by frame, not routed by topic.
    void sltNewMessage(zmsg_t* msg) override;

private:
    dlb_pwk_pa_status mStatus{};
};
