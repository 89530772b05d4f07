#pragma once

#include <string>

bool BusDirectoryExists();

// Faults of the bus directory that would keep every link from working,
// each said once on standard output. The app runs on regardless: the links
// connect by themselves once the directory is there.
void ReportBusDirectoryFaults();

// One copy per bus directory: an exclusive lock on a file in it, held for the
// life of the object. The kernel drops the lock with the process, so a file
// left by a killed copy does not block the next start.
class cInstanceLock {
public:
    enum class eResult { Held, OtherCopy, Unavailable };

    cInstanceLock() = default;
    ~cInstanceLock();
    cInstanceLock(const cInstanceLock&) = delete;
    cInstanceLock& operator=(const cInstanceLock&) = delete;

    // OtherCopy: another copy holds it, and this says so with its PID.
    // Unavailable: no lock file can be made here (directory faults are said
    // by ReportBusDirectoryFaults); the app runs without the lock.
    eResult Acquire();

private:
    int mFd = -1;
    std::string mPath;
};
