#include "bus/ZmtpParser.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr unsigned char kMore = 0x01;
constexpr unsigned char kLong = 0x02;
constexpr unsigned char kCommandFlag = 0x04;
constexpr const char kMechanism[] = "NULL";
constexpr std::size_t kMechanismAt = 12;
constexpr std::size_t kMechanismBytes = 20;

} // namespace

cZmtpParser::cZmtpParser(std::size_t uMaxFrameBytes)
    : mMaxFrameBytes(std::max<std::size_t>(uMaxFrameBytes, kGreetingBytes)) {
    mGathered.reserve(kGreetingBytes);
}

void cZmtpParser::Reset() {
    mpPiece = nullptr;
    mSize = mAt = 0;
    mGathered.clear();
    mbClearGathered = false;
    mState = eState::kGreeting;
    mPeerMinor = -1;
    mTaken = mFrameAt = 0;
    mpFault = nullptr;
}

void cZmtpParser::Feed(const void* pData, std::size_t size) {
    mpPiece = static_cast<const unsigned char*>(pData);
    mSize = size;
    mAt = 0;
}

cZmtpParser::eStep cZmtpParser::Failed(const char* pWhy) {
    mState = eState::kFaulted;
    mpFault = pWhy;
    return eStep::kFault;
}

bool cZmtpParser::Gather(std::size_t uWant) {
    const std::size_t take = std::min(uWant - mGathered.size(), mSize - mAt);
    mGathered.insert(mGathered.end(), mpPiece + mAt, mpPiece + mAt + take);
    mAt += take;
    mTaken += take;
    return mGathered.size() == uWant;
}

cZmtpParser::eStep cZmtpParser::Emit(const unsigned char* pData, std::size_t size, sFrame* pFrame) {
    *pFrame = {pData, size, mbMore};
    mState = eState::kFlags;
    return mbCommand ? eStep::kCommand : eStep::kFrame;
}

cZmtpParser::eStep cZmtpParser::Next(sFrame* pFrame) {
    if (mbClearGathered) {
        mGathered.clear();
        mbClearGathered = false;
    }
    // Most frames are short and lie whole in the piece: read them at once.
    if (mState == eState::kFlags && mSize - mAt >= 2) {
        const unsigned char flags = mpPiece[mAt];
        const std::size_t body = mpPiece[mAt + 1];
        const bool bCommand = flags & kCommandFlag;
        const bool bMore = flags & kMore;
        if ((flags & ~(kMore | kCommandFlag)) == 0 && !(bMore && bCommand) &&
            body <= mMaxFrameBytes && mSize - mAt - 2 >= body) {
            *pFrame = {mpPiece + mAt + 2, body, bMore};
            mFrameAt = mTaken;
            mTaken += 2 + body;
            mAt += 2 + body;
            return bCommand ? eStep::kCommand : eStep::kFrame;
        }
    }
    for (;;) {
        if (mState == eState::kFaulted)
            return eStep::kFault;
        // A frame of no bytes needs none from the piece.
        if (mAt == mSize && !(mState == eState::kBody && mBodyBytes == 0))
            return eStep::kNeedMore;
        switch (mState) {
        case eState::kGreeting: {
            if (!Gather(kGreetingBytes))
                return eStep::kNeedMore;
            const unsigned char* g = mGathered.data();
            mbClearGathered = true;
            if (g[0] != 0xFF || (g[9] & 0x01) == 0)
                return Failed("not the bus protocol");
            if (g[10] < 3)
                return Failed("a bus protocol version before 3");
            if (std::memcmp(g + kMechanismAt, kMechanism, sizeof kMechanism) != 0)
                return Failed("a security mechanism other than none");
            mPeerMinor = g[11];
            mState = eState::kFlags;
            return eStep::kGreeting;
        }
        case eState::kFlags: {
            const unsigned char flags = mpPiece[mAt++];
            mFrameAt = mTaken++;
            if (flags & ~(kMore | kLong | kCommandFlag))
                return Failed("a frame with unknown flags");
            mbMore = flags & kMore;
            mbCommand = flags & kCommandFlag;
            if (mbMore && mbCommand)
                return Failed("a command marked as followed");
            mSizeBytes = (flags & kLong) ? 8 : 1;
            mState = eState::kSize;
            break;
        }
        case eState::kSize: {
            if (!Gather(mSizeBytes))
                return eStep::kNeedMore;
            mBodyBytes = 0;
            for (unsigned char byte : mGathered)
                mBodyBytes = (mBodyBytes << 8) | byte;
            mGathered.clear();
            if (mBodyBytes > mMaxFrameBytes)
                return Failed("a frame over the bound");
            mState = eState::kBody;
            break;
        }
        case eState::kBody: {
            const std::size_t body = std::size_t(mBodyBytes);
            // Whole in this piece: read where it lies.
            if (mGathered.empty() && mSize - mAt >= body) {
                const unsigned char* pAt = mpPiece + mAt;
                mAt += body;
                mTaken += body;
                return Emit(pAt, body, pFrame);
            }
            if (!Gather(body))
                return eStep::kNeedMore;
            mbClearGathered = true;
            return Emit(mGathered.data(), body, pFrame);
        }
        case eState::kFaulted:
            return eStep::kFault;
        }
    }
}

std::string cZmtpParser::CommandName(const sFrame& command) {
    if (command.size == 0 || command.pData[0] >= command.size)
        return {};
    return std::string(reinterpret_cast<const char*>(command.pData) + 1, command.pData[0]);
}

std::string cZmtpParser::Greeting() {
    std::string greeting(kGreetingBytes, '\0');
    greeting[0] = char(0xFF);
    greeting[9] = char(0x7F);
    greeting[10] = 3;
    greeting[11] = 1;
    greeting.replace(kMechanismAt, sizeof kMechanism - 1, kMechanism);
    static_assert(kMechanismAt + kMechanismBytes < kGreetingBytes);
    return greeting; // as-server and filler: zero
}

std::string cZmtpParser::DataFrame(const std::string& data, bool bMore) {
    std::string frame(1, char(bMore ? kMore : 0));
    if (data.size() > 255) {
        frame[0] = char(frame[0] | kLong);
        for (int shift = 56; shift >= 0; shift -= 8)
            frame += char((std::uint64_t(data.size()) >> shift) & 0xFF);
    } else {
        frame += char(data.size());
    }
    return frame + data;
}

std::string cZmtpParser::Command(const std::string& name, const std::string& data) {
    std::string frame = DataFrame(char(name.size()) + name + data, false);
    frame[0] = char(frame[0] | kCommandFlag);
    return frame;
}
