// Feeds arbitrary bytes, as one NUL-terminated text, to every parse
// operation of the peer message parsers. The parsers live across inputs, as
// they do in the subscriber, so kept values are exercised too.
#include "messages/JsonParseFpMessages.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t uSize) {
    static cJsonParseFpAppMessages app;
    static cJsonParseMeterScaleInfo scale;
    static cJsonParseDoRiduyZoom zoom;
    static cJsonParseResetDolbyGridMsg grid;
    static cJsonParseVisualiserView view;
    static cJsonParseFpSwitchVideo video;
    static cJsonParseMute mute;
    static cJsonParseAudioSpeakerRoutes routes;

    const std::string text(reinterpret_cast<const char*>(pData), uSize);
    const char* pText = text.c_str();
    // Defaults drawn from the input so both sides of every range test run.
    const unsigned uDefault = uSize ? pData[0] : 0u;

    app.ParseAppMessage(pText);
    scale.ParseMeterScaleInfo(pText);
    zoom.ParseDolbyZoom(pText, uSize % 2 ? 0xFFFFFFFFul : uDefault);
    zoom.ParseDolbyLoudnessRstMsg(pText);
    zoom.ParseDolbyED2Presentation(pText, uDefault);
    zoom.ParseDolbyEProgramNum(pText, uDefault);
    grid.ParseResetDolbyGridMsg(pText);
    view.ParseSetVisualiserView(pText);
    video.ParseAppVideoMessage(pText);
    mute.ParseSwitchVideo(pText, uDefault & 1u);
    mute.ParseMutes(pText, uDefault);
    routes.ParseAudioSpeakerTypes(pText, static_cast<AudioSpeakerType_e>(uDefault % 24));
    routes.SetAudioSpeakerRoute(uDefault % 20, uDefault);
    return 0;
}
