#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The file a bus recording is kept in (docs/RECORDING.md): a 20-byte header,
// then one length-prefixed, checksummed record per message. Every record is
// written whole with one write, so a file cut short by a power loss reads up
// to its last whole record. Plain C++ so the fuzzer takes it alone.
namespace Recording {

inline constexpr char kMagic[8] = {'B', 'R', 'I', 'S', 'V', 'R', 'E', 'C'};
inline constexpr std::uint32_t kVersion = 1;
inline constexpr std::size_t kHeaderSize = 20;
inline constexpr std::size_t kRecordPrefixSize = 8; // body length, body CRC-32
// Larger bodies are damage, not messages: the bus carries a few kilobytes.
inline constexpr std::uint32_t kMaxBody = 64u << 20;

struct cMessage {
    std::uint64_t uTimeUs = 0; // receive time, microseconds after the header's start
    std::string endpoint;      // the endpoint's short name, e.g. "ed2" or "peer"
    std::vector<std::string> frames;

    std::size_t Bytes() const;
};

// The record of a message, prefix included, as it goes to the file.
std::string EncodeRecord(const cMessage& message);
std::string EncodeHeader(std::int64_t iStartMs);
std::uint32_t Crc32(const void* pData, std::size_t uSize);

// Appends records to a file; each Write is one write(2) of the whole record.
class cWriter {
public:
    cWriter() = default;
    ~cWriter();
    cWriter(const cWriter&) = delete;
    cWriter& operator=(const cWriter&) = delete;

    bool Open(const std::string& path, std::int64_t iStartMs, std::string* pError);
    bool Write(const cMessage& message);
    // Asks the disk to keep what was written so far.
    void Sync();
    void Close();
    std::uint64_t Bytes() const { return muBytes; }

private:
    bool WriteAll(const std::string& bytes);
    int mFd = -1;
    std::uint64_t muBytes = 0;
};

// Reads records in order from any file, however damaged: Next stops at the
// first record that is not whole and says where.
class cReader {
public:
    enum class eNext { Message, End, Truncated, Damaged };

    // False, with a line saying why, when the file is not a recording of a
    // version this reader knows. The file stays the caller's.
    bool Open(std::FILE* pFile, std::string* pError);
    eNext Next(cMessage* pMessage);

    std::int64_t StartMs() const { return miStartMs; }
    // Byte offset just after the last whole record read.
    std::uint64_t Offset() const { return muOffset; }
    std::uint64_t Records() const { return muRecords; }
    std::uint64_t FileSize() const { return muSize; }
    // Where and why the last Next stopped early, for the console.
    std::string StopText() const;

private:
    eNext Stop(eNext why, const char* pReason);

    std::FILE* mpFile = nullptr;
    std::int64_t miStartMs = 0;
    std::uint64_t muSize = 0;
    std::uint64_t muOffset = 0;
    std::uint64_t muRecords = 0;
    std::string mStopReason;
};

} // namespace Recording
