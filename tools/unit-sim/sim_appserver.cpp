// Role "appserver": stands in for the unit's application server, the process
// behind the web interface. It binds the PUB socket "appServer.ipc" and
// publishes one settings document: the active preset, the decoder settings or
// the meter scale selection.
//
// A PUB socket drops what it sends before a subscriber has joined, so by
// default the document goes out four times, 0.5 s apart (about 1.5 s in all),
// and the role then exits: a visualiser that is already running, or that
// connects within that time, gets it. With --repeat SECONDS it goes out every
// SECONDS until SIGINT/SIGTERM instead.
#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <czmq.h>

#include <cstdio>

namespace {

const char* const kSocketName = "appServer.ipc";

QJsonObject SampleMeter(const char* pSpeaker, const char* pType, const char* pConnector,
                        int iChannel) {
    return QJsonObject{{"VolumeDb", 0},
                       {"DelayMs", 0},
                       {"Speaker", pSpeaker},
                       {"Source", QJsonObject{{"Type", pType},
                                              {"ConnectorType", pConnector},
                                              {"Channel", iChannel},
                                              {"Cage", 1},
                                              {"Slot", 2},
                                              {"InputNo", 1}}}};
}

QJsonObject SampleDecoder(const QString& view) {
    return QJsonObject{
        {"DecoderConfig", QJsonObject{{"SpeakerConfig", "5.1.4"},
                                      {"StereoDownMixMode", "Auto"},
                                      {"VisualiserView", view},
                                      {"AtmosDecode", true},
                                      {"SurroundMix", false}}},
        {"DDPlusConfig", QJsonObject{{"CompressionMode", "Line"},
                                     {"CompressionCut", 1.0},
                                     {"CompressionBoost", 1.0}}},
        {"ED2Config", QJsonObject{{"AudioPresentation", 0}}},
        {"LoudnessConfig",
         QJsonObject{{"Preset", "ATSC"}, {"SpeechThreshold", 20}, {"DialogueIntelligence", true}}},
        {"IsDecModulePresent", true},
        {"DecModuleStatus", "Locked"},
    };
}

// A 5.1 programme from the Dolby decoder on meters 1-6 and a stereo AES pair
// on meters 7-8; the other meters are left unassigned.
QJsonObject SamplePreset(const QString& view) {
    const char* const speakers[] = {"Left",         "Right",        "Center", "LowFrequencyEffects",
                                    "LeftSurround", "RightSurround"};
    QJsonObject meters;
    for (int i = 0; i < 6; ++i)
        meters[QString::number(i + 1)] = SampleMeter(speakers[i], "Dolby E", "DolbyDecoder", i + 1);
    meters["7"] = SampleMeter("Left", "AES3", "BNC", 1);
    meters["8"] = SampleMeter("Right", "AES3", "BNC", 2);
    return QJsonObject{
        {"Clusters", QJsonArray{QJsonObject{{"FirstMeter", 1},
                                            {"NumberOfMeters", 6},
                                            {"MuteOnPresetRecall", true},
                                            {"Type", "5.1 Surround"},
                                            {"Name", "Programme"}},
                                QJsonObject{{"FirstMeter", 7},
                                            {"NumberOfMeters", 2},
                                            {"MuteOnPresetRecall", false},
                                            {"Type", "Stereo"},
                                            {"Name", "Commentary"}}}},
        {"MeterSet", meters},
        {"SystemClockSource", QJsonObject{{"Type", "Internal"}, {"ConnectorType", "None"}}},
        {"DolbyInputSource",
         QJsonObject{{"Type", "SDI"}, {"ConnectorType", "BNC"}, {"Pair", 1}, {"InputNo", 1}}},
        {"VideoSource", QJsonObject{{"Type", "SDI"}, {"ConnectorType", "BNC"}, {"InputNo", 1}}},
        {"DolbyDecoderConf", SampleDecoder(view)},
        {"Name",
         QJsonObject{{"Preset", "Evening News"}, {"Program", "News 5.1"}, {"Group", "Studio A"}}},
        {"Count", 1},
        {"Repub", false},
        {"SourceSelect", false},
        {"ApplyCdlb", true},
        {"ApplyDZMeterScreen", true},
    };
}

QJsonObject SampleScales() {
    return QJsonObject{{"Scale", "EBU"},
                       {"Ballistics", QJsonObject{{"Float", "IEC_TYPE_II"}, {"Bar", "PPM"}}},
                       {"OriginFromFp", false}};
}

// Sleeps in small steps so a stop request is seen at once.
void Pause(int milliseconds) {
    for (int waited = 0; waited < milliseconds && !Sim::Stopping(); waited += 20)
        QThread::msleep(20);
}

void Options(QCommandLineParser& parser) {
    parser.addPositionalArgument("what", "preset, decoder or scales.", "preset|decoder|scales");
    Sim::AddValue(parser, "file", "F", "Publish the text of F instead of the built-in sample.");
    Sim::AddValue(parser, "view", "V", "Room view of the built-in decoder settings.", "Top View");
    Sim::AddValue(parser, "repeat", "SECONDS", "Publish every SECONDS until stopped.");
}

int Run(const QCommandLineParser& args) {
    const QString kind = args.positionalArguments().value(0);
    const QString view = args.value("view");
    QString topic;
    QJsonObject sample;
    if (kind == "preset") {
        topic = "AppPresetConfiguration";
        sample = SamplePreset(view);
    } else if (kind == "decoder") {
        topic = "AppDolbyDecoderSettings";
        sample = SampleDecoder(view);
    } else if (kind == "scales") {
        topic = "AppMeterScalesSelect";
        sample = SampleScales();
    } else {
        std::fprintf(stderr, "appserver: say what to publish: preset, decoder or scales\n");
        return 2;
    }

    QByteArray payload = QJsonDocument(sample).toJson(QJsonDocument::Compact);
    const QString file = args.value("file");
    if (!file.isEmpty()) {
        QFile input(file);
        if (!input.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "appserver: cannot read %s\n", qPrintable(file));
            return 1;
        }
        // Sent as it is, even when it is not valid JSON: that is a test too.
        payload = input.readAll().trimmed();
    }

    bool bRepeatOk = true;
    const QString repeatText = args.value("repeat");
    const double repeatSeconds = repeatText.isEmpty() ? 0.0 : repeatText.toDouble(&bRepeatOk);
    if (!bRepeatOk || repeatSeconds < 0.0) {
        std::fprintf(stderr, "appserver: --repeat wants a number of seconds\n");
        return 2;
    }

    QDir().mkpath(QString::fromLocal8Bit(BusEndpoints::MqDir()));
    const std::string endpoint = BusEndpoints::Ipc(kSocketName);
    zsock_t* pSocket = zsock_new(ZMQ_PUB);
    if (!pSocket)
        return 1;
    zsock_set_linger(pSocket, 500); // let the last send leave before the socket goes
    if (zsock_bind(pSocket, "%s", endpoint.c_str()) < 0) {
        std::fprintf(stderr, "appserver: cannot bind %s\n", endpoint.c_str());
        zsock_destroy(&pSocket);
        return 1;
    }
    Sim::Say(QStringLiteral("appserver: bound %1").arg(QString::fromStdString(endpoint)));

    const QByteArray topicBytes = topic.toUtf8();
    const int periodMs = repeatSeconds > 0.0 ? static_cast<int>(repeatSeconds * 1000.0) : 500;
    const int sends = repeatSeconds > 0.0 ? -1 : 4;
    for (int sent = 0; !Sim::Stopping() && (sends < 0 || sent < sends); ++sent) {
        if (sent > 0)
            Pause(periodMs);
        if (Sim::Stopping())
            break;
        zstr_sendm(pSocket, topicBytes.constData());
        zstr_send(pSocket, payload.constData());
        Sim::Say(QStringLiteral("appserver: %1 sent %2 (%3 bytes)")
                     .arg(Sim::NowMs())
                     .arg(topic)
                     .arg(payload.size()));
    }
    zsock_destroy(&pSocket);
    return 0;
}

SimRoleRegistration gRegistration(
    "appserver",
    SimRole{"application server: preset, decoder settings or meter scales on appServer.ipc",
            "preset   the active preset (AppPresetConfiguration), a built-in 5.1 + stereo one\n"
            "decoder  the decoder settings (AppDolbyDecoderSettings)\n"
            "scales   the meter scale selection (AppMeterScalesSelect)\n"
            "Without --repeat the document goes out 4 times over 1.5 s, so a subscriber that\n"
            "has just connected still gets it, and the role exits.",
            Options, Run});

} // namespace
