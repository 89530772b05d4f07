#include "bus/NewestOnlyGate.h"

#include <utility>

cNewestOnlyGate::cNewestOnlyGate(Check check, Report report)
    : mCheck(std::move(check)), mReport(std::move(report)) {}

cNewestOnlyGate::~cNewestOnlyGate() {
    zmsg_destroy(&mpHeld);
}

void cNewestOnlyGate::Offer(zmsg_t* pMessage, std::int64_t nowMs) {
    if (!pMessage)
        return;
    const int fault = mCheck ? mCheck(pMessage) : 0;
    if (fault != 0 && mpHeld && mbHeldValid) {
        const auto reported = mReportedAt.find(fault);
        if (reported == mReportedAt.end() || nowMs - reported->second >= mPeriodMs) {
            mReportedAt[fault] = nowMs;
            if (mReport)
                mReport(pMessage);
        }
        zmsg_destroy(&pMessage);
        return;
    }
    if (mpHeld) {
        zmsg_destroy(&mpHeld);
        if (mStale++ == 0)
            mFirstStale = nowMs;
    } else {
        mHeldSince = nowMs;
    }
    mpHeld = pMessage;
    mbHeldValid = fault == 0;
}

std::int64_t cNewestOnlyGate::DueAt() const {
    if (!mpHeld)
        return -1;
    if (mLastOut < 0)
        return mHeldSince;
    return mLastOut + mPeriodMs;
}

zmsg_t* cNewestOnlyGate::TakeDue(std::int64_t nowMs) {
    if (!mpHeld)
        return nullptr;
    // Without the tolerance one late message would hold back every later
    // one; a message that must wait waits the whole period, so a faster
    // publisher still gets one message a period.
    const std::int64_t early = mPeriodMs / kToleranceDivisor;
    if (mLastOut >= 0 && nowMs < mLastOut + mPeriodMs - early)
        return nullptr;
    mLastOut = nowMs;
    return std::exchange(mpHeld, nullptr);
}

unsigned cNewestOnlyGate::TakeStaleReport(std::int64_t nowMs) {
    if (mStale == 0 || nowMs < mFirstStale + kStaleReportMs)
        return 0;
    return std::exchange(mStale, 0u);
}
