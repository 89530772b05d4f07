#pragma once

#include "Common/Utility/Logger/Include/Logger.h"

#include <QString>

#include <cstdint>

enum PictureType_e : std::int32_t {
    PICTURE_NONE = 0,
    PICTURE_INTERLACED = 1,
    PICTURE_PROGRESSIVE = 2,
};

enum SdiRxMode_e : std::int32_t {
    SDI_RX_NONE = 0,
    SDI_RX_SD = 1,
    SDI_RX_HD = 2,
    SDI_RX_3G = 3,
    SDI_RX_6G = 4,
    SDI_RX_12G = 5,
    SDI_RX_12G_ALT = 6, // the receiver reports 12G under two codes
};

enum SdiFrameFormats_e : std::int32_t {
    SDI_FORMAT_1080 = 0,
    SDI_FORMAT_720 = 1,
    SDI_FORMAT_2048 = 2,
    SDI_FORMAT_1080P = 3,
    SDI_FORMAT_NTSC = 8,
    SDI_FORMAT_PAL = 9,
};

enum SdiLockState_e : std::int32_t {
    SDI_LOCK_UNKNOWN = 0, // raw status 0: nothing decoded
    SDI_LOCK_LOCKED = 1,
    SDI_LOCK_UNLOCKED = 2,
};

// Decodes the SDI receiver's 32-bit status register into the fields the
// front panel shows, and forms their display texts.
class cSdiStatusParser {
public:
    virtual ~cSdiStatusParser() = default;
    virtual int Encode() = 0;

    void DecodeStatus();

    QString GetChannelRxModeString() const;
    QString GetFrameFormatString() const;
    QString GetPictureTypeString() const;
    QString GetFrameRateString() const;
    // "<mode>/<format><picture>/<rate>", e.g. "HD/1080i/50Hz" or "12G/2160p/59.94Hz".
    QString GetFormatSummary() const;

    std::uint32_t RawStatus = 0;
    std::int32_t LockState = SDI_LOCK_UNKNOWN;
    bool Interlaced = false;
    std::int32_t PictureType = PICTURE_NONE;
    std::int32_t RxMode = SDI_RX_NONE;
    std::int32_t Level3G = 0; // 1 or 2 for 3G, 0 otherwise
    std::int32_t FrameFormat = SDI_FORMAT_1080;
    std::int32_t RateCode = 0;
    double FrameRate = 1.0; // frames per second, doubled for interlaced pictures
    double PixelClock = 148.5;
    std::int32_t LinkCount = 1;
    bool Is1001 = false; // the 1/1.001 rate family
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    static inline Logger* mpLogger = nullptr;
    static inline MsgLevel_e mLogLevel = LEVEL_INFO;

protected:
    cSdiStatusParser() = default;
    cSdiStatusParser(const cSdiStatusParser&) = default;
    cSdiStatusParser& operator=(const cSdiStatusParser&) = default;
};

// The receiver of the front panel's SDI input.
class cSignalStatus : public cSdiStatusParser {
public:
    // Nothing to send back to the receiver.
    int Encode() override { return 0; }
};
