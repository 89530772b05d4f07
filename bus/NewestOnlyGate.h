#pragma once

#include <czmq.h>

#include <cstdint>
#include <functional>
#include <map>

// The newest-only gate of a state stream: of the messages offered, only the
// newest that could be shown is handed out, at most once per period. It reads
// no clock of its own: every call is given the time in milliseconds, so a
// test drives it without sleeping.
class cNewestOnlyGate {
public:
    // 0 when the message could be shown, else the kind of its fault.
    using Check = std::function<int(zmsg_t* pMessage)>;
    // Prints the console line of a refused message.
    using Report = std::function<void(zmsg_t* pMessage)>;

    // A message at the period's own rate comes a little early or late: one
    // this much of a period early is handed out all the same.
    static constexpr int kToleranceDivisor = 8;
    static constexpr std::int64_t kStaleReportMs = std::int64_t{60} * 1000;

    cNewestOnlyGate(Check check, Report report);
    ~cNewestOnlyGate();
    cNewestOnlyGate(const cNewestOnlyGate&) = delete;
    cNewestOnlyGate& operator=(const cNewestOnlyGate&) = delete;

    void SetPeriod(unsigned uPeriodMs) { mPeriodMs = uPeriodMs; }
    unsigned Period() const { return mPeriodMs; }

    // Takes the message. A newer one supersedes the one held unless it could
    // not be shown and the held one could: then it is refused, its line
    // printed at most once per kind of fault per period.
    void Offer(zmsg_t* pMessage, std::int64_t nowMs);
    bool Holding() const { return mpHeld != nullptr; }
    // Forgets the message held, as a closed socket does.
    void Drop() { zmsg_destroy(&mpHeld); }
    // How long the message held has waited.
    std::int64_t HeldFor(std::int64_t nowMs) const { return mpHeld ? nowMs - mHeldSince : 0; }
    // The held message if it is due now (the caller owns it), else null.
    zmsg_t* TakeDue(std::int64_t nowMs);
    // When the held message falls due; -1 when nothing is held.
    std::int64_t DueAt() const;

    // When the stale count is to be reported (a minute after its first
    // message); -1 when nothing was skipped.
    std::int64_t StaleReportAt() const { return mStale ? mFirstStale + kStaleReportMs : -1; }
    // The count to report, and a fresh count, once the report is due; else 0.
    unsigned TakeStaleReport(std::int64_t nowMs);

private:
    Check mCheck;
    Report mReport;
    zmsg_t* mpHeld = nullptr;
    bool mbHeldValid = false;
    std::int64_t mHeldSince = 0;
    std::int64_t mLastOut = -1; // when the last message was handed out
    unsigned mPeriodMs = 0;
    unsigned mStale = 0;
    std::int64_t mFirstStale = 0;
    std::map<int, std::int64_t> mReportedAt; // per kind of fault
};
