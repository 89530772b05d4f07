#include "messages/SdiStatusParser.h"

namespace {
const char* const kLogUnit = "SdiStatusParser.cpp";

constexpr std::uint32_t Bits(std::uint32_t uWord, unsigned uFirst, unsigned uCount) {
    return (uWord >> uFirst) & ((1u << uCount) - 1u);
}

struct RateEntry {
    std::int32_t code;
    double rate;
};

// Picture rate codes of the SDI payload identifier; the 1/1.001 rates are
// kept rounded to two decimals.
constexpr RateEntry kRates[] = {
    {2, 23.98}, {3, 24.0}, {4, 47.95}, {5, 25.0},   {6, 29.97},
    {7, 30.0},  {8, 48.0}, {9, 50.0},  {10, 59.94}, {11, 60.0},
};
constexpr std::int32_t kUnknownRateCode = 15;
} // namespace

Logger* cSdiStatusParser::mpLogger = nullptr;
MsgLevel_e cSdiStatusParser::mLogLevel = LEVEL_INFO;

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

    switch (Bits(RawStatus, 10, 3)) {
    case 0:
        RxMode = SDI_RX_HD;
        break;
    case 1:
        RxMode = SDI_RX_SD;
        break;
    case 2:
        RxMode = SDI_RX_3G;
        Level3G = Bits(RawStatus, 13, 1) ? 2 : 1;
        break;
    case 4:
        RxMode = SDI_RX_6G;
        break;
    case 5:
        RxMode = SDI_RX_12G;
        break;
    case 6:
        RxMode = SDI_RX_12G_ALT;
        break;
    default:
        RxMode = SDI_RX_NONE;
        break;
    }

    switch (Bits(RawStatus, 4, 4)) {
    case 0:
        FrameFormat = SDI_FORMAT_1080;
        Width = 1920;
        Height = 1080;
        break;
    case 1:
        FrameFormat = SDI_FORMAT_720;
        Width = 1280;
        Height = 720;
        break;
    case 2:
        FrameFormat = SDI_FORMAT_2048;
        Width = 2048;
        Height = 1080;
        break;
    case 3:
        FrameFormat = SDI_FORMAT_1080P;
        Width = 1920;
        Height = 1080;
        break;
    case 8:
        FrameFormat = SDI_FORMAT_NTSC;
        Width = 720;
        Height = 486;
        break;
    case 9:
        FrameFormat = SDI_FORMAT_PAL;
        Width = 720;
        Height = 576;
        break;
    default:
        break;
    }

    const auto code = static_cast<std::int32_t>(Bits(RawStatus, 0, 4));
    RateCode = kUnknownRateCode;
    FrameRate = 1.0;
    for (const RateEntry& entry : kRates) {
        if (entry.code == code) {
            RateCode = entry.code;
            FrameRate = entry.rate;
            break;
        }
    }
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
    switch (RxMode) {
    case SDI_RX_SD:
        return QStringLiteral("SD");
    case SDI_RX_HD:
        return QStringLiteral("HD");
    case SDI_RX_3G:
        return QStringLiteral("3G");
    case SDI_RX_6G:
        return QStringLiteral("6G");
    case SDI_RX_12G:
    case SDI_RX_12G_ALT:
        return QStringLiteral("12G");
    default:
        return QStringLiteral("Invalid");
    }
}

QString cSdiStatusParser::GetFrameFormatString() const {
    switch (FrameFormat) {
    case SDI_FORMAT_1080:
    case SDI_FORMAT_2048:
        return QStringLiteral("1080");
    case SDI_FORMAT_720:
        return QStringLiteral("720");
    case SDI_FORMAT_1080P:
        return QStringLiteral("1080p");
    case SDI_FORMAT_NTSC:
        return QStringLiteral("NTSC");
    case SDI_FORMAT_PAL:
        return QStringLiteral("PAL");
    default:
        return {};
    }
}

QString cSdiStatusParser::GetPictureTypeString() const {
    // The standard-definition names already say how the picture is scanned.
    if (FrameFormat == SDI_FORMAT_NTSC || FrameFormat == SDI_FORMAT_PAL)
        return {};
    switch (PictureType) {
    case PICTURE_INTERLACED:
        return QStringLiteral("i");
    case PICTURE_PROGRESSIVE:
        return QStringLiteral("p");
    default:
        return {};
    }
}

QString cSdiStatusParser::GetFrameRateString() const {
    return QString::number(FrameRate, 'g', 4) + QStringLiteral("Hz");
}

QString cSdiStatusParser::GetFormatSummary() const {
    QString mode;
    QString picture;
    if (RxMode == SDI_RX_6G || RxMode == SDI_RX_12G || RxMode == SDI_RX_12G_ALT) {
        mode = GetChannelRxModeString();
        picture = QStringLiteral("2160") + GetPictureTypeString();
    } else {
        mode = FrameFormat == SDI_FORMAT_2048 ? QStringLiteral("2K") : GetChannelRxModeString();
        picture = GetFrameFormatString() + GetPictureTypeString();
    }
    return mode + QLatin1Char('/') + picture + QLatin1Char('/') + GetFrameRateString();
}
