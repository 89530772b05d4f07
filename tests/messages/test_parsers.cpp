// One suite for the message parsers of the messages layer: what each message
// sets, keeps, falls back to and logs, and the fixed-size records the app reads.
#include "messages/JsonParseAppSettings.h"
#include "messages/JsonParseDolbyDecoderSettings.h"
#include "messages/JsonParseFpMessages.h"
#include "messages/JsonParseMetersInfo.h"
#include "messages/JsonParseNotifMessages.h"
#include "tests/support/TestBus.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <cstring>
#include <functional>
#include <sstream>

namespace {

using App = cJsonParseFpAppMessages;
using Zoom = cJsonParseDoRiduyZoom;

// A fresh parser given its valid document, then the text: its verdict (1 or 0,
// -1 for the notification) and what it then holds, as one string.
using Held = std::function<QString(const char* pText)>;

// The peer messages. prime: valid, parsed first so kept values show; wrongType:
// the member with another type; failed: what a failure leaves; failText: after
// "Failed to parse ".
struct Peer {
    const char *op, *prime, *primed, *wrongType, *failed, *failText;
    bool bRequired;
};
constexpr Peer kPeers[] = {
    {"app", R"({"Show": false, "AppName": "Prev"})", "0 Prev", R"({"Show": 1, "AppName": "X"})",
     "1 Prev", "message setting default to true", false},
    {"scale", R"({"Scale": 7})", "7", R"({"Scale": "3"})", "0", "Meter Scale Info ", false},
    {"zoom", R"({"Pair": 3})", "3", R"({"Pair": 2.5})", "4", "message setting default to 4", true},
    {"grid", R"({"ResetDolbyGrid": true})", "1", R"({"ResetDolbyGrid": "yes"})", "0",
     "Reset Dolby Grid Info ", false},
    {"view", R"({"VisualiserView": "Top View"})", "Top View", R"({"VisualiserView": 1})", "",
     "Dolby Visualiser View Info ", false},
};

// A parse operation taking a default is given 4 (the zoom's default pair).
template <class P, class... A, class... G>
Held Bind(const Peer& peer, bool (P::*pParse)(const char*, A...), G... get) {
    return [=](const char* pText) {
        P parser;
        (parser.*pParse)(peer.prime, A(4)...);
        std::ostringstream out;
        out << (parser.*pParse)(pText, A(4)...);
        ((out << ' ' << std::invoke(get, parser)), ...);
        return QString::fromStdString(out.str());
    };
}

QJsonObject Meter() {
    return {{"Source", QJsonObject{{"Type", "AES"}}}};
}

// A valid preset with a group name of the wrong type.
QByteArray Preset(const char* pKey = "Count", const QJsonValue& value = 7) {
    QJsonObject preset{
        {"Clusters", QJsonArray{}},
        {"MeterSet", QJsonObject{{"1", Meter()}}},
        {"SystemClockSource", QJsonObject{{"Type", "AES"}}},
        {"DolbyDecoderConf",
         QJsonObject{{"DecoderConfig", QJsonObject{{"VisualiserView", "Front View"}}}}},
        {"Name", QJsonObject{{"Preset", "News"}, {"Group", 3}}},
        {"Count", 7}};
    if (value.isUndefined())
        preset.remove(QLatin1String(pKey));
    else
        preset[QLatin1String(pKey)] = value;
    return QJsonDocument(preset).toJson(QJsonDocument::Compact);
}

const QMap<QString, Held>& Parsers() {
    static const QMap<QString, Held> parsers{
        {"app", Bind(kPeers[0], &App::ParseAppMessage, &App::GetShow, &App::GetAppName)},
        {"scale", Bind(kPeers[1], &cJsonParseMeterScaleInfo::ParseMeterScaleInfo,
                       &cJsonParseMeterScaleInfo::GetScale)},
        {"zoom", Bind(kPeers[2], &Zoom::ParseDolbyZoom, &Zoom::GetPair)},
        {"grid", Bind(kPeers[3], &cJsonParseResetDolbyGridMsg::ParseResetDolbyGridMsg,
                      &cJsonParseResetDolbyGridMsg::GetResetDolbyGrid)},
        {"view", Bind(kPeers[4], &cJsonParseVisualiserView::ParseSetVisualiserView,
                      &cJsonParseVisualiserView::GetVisualiserView)},
        {"decoder",
         [](const char* pText) {
             cDolbyDecoderSettingsParser parser;
             parser.ParseDolbyDecoderSettings(
                 R"({"DecoderConfig":{"VisualiserView":"Back View","SpeakerConfig":"7.1.4"},)"
                 R"("DDPlusConfig":{"CompressionMode":"RF","CompressionCut":0.5,)"
                 R"("CompressionBoost":1},"ED2Config":{"AudioPresentation":3},)"
                 R"("IsDecModulePresent":true,"DecModuleStatus":"Ok"})");
             const bool bOk = parser.ParseDolbyDecoderSettings(pText);
             DolbyDecoderSettings_s record;
             std::memset(&record, 0x7f, sizeof record);
             parser.FillRecord(&record);
             return QString::asprintf("%d %s", bOk, record.VisualiserView);
         }},
        {"notification",
         [](const char* pText) {
             Notification_s record{};
             cJsonParseNotifMessages parser;
             parser.ParseNotificationMessages(R"({"Level":30,"Title":"kept","Msg":"old"})",
                                              &record);
             const int result = parser.ParseNotificationMessages(pText, &record);
             return QString::asprintf("%d %s %d %s", result, record.title, record.level,
                                      record.notifMsg);
         }},
        // The decoder settings and names the app reads; names are taken one by one.
        {"preset",
         [](const char* pText) {
             cPresetParser parser;
             parser.ParsePreset(Preset().constData());
             const bool bOk = parser.ParsePreset(pText);
             return QString::asprintf("%d %s %s%s", bOk, parser.DecoderConf.VisualiserView.c_str(),
                                      parser.PresetName.c_str(), parser.GroupName.c_str());
         }},
    };
    return parsers;
}

// The lines printed on standard output, then the messages logged from the peer
// parsers' unit.
QStringList Lines(const QByteArray& out, const QByteArray& err) {
    QStringList lines;
    for (const QByteArray& line : out.split('\n'))
        if (!line.isEmpty())
            lines << QString::fromUtf8(line);
    for (const QByteArray& line : err.split('\n'))
        if (line.contains("|ERROR|JsonParseFpMessages.cpp|"))
            lines << QString::fromUtf8(line.mid(line.indexOf("|\"") + 2).chopped(1));
    return lines;
}

} // namespace

class tst_Parsers final : public QObject {
    Q_OBJECT

private slots:

    void initTestCase() {
        Logger::GetInstance()->SetConsoleEcho(true);
        Logger::GetInstance()->SetLevel(LEVEL_WARN);
    }

    void parse_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("held");
        QTest::addColumn<QStringList>("console");
        const auto add = [](const char* pOp, const char* pWhat, const QByteArray& input,
                            const QString& held, const QStringList& console = {}) {
            QTest::addRow("%s: %s", pOp, pWhat) << QString(pOp) << input << held << console;
        };
        for (const Peer& p : kPeers) {
            const QString failed = QStringLiteral("0 ") + p.failed;
            const QString line = QStringLiteral("Failed to parse ") + p.failText;
            add(p.op, "valid", p.prime, QStringLiteral("1 ") + p.primed);
            add(p.op, "member absent", "{}", p.bRequired ? failed : QStringLiteral("1 ") + p.primed,
                p.bRequired ? QStringList{line} : QStringList{});
            add(p.op, "wrong type", p.wrongType, failed, {line});
            add(p.op, "not JSON", "{\"Show\": tru", failed,
                {"Not a valid json string {\"Show\": tru.", line});
            add(p.op, "root not an object", "[]", failed, {line});
        }
        add("app", "Show absent keeps the flag", R"({"AppName": "X"})", "1 0 X");
        add("zoom", "pair 8 is the last that fits", R"({"Pair": 8})", "1 8");
        add("zoom", "pair 9 clears", R"({"Pair": 9})", "1 4294967295");

        add("decoder", "empty object: defaults", "{}", "0 Top View");
        add("decoder", "sections of the wrong type are skipped",
            R"({"DecoderConfig":{"VisualiserView":"Front View"},"DDPlusConfig":"x","ED2Config":5,)"
            R"("IsDecModulePresent":true,"DecModuleStatus":"Ok"})",
            "1 Front View");

        add("notification", "valid", R"({"Level":40,"Title":"T","Msg":"M"})", "0 T 40 M");
        add("notification", "null Level is 0", R"({"Level":null})", "0  0 ");
        add("notification", "title cut to 39", "{\"Title\":\"" + QByteArray(50, 'T') + "\"}",
            "0 " + QString(39, QLatin1Char('T')) + " 0 ");
        for (const char* pBad : {R"({"Level":)", R"({"Level":"20"})", R"({"Title":7})"})
            add("notification", pBad, pBad, "-1 kept 30 old",
                {"ZQT ERROR : Preset json string did not contain a valid Notification Message."});

        const QJsonValue absent(QJsonValue::Undefined);
        add("preset", "complete", Preset(), "1 Front View News");
        for (const char* pKey : {"SystemClockSource", "Clusters", "MeterSet"})
            add("preset", qPrintable(QStringLiteral("no %1").arg(pKey)), Preset(pKey, absent),
                "0 Top View ");
        add("preset", "Clusters not an array", Preset("Clusters", QJsonObject{}), "0 Top View ");
        add("preset", "meter 17", Preset("MeterSet", QJsonObject{{"17", Meter()}}), "0 Top View ");
        add("preset", "syntax error", R"({"Clusters":[)", "0 Top View ");
    }

    // A wrong key, fallback, kept value or console line; a parse starting from the previous
    // document instead of the defaults; a refused document touching the kept record; a value
    // read from the wrong type, cut wrongly or overrunning its fixed-size field; a preset
    // missing a required section accepted.
    void parse() {
        QFETCH(QString, op);
        QFETCH(QByteArray, input);
        ConsoleCapture out(1), err(2);
        QTEST(Parsers().value(op)(input.constData()), "held");
        QTEST(Lines(out.Text(), err.Text()), "console");
    }
};

QTEST_APPLESS_MAIN(tst_Parsers)
#include "test_parsers.moc"
