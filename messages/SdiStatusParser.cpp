#include "messages/SdiStatusParser.h"

#include <iterator>

namespace {
const char* const kLogUnit = "SdiStatusParser.cpp";

constexpr std::uint32_t Bits(std::uint32_t uWord, unsigned uFirst, unsigned uCount) {
    return (uWord >> uFirst) & ((1u << uCount) - 1u);
}

// The tables below map a field of the status word to what it stands for;
// a code missing from a table decodes to nothing.
template <class Entry, std::size_t N>
constexpr const Entry* Lookup(const Entry (&table)[N], std::int64_t code) {
    for (const Entry& entry : table)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

// Bits 10 to 12: the receiver mode; 3 and 7 are none.
constexpr SdiRxMode_e kRxModes[8] = {SDI_RX_HD, SDI_RX_SD,  SDI_RX_3G,      SDI_RX_NONE,
                                     SDI_RX_6G, SDI_RX_12G, SDI_RX_12G_ALT, SDI_RX_NONE};
constexpr const char* kRxModeNames[] = {"Invalid", "SD", "HD", "3G", "6G", "12G", "12G"};

// Bits 4 to 7: the frame format (its code is its value) and its size.
struct FrameEntry {
    std::int32_t code;
    std::int32_t width;
    std::int32_t height;
    const char* pName;
};
constexpr FrameEntry kFrames[] = {
    {SDI_FORMAT_1080, 1920, 1080, "1080"}, {SDI_FORMAT_720, 1280, 720, "720"},
    {SDI_FORMAT_2048, 2048, 1080, "1080"}, {SDI_FORMAT_1080P, 1920, 1080, "1080p"},
    {SDI_FORMAT_NTSC, 720, 486, "NTSC"},   {SDI_FORMAT_PAL, 720, 576, "PAL"},
};

// Bits 0 to 3: the picture rate codes of the SDI payload identifier; the
// 1/1.001 rates are kept rounded to two decimals.
struct RateEntry {
    std::int32_t code;
    double rate;
};
constexpr RateEntry kRates[] = {
    {2, 23.98}, {3, 24.0}, {4, 47.95}, {5, 25.0},   {6, 29.97},
    {7, 30.0},  {8, 48.0}, {9, 50.0},  {10, 59.94}, {11, 60.0},
};
constexpr std::int32_t kUnknownRateCode = 15;

bool Is2160(std::int32_t iRxMode) {
    return iRxMode == SDI_RX_6G || iRxMode == SDI_RX_12G || iRxMode == SDI_RX_12G_ALT;
}
} // namespace

void cSdiStatusParser::DecodeStatus() {
    LockState = SDI_LOCK_UNKNOWN;
    PictureType = PICTURE_NONE;
    RxMode = SDI_RX_NONE;
    Level3G = 0;
    FrameFormat = SDI_FORMAT_1080;
    RateCode = 0;
    Interlaced = false;
    Width = 0;
    Height = 0;
    FrameRate = 1.0;
    if (RawStatus == 0)
        return;

    if (Bits(RawStatus, 9, 1) == 0) {
        LockState = SDI_LOCK_UNLOCKED;
        CLASS_LOG(cSdiStatusParser, LEVEL_INFO, "SDI receiver not locked (0x%08x).", RawStatus);
        return;
    }
    LockState = SDI_LOCK_LOCKED;
    if (Bits(RawStatus, 8, 1)) {
        PictureType = PICTURE_PROGRESSIVE;
    } else {
        PictureType = PICTURE_INTERLACED;
        Interlaced = true;
    }

    RxMode = kRxModes[Bits(RawStatus, 10, 3)];
    if (RxMode == SDI_RX_3G)
        Level3G = Bits(RawStatus, 13, 1) ? 2 : 1;

    if (const FrameEntry* pFrame = Lookup(kFrames, Bits(RawStatus, 4, 4))) {
        FrameFormat = pFrame->code;
        Width = pFrame->width;
        Height = pFrame->height;
    }

    const RateEntry* pRate = Lookup(kRates, Bits(RawStatus, 0, 4));
    RateCode = pRate ? pRate->code : kUnknownRateCode;
    FrameRate = pRate ? pRate->rate : 1.0;
    if (Interlaced)
        FrameRate *= 2.0; // two fields make one frame

    Is1001 = Bits(RawStatus, 15, 1) != 0;
    PixelClock = Is1001 ? 148.35 : 148.5;
    LinkCount = 1 << Bits(RawStatus, 16, 3);

    CLASS_LOG(cSdiStatusParser, LEVEL_INFO,
              "SDI 0x%08x: mode %d, format %d (%dx%d), rate code %d, %.2f fps, %d link(s).",
              RawStatus, RxMode, FrameFormat, Width, Height, RateCode, FrameRate, LinkCount);
}

QString cSdiStatusParser::GetChannelRxModeString() const {
    const bool bKnown = RxMode >= 0 && RxMode < static_cast<std::int32_t>(std::size(kRxModeNames));
    return QString::fromLatin1(kRxModeNames[bKnown ? RxMode : 0]);
}

QString cSdiStatusParser::GetFrameFormatString() const {
    const FrameEntry* pFrame = Lookup(kFrames, FrameFormat);
    return pFrame ? QString::fromLatin1(pFrame->pName) : QString();
}

QString cSdiStatusParser::GetPictureTypeString() const {
    // The standard-definition names already say how the picture is scanned.
    if (FrameFormat == SDI_FORMAT_NTSC || FrameFormat == SDI_FORMAT_PAL)
        return {};
    if (PictureType == PICTURE_INTERLACED)
        return QStringLiteral("i");
    return PictureType == PICTURE_PROGRESSIVE ? QStringLiteral("p") : QString();
}

QString cSdiStatusParser::GetFrameRateString() const {
    return QString::number(FrameRate, 'g', 4) + QStringLiteral("Hz");
}

QString cSdiStatusParser::GetFormatSummary() const {
    QString mode = GetChannelRxModeString();
    QString picture = GetFrameFormatString();
    if (Is2160(RxMode))
        picture = QStringLiteral("2160");
    else if (FrameFormat == SDI_FORMAT_2048)
        mode = QStringLiteral("2K");
    return mode + QLatin1Char('/') + picture + GetPictureTypeString() + QLatin1Char('/') +
           GetFrameRateString();
}
