// One suite for the message parsers of the messages layer: what each message
// sets, keeps, falls back to and logs, and the fixed-size records the app reads.
#include "messages/JsonParseAppSettings.h"
#include "messages/JsonParseDolbyDecoderSettings.h"
#include "messages/JsonParseFpMessages.h"
#include "messages/JsonParseMetersInfo.h"
#include "messages/JsonParseNotifMessages.h"
#include "tests/support/TestBus.h"

#include <rapidjson/document.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <vector>

namespace {

using App = cJsonParseFpAppMessages;
using Zoom = cJsonParseDoRiduyZoom;

// Parses a prime, then the text, on a fresh parser; `shown` gets what it then holds.
using Op = std::function<bool(const char*, const char*, quint64, QString& shown)>;

template <class P, class... A, class... G>
Op Bind(const P& fresh, bool (P::*pParse)(const char*, A...), G... get) {
    return
        [=](const char* pPrime, const char* pText, [[maybe_unused]] quint64 def, QString& shown) {
            P parser = fresh;
            (parser.*pParse)(pPrime, static_cast<A>(def)...);
            const bool bOk = (parser.*pParse)(pText, static_cast<A>(def)...);
            std::ostringstream out;
            ((out << std::invoke(get, parser) << ' '), ...);
            shown = QString::fromStdString(out.str()).trimmed();
            return bOk;
        };
}

// prime: valid, parsed first so kept values show; failed: held after a failure;
// failText: after "Failed to parse " (null: "message setting default to <def>").
struct Kind {
    const char* op;
    Op parse;
    const char *prime, *primed, *wrongType;
    quint64 def;
    const char *failed, *failText;
    bool bRequired, bUpper; // member must be there; syntax-error line shouts
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds{
        {"app", Bind(App(), &App::ParseAppMessage, &App::GetShow, &App::GetAppName),
         R"({"Show": false, "AppName": "Prev"})", "0 Prev", R"({"Show": 1, "AppName": "X"})", 0,
         "1 Prev", "message setting default to true", false, false},
        {"scale",
         Bind(cJsonParseMeterScaleInfo(), &cJsonParseMeterScaleInfo::ParseMeterScaleInfo,
              &cJsonParseMeterScaleInfo::GetScale),
         R"({"Scale": 7})", "7", R"({"Scale": "3"})", 0, "0", "Meter Scale Info ", false, false},
        {"zoom", Bind(Zoom(), &Zoom::ParseDolbyZoom, &Zoom::GetPair), R"({"Pair": 3})", "3",
         R"({"Pair": 2.5})", 4, "4", nullptr, true, false},
        {"grid",
         Bind(cJsonParseResetDolbyGridMsg(), &cJsonParseResetDolbyGridMsg::ParseResetDolbyGridMsg,
              &cJsonParseResetDolbyGridMsg::GetResetDolbyGrid),
         R"({"ResetDolbyGrid": true})", "1", R"({"ResetDolbyGrid": "yes"})", 0, "0",
         "Reset Dolby Grid Info ", false, false},
        {"view",
         Bind(cJsonParseVisualiserView(), &cJsonParseVisualiserView::ParseSetVisualiserView,
              &cJsonParseVisualiserView::GetVisualiserView),
         R"({"VisualiserView": "Top View"})", "Top View", R"({"VisualiserView": 1})", 0, "",
         "Dolby Visualiser View Info ", false, false},
    };
    return kinds;
}

const Kind& KindOf(const QString& op) {
    const auto& k = Kinds();
    return *std::find_if(k.begin(), k.end(), [&](const Kind& kind) { return op == kind.op; });
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

// Each parser primed with a document, then given the text; what it then holds, one string.
using Held = std::function<QString(const char*)>;
const QMap<QString, Held>& Records() {
    static const QMap<QString, Held> records{
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
    };
    return records;
}

} // namespace

class tst_Parsers final : public QObject {
    Q_OBJECT

private slots:

    void initTestCase() {
        Logger::GetInstance()->SetConsoleEcho(true);
        Logger::GetInstance()->SetLevel(LEVEL_WARN);
    }

    void fpMessages_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<quint64>("def");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("value");
        const auto add = [](const QString& op, const char* what, const char* input, bool ok,
                            const char* value, quint64 def = 0) {
            QTest::addRow("%s: %s", qPrintable(op), what)
                << op << QByteArray(input) << (def ? def : KindOf(op).def) << ok << value;
        };
        for (const Kind& k : Kinds()) {
            add(k.op, "valid", k.prime, true, k.primed);
            add(k.op, "member absent", "{}", !k.bRequired, k.bRequired ? k.failed : k.primed);
            add(k.op, "wrong type", k.wrongType, false, k.failed);
            add(k.op, "not JSON", "{\"Show\": tru", false, k.failed);
            add(k.op, "root not an object", "[]", false, k.failed);
        }
        add("app", "Show absent keeps the flag", R"({"AppName": "X"})", true, "0 X");
        add("zoom", "pair 8 is the last that fits", R"({"Pair": 8})", true, "8");
        add("zoom", "pair 9 clears", R"({"Pair": 9})", true, "4294967295");
    }

    // A wrong key, fallback, kept value or failure line of a peer message.
    void fpMessages() {
        QFETCH(QString, op);
        QFETCH(QByteArray, input);
        QFETCH(quint64, def);
        const Kind& kind = KindOf(op);
        QString shown;
        ConsoleCapture err(2);
        const bool bOk = kind.parse(kind.prime, input.constData(), def, shown);
        QTEST(bOk, "ok");
        QTEST(shown, "value");
        QStringList expected; // text that is not JSON logs the syntax error first
        if (rapidjson::Document().Parse(input.constData()).HasParseError())
            expected << QString::fromLatin1(kind.bUpper ? "NOT A VALID JSON STRING %1."
                                                        : "Not a valid json string %1.")
                            .arg(QString::fromUtf8(input));
        if (!bOk)
            expected << "Failed to parse " +
                            (kind.failText
                                 ? QString::fromLatin1(kind.failText)
                                 : QStringLiteral("message setting default to %1").arg(def));
        QStringList logged;
        for (const QByteArray& line : err.Text().split('\n'))
            if (line.contains("|ERROR|JsonParseFpMessages.cpp|"))
                logged << QString::fromUtf8(line.mid(line.indexOf("|\"") + 2).chopped(1));
        QCOMPARE(logged, expected);
    }

    void preset_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("accepted");
        const QJsonValue absent(QJsonValue::Undefined);
        QTest::newRow("complete") << Preset() << true;
        for (const char* pKey : {"SystemClockSource", "Clusters", "MeterSet"})
            QTest::addRow("no %s", pKey) << Preset(pKey, absent) << false;
        QTest::newRow("Clusters not an array") << Preset("Clusters", QJsonObject{}) << false;
        QTest::newRow("meter 17") << Preset("MeterSet", QJsonObject{{"17", Meter()}}) << false;
        QTest::newRow("syntax error") << QByteArray(R"({"Clusters":[)") << false;
    }

    // A preset missing a required section accepted, or the decoder settings or names the
    // app reads kept from the previous preset, accepted or not.
    void preset() {
        QFETCH(QByteArray, json);
        QFETCH(bool, accepted);
        cPresetParser parser;
        QVERIFY(parser.ParsePreset(Preset().constData()));
        QCOMPARE(parser.ParsePreset(json.constData()), accepted);
        QCOMPARE(parser.DecoderConf.VisualiserView,
                 std::string(accepted ? "Front View" : "Top View"));
        QCOMPARE(parser.PresetName, std::string(accepted ? "News" : ""));
        QVERIFY(parser.GroupName.empty()); // names are taken one by one
    }

    void records_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("held"); // as Records() shows it
        const auto add = [](const char* pOp, const char* pWhat, const QByteArray& json,
                            const char* pHeld) {
            QTest::addRow("%s: %s", pOp, pWhat) << pOp << json << pHeld;
        };
        add("decoder", "empty object: defaults", "{}", "0 Top View");
        add("decoder", "sections of the wrong type are skipped",
            R"({"DecoderConfig":{"VisualiserView":"Front View"},"DDPlusConfig":"x","ED2Config":5,)"
            R"("IsDecModulePresent":true,"DecModuleStatus":"Ok"})",
            "1 Front View");
        add("notification", "valid", R"({"Level":40,"Title":"T","Msg":"M"})", "0 T 40 M");
        add("notification", "null Level is 0", R"({"Level":null})", "0  0 ");
        add("notification", "title cut to 39", "{\"Title\":\"" + QByteArray(50, 'T') + "\"}",
            qPrintable("0 " + QString(39, QLatin1Char('T')) + " 0 "));
        for (const char* pBad : {R"({"Level":)", R"({"Level":"20"})", R"({"Title":7})"})
            add("notification", pBad, pBad, "-1 kept 30 old ZQT");
    }

    // A parse starting from the previous document instead of the defaults, a refused one
    // touching the kept record or passing without its console line, a value read from the
    // wrong type, cut wrongly, or overrunning its fixed-size field.
    void records() {
        QFETCH(QString, op);
        QFETCH(QByteArray, json);
        ConsoleCapture out(1);
        const QString held = Records().value(op)(json.constData());
        QTEST(held + (out.Text().contains("ZQT ERROR : ") ? " ZQT" : ""), "held");
    }
};

QTEST_APPLESS_MAIN(tst_Parsers)
#include "test_parsers.moc"
