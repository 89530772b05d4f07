#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The bus protocol as a TCP publisher speaks it (version 3, no security):
// a 64-byte greeting, then frames, each one part of a message or a command.
// Bytes are fed as the link brings them, cut anywhere; a frame that lies
// whole in a piece is read where it lies, one cut across pieces is gathered.
// Nothing is kept beyond one frame, and no frame beyond the bound.
class cZmtpParser {
public:
    enum class eStep {
        kNeedMore, // the piece is used up
        kGreeting, // the peer's greeting, read and fit
        kFrame,    // a part of a message
        kCommand,  // a command: its name's length, its name, its data
        kFault,    // not the protocol, or a frame over the bound; see Fault()
    };
    struct sFrame {
        const unsigned char* pData = nullptr;
        std::size_t size = 0;
        bool bMore = false;
    };

    static constexpr std::size_t kGreetingBytes = 64;

    explicit cZmtpParser(std::size_t uMaxFrameBytes);

    // A new link: the greeting comes first again.
    void Reset();
    // The next piece of the link; the piece before must be used up. The
    // bytes must stay until Next says so.
    void Feed(const void* pData, std::size_t size);
    // A frame's bytes stay valid until the next call.
    eStep Next(sFrame* pFrame);
    bool PieceUsed() const { return mAt == mSize; }

    const char* Fault() const { return mpFault; }
    // The peer's minor version, once its greeting is read.
    int PeerMinor() const { return mPeerMinor; }
    // Every byte taken from the link since the last reset, and that count
    // where the last frame began.
    std::uint64_t Taken() const { return mTaken; }
    std::uint64_t FrameAt() const { return mFrameAt; }

    // A command's name, or empty when it has none.
    static std::string CommandName(const sFrame& command);

    // What this end sends: its greeting (version 3.1, no security), a
    // command, and a frame of a message.
    static std::string Greeting();
    static std::string Command(const std::string& name, const std::string& data);
    static std::string DataFrame(const std::string& data, bool bMore);

private:
    enum class eState { kGreeting, kFlags, kSize, kBody, kFaulted };

    eStep Failed(const char* pWhy);
    // Gathers up to uWant bytes; true once they are all there.
    bool Gather(std::size_t uWant);
    eStep Emit(const unsigned char* pData, std::size_t size, sFrame* pFrame);

    std::size_t mMaxFrameBytes;
    const unsigned char* mpPiece = nullptr;
    std::size_t mSize = 0;
    std::size_t mAt = 0;
    std::vector<unsigned char> mGathered;
    bool mbClearGathered = false; // a frame handed out from mGathered
    eState mState = eState::kGreeting;
    std::size_t mSizeBytes = 0;
    std::uint64_t mBodyBytes = 0;
    bool mbMore = false;
    bool mbCommand = false;
    int mPeerMinor = -1;
    std::uint64_t mTaken = 0;
    std::uint64_t mFrameAt = 0;
    const char* mpFault = nullptr;
};
