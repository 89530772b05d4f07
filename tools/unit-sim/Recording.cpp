#include "tools/unit-sim/Recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace Recording {
namespace {

void PutLe(std::string* pOut, std::uint64_t uValue, int iBytes) {
    for (int i = 0; i < iBytes; ++i)
        pOut->push_back(static_cast<char>((uValue >> (8 * i)) & 0xff));
}

std::uint64_t GetLe(const unsigned char* pData, int iBytes) {
    std::uint64_t uValue = 0;
    for (int i = iBytes - 1; i >= 0; --i)
        uValue = (uValue << 8) | pData[i];
    return uValue;
}

// Little-endian base-128, 7 bits a byte: most frame lengths fit one byte.
void PutVarint(std::string* pOut, std::uint64_t uValue) {
    while (uValue >= 0x80) {
        pOut->push_back(static_cast<char>((uValue & 0x7f) | 0x80));
        uValue >>= 7;
    }
    pOut->push_back(static_cast<char>(uValue));
}

// Walks a record body; every read checks the bytes left.
class cBody {
public:
    cBody(const unsigned char* pData, std::size_t uSize) : mpData(pData), muLeft(uSize) {}
    std::size_t Left() const { return muLeft; }
    bool Fixed(int iBytes, std::uint64_t* pValue) {
        if (muLeft < static_cast<std::size_t>(iBytes))
            return false;
        *pValue = GetLe(mpData, iBytes);
        Skip(static_cast<std::size_t>(iBytes));
        return true;
    }
    bool Varint(std::uint64_t* pValue) {
        *pValue = 0;
        for (int shift = 0; shift < 35; shift += 7) { // at most 32 bits
            if (muLeft == 0)
                return false;
            const unsigned char byte = *mpData;
            Skip(1);
            *pValue |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
            if (!(byte & 0x80)) // one way to write each number: no trailing zero bytes
                return (byte != 0 || shift == 0) &&
                       *pValue <= std::numeric_limits<std::uint32_t>::max();
        }
        return false;
    }
    bool Bytes(std::uint64_t uCount, std::string* pOut) {
        if (uCount > muLeft)
            return false;
        pOut->assign(reinterpret_cast<const char*>(mpData), static_cast<std::size_t>(uCount));
        Skip(static_cast<std::size_t>(uCount));
        return true;
    }

private:
    void Skip(std::size_t uCount) {
        mpData += uCount;
        muLeft -= uCount;
    }
    const unsigned char* mpData;
    std::size_t muLeft;
};

bool ParseBody(const std::string& body, cMessage* pMessage) {
    cBody in(reinterpret_cast<const unsigned char*>(body.data()), body.size());
    std::uint64_t uNameSize = 0;
    std::uint64_t uFrames = 0;
    if (!in.Fixed(8, &pMessage->uTimeUs) || !in.Fixed(1, &uNameSize) || uNameSize == 0 ||
        !in.Bytes(uNameSize, &pMessage->endpoint) || !in.Varint(&uFrames) || uFrames > in.Left())
        return false;
    pMessage->frames.assign(static_cast<std::size_t>(uFrames), std::string());
    for (std::string& frame : pMessage->frames) {
        std::uint64_t uSize = 0;
        if (!in.Varint(&uSize) || !in.Bytes(uSize, &frame))
            return false;
    }
    return in.Left() == 0;
}

} // namespace

std::size_t cMessage::Bytes() const {
    std::size_t uBytes = 0;
    for (const std::string& frame : frames)
        uBytes += frame.size();
    return uBytes;
}

std::uint32_t Crc32(const void* pData, std::size_t uSize) {
    static const auto table = [] {
        std::vector<std::uint32_t> entries(256);
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            entries[i] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xffffffffu;
    const auto* pByte = static_cast<const unsigned char*>(pData);
    for (std::size_t i = 0; i < uSize; ++i)
        crc = table[(crc ^ pByte[i]) & 0xff] ^ (crc >> 8);
    return crc ^ 0xffffffffu;
}

std::string EncodeHeader(std::int64_t iStartMs) {
    std::string header(kMagic, sizeof kMagic);
    PutLe(&header, kVersion, 4);
    PutLe(&header, static_cast<std::uint64_t>(iStartMs), 8);
    return header;
}

std::string EncodeRecord(const cMessage& message) {
    std::string body;
    PutLe(&body, message.uTimeUs, 8);
    const std::string name = message.endpoint.substr(0, 255);
    body.push_back(static_cast<char>(name.size()));
    body += name;
    PutVarint(&body, message.frames.size());
    for (const std::string& frame : message.frames) {
        PutVarint(&body, frame.size());
        body += frame;
    }
    std::string record;
    record.reserve(kRecordPrefixSize + body.size());
    PutLe(&record, body.size(), 4);
    PutLe(&record, Crc32(body.data(), body.size()), 4);
    return record + body;
}

cWriter::~cWriter() {
    Close();
}

bool cWriter::Open(const std::string& path, std::int64_t iStartMs, std::string* pError) {
    Close();
    mFd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (mFd < 0) {
        *pError = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    muBytes = 0;
    if (!WriteAll(EncodeHeader(iStartMs))) {
        *pError = "cannot write " + path + ": " + std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

bool cWriter::WriteAll(const std::string& bytes) {
    std::size_t uDone = 0;
    while (uDone < bytes.size()) {
        const ssize_t written = ::write(mFd, bytes.data() + uDone, bytes.size() - uDone);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        uDone += static_cast<std::size_t>(written);
    }
    muBytes += uDone;
    return true;
}

bool cWriter::Write(const cMessage& message) {
    return mFd >= 0 && WriteAll(EncodeRecord(message));
}

void cWriter::Sync() {
    if (mFd >= 0)
        ::fdatasync(mFd);
}

void cWriter::Close() {
    if (mFd < 0)
        return;
    ::fdatasync(mFd);
    ::close(mFd);
    mFd = -1;
}

bool cReader::Open(std::FILE* pFile, std::string* pError) {
    mpFile = pFile;
    muOffset = muRecords = 0;
    mStopReason.clear();
    muSize = std::numeric_limits<std::uint64_t>::max(); // unknown for a pipe
    if (std::fseek(pFile, 0, SEEK_END) == 0) {
        const long size = std::ftell(pFile);
        if (size >= 0)
            muSize = static_cast<std::uint64_t>(size);
    }
    std::rewind(pFile);
    unsigned char header[kHeaderSize];
    const std::size_t uRead = std::fread(header, 1, sizeof header, pFile);
    if (uRead < sizeof kMagic || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
        *pError = "not a recording: it does not start with \"BRISVREC\"";
        return false;
    }
    if (uRead < sizeof header) {
        *pError = "not a recording: its header is cut short";
        return false;
    }
    const std::uint64_t uVersion = GetLe(header + 8, 4);
    if (uVersion != kVersion) {
        *pError = "recording format " + std::to_string(uVersion) +
                  " is not known here (this reads " + std::to_string(kVersion) + ")";
        return false;
    }
    miStartMs = static_cast<std::int64_t>(GetLe(header + 12, 8));
    muOffset = kHeaderSize;
    return true;
}

cReader::eNext cReader::Stop(eNext why, const char* pReason) {
    mStopReason = pReason;
    return why;
}

cReader::eNext cReader::Next(cMessage* pMessage) {
    if (!mpFile)
        return Stop(eNext::Damaged, "no file");
    unsigned char prefix[kRecordPrefixSize];
    const std::size_t uRead = std::fread(prefix, 1, sizeof prefix, mpFile);
    if (uRead == 0 && std::feof(mpFile))
        return eNext::End;
    if (uRead < sizeof prefix)
        return Stop(eNext::Truncated, "a record's length is cut short");
    const std::uint64_t uBody = GetLe(prefix, 4);
    const std::uint64_t uCrc = GetLe(prefix + 4, 4);
    if (uBody > kMaxBody)
        return Stop(eNext::Damaged, "a record claims an impossible length");
    // Known before allocating, so a damaged length costs nothing.
    const std::uint64_t uAfterPrefix = muOffset + kRecordPrefixSize;
    if (muSize >= uAfterPrefix && uBody > muSize - uAfterPrefix)
        return Stop(eNext::Truncated, "the last record is cut short");
    std::string body(static_cast<std::size_t>(uBody), '\0');
    if (std::fread(body.data(), 1, body.size(), mpFile) != body.size())
        return Stop(eNext::Truncated, "the last record is cut short");
    if (Crc32(body.data(), body.size()) != uCrc)
        return Stop(eNext::Damaged, "a record fails its checksum");
    cMessage message;
    if (!ParseBody(body, &message))
        return Stop(eNext::Damaged, "a record does not parse");
    *pMessage = std::move(message);
    muOffset += kRecordPrefixSize + uBody;
    ++muRecords;
    return eNext::Message;
}

std::string cReader::StopText() const {
    return "stopped at byte " + std::to_string(muOffset) + " after " + std::to_string(muRecords) +
           " whole records: " + mStopReason;
}

} // namespace Recording
