#include "messages/JsonParseFpMessages.h"
#include "support/TestBus.h"

#include <rapidjson/document.h>

#include <QtTest>

#include <algorithm>
#include <functional>
#include <sstream>
#include <vector>

namespace {

using App = cJsonParseFpAppMessages;
using Scale = cJsonParseMeterScaleInfo;
using Zoom = cJsonParseDoRiduyZoom;
using Grid = cJsonParseResetDolbyGridMsg;
using View = cJsonParseVisualiserView;
using Video = cJsonParseFpSwitchVideo;
using Mute = cJsonParseMute;
using Routes = cJsonParseAudioSpeakerRoutes;

// Parses the prime, then the text, with one operation on a fresh parser;
// `shown` gets what the parser then holds.
using Op = std::function<bool(const char*, const char*, quint64, QString& shown)>;

// An operation given its default (if it takes one), with the getters to show.
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

template <unsigned N> AudioSpeakerType_e Route(const Routes& routes) {
    return routes.GetAudioSpeakerRoute(N);
}

struct Kind {
    const char* op;
    Op parse;
    const char* prime;  // valid, parsed first so that kept values show
    const char* primed; // what the parser holds after it
    const char* wrongType;
    quint64 def;
    const char* failed;   // what the parser holds after a failure
    const char* failText; // after "Failed to parse "; null: "message setting default to <def>"
    bool bRequired;       // its member must be there
    bool bUpper;          // its syntax-error line shouts
};

const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds{
        {"app", Bind(App(), &App::ParseAppMessage, &App::GetShow, &App::GetAppName),
         R"({"Show": false, "AppName": "Prev"})", "0 Prev", R"({"Show": 1, "AppName": "X"})", 0,
         "1 Prev", "message setting default to true", false, false},
        {"scale", Bind(Scale(), &Scale::ParseMeterScaleInfo, &Scale::GetScale), R"({"Scale": 7})",
         "7", R"({"Scale": "3"})", 0, "0", "Meter Scale Info ", false, false},
        {"zoom", Bind(Zoom(), &Zoom::ParseDolbyZoom, &Zoom::GetPair), R"({"Pair": 3})", "3",
         R"({"Pair": 2.5})", 4, "4", nullptr, true, false},
        {"loudness", Bind(Zoom(), &Zoom::ParseDolbyLoudnessRstMsg, &Zoom::GetLoudnessReset),
         R"({"LoudnessReset": true})", "1", R"({"LoudnessReset": 1})", 0, "1",
         "message setting default to ", true, true},
        {"ed2", Bind(Zoom(), &Zoom::ParseDolbyED2Presentation, &Zoom::GetED2Presentation),
         R"({"ED2PresentationSelect": 3})", "3", R"({"ED2PresentationSelect": "5"})", 1, "1",
         nullptr, true, true},
        {"programme", Bind(Zoom(), &Zoom::ParseDolbyEProgramNum, &Zoom::GetDolbyEProgramNum),
         R"({"DeProgramSelect": 3})", "3", R"({"DeProgramSelect": "5"})", 2, "2", nullptr, true,
         true},
        {"grid", Bind(Grid(), &Grid::ParseResetDolbyGridMsg, &Grid::GetResetDolbyGrid),
         R"({"ResetDolbyGrid": true})", "1", R"({"ResetDolbyGrid": "yes"})", 0, "0",
         "Reset Dolby Grid Info ", false, false},
        {"view", Bind(View(), &View::ParseSetVisualiserView, &View::GetVisualiserView),
         R"({"VisualiserView": "Top View"})", "Top View", R"({"VisualiserView": 1})", 0, "",
         "Dolby Visualiser View Info ", false, false},
        {"video", Bind(Video(), &Video::ParseAppVideoMessage, &Video::GetShowVideo),
         R"({"ShowVideo": false})", "0", R"({"ShowVideo": 0})", 0, "1",
         "Video Switch message setting default to true", false, false},
        {"video mute", Bind(Mute(), &Mute::ParseSwitchVideo, &Mute::GetVideoMute),
         R"({"ShowVideo": false})", "1", R"({"ShowVideo": "true"})", 0, "0", "message ShowVideo",
         true, false},
        {"mutes", Bind(Mute(0, 4), &Mute::ParseMutes, &Mute::GetMuteMask),
         R"({"MuteSettings": [1, 0, 0, 0]})", "1", R"({"MuteSettings": 3})", 10, "10", nullptr,
         true, false},
        {"routes",
         Bind(Routes(), &Routes::ParseAudioSpeakerTypes, Route<0>, Route<1>, Route<2>, Route<3>),
         R"({"SpeakerRoutes": [2, 2, 2, 2]})", "2 2 2 2", R"({"SpeakerRoutes": {}})", 1, "2 2 2 2",
         nullptr, true, false},
    };
    return kinds;
}

const Kind& KindOf(const QString& op) {
    const auto& kinds = Kinds();
    return *std::find_if(kinds.begin(), kinds.end(), [&](const Kind& k) { return op == k.op; });
}

// The messages of the parser unit's ERROR lines echoed on stderr.
QStringList LoggedMessages(const QByteArray& text) {
    QStringList messages;
    for (const QByteArray& line : text.split('\n'))
        if (line.contains("|ERROR|JsonParseFpMessages.cpp|"))
            messages << QString::fromUtf8(line.mid(line.indexOf("|\"") + 2).chopped(1));
    return messages;
}

} // namespace

// Guards the peer vocabulary: what each message sets, keeps, falls back to,
// and what it logs, so a wrong fallback or a silent failure shows up here.
class tst_FpMessages final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void parse_data();
    void parse();
    void speakerRouteBounds();
    void unconstructedClassesFailSilently(); // last: it takes their logger away
};

void tst_FpMessages::initTestCase() {
    Logger::GetInstance()->SetConsoleEcho(true);
    Logger::GetInstance()->SetLevel(LEVEL_WARN);
    // The classes the application never creates have no logger of their
    // own; give them one here so their failure lines can be checked too.
    Video::mpLogger = Mute::mpLogger = Routes::mpLogger = Logger::GetInstance();
}

void tst_FpMessages::parse_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<quint64>("def");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("value");

    const auto add = [](const QString& op, const char* what, const char* input, bool ok,
                        const char* value, quint64 def = 0) {
        QTest::addRow("%s: %s", qPrintable(op), what)
            << op << QByteArray(input) << (def ? def : KindOf(op).def) << ok
            << QString::fromUtf8(value);
    };
    for (const Kind& k : Kinds()) {
        const QString op = QString::fromLatin1(k.op);
        add(op, "valid", k.prime, true, k.primed);
        add(op, "member absent", "{}", !k.bRequired, k.bRequired ? k.failed : k.primed);
        add(op, "wrong type", k.wrongType, false, k.failed);
        add(op, "not JSON", "{\"Show\": tru", false, k.failed);
        add(op, "empty text", "", false, k.failed);
        add(op, "root not an object", "[]", false, k.failed);
    }
    add("app", "Show absent keeps the flag", R"({"AppName": "X"})", true, "0 X");
    add("app", "AppName absent keeps the name", R"({"Show": true})", true, "1 Prev");
    add("zoom", "pair 8 is the last that fits", R"({"Pair": 8})", true, "8");
    add("zoom", "pair 9 clears", R"({"Pair": 9})", true, "4294967295");
    add("zoom", "pair -1 clears", R"({"Pair": -1})", true, "4294967295");
    add("loudness", "false still arms", R"({"LoudnessReset": false})", true, "1");
    add("mutes", "short array mutes the rest: 0b1101", R"({"MuteSettings": [1, 0]})", true, "13");
    add("mutes", "non-integer keeps: 0b0100", R"({"MuteSettings": [0, "x", 1, 0]})", true, "4");
    add("routes", "bad entries take 1", R"({"SpeakerRoutes": [3, 25, "a"]})", true, "3 1 1 2");
    add("routes", "default 20 leaves them", R"({"SpeakerRoutes": [3, 25, "a"]})", true, "3 2 2 2",
        20);
}

void tst_FpMessages::parse() {
    QFETCH(QString, op);
    QFETCH(QByteArray, input);
    QFETCH(quint64, def);
    QFETCH(bool, ok);
    QFETCH(QString, value);

    const Kind& kind = KindOf(op);
    QString shown;
    ConsoleCapture err(2);
    QCOMPARE(kind.parse(kind.prime, input.constData(), def, shown), ok);
    QCOMPARE(shown, value);

    // Text that is not JSON logs the syntax error first, with the whole text.
    QStringList expected;
    if (rapidjson::Document().Parse(input.constData()).HasParseError())
        expected << QString::fromLatin1(kind.bUpper ? "NOT A VALID JSON STRING %1."
                                                    : "Not a valid json string %1.")
                        .arg(QString::fromUtf8(input));
    if (!ok)
        expected << "Failed to parse " +
                        (kind.failText ? QString::fromLatin1(kind.failText)
                                       : QStringLiteral("message setting default to %1").arg(def));
    QCOMPARE(LoggedMessages(err.Text()), expected);
}

// Guards against the classes this application never creates logging
// through a logger nobody gave them.
void tst_FpMessages::unconstructedClassesFailSilently() {
    Video::mpLogger = Mute::mpLogger = Routes::mpLogger = nullptr;
    ConsoleCapture err(2);
    QVERIFY(!Video().ParseAppVideoMessage("nope"));
    QVERIFY(!Mute().ParseMutes("nope", 0));
    QVERIFY(!Routes().ParseAudioSpeakerTypes("nope", AUDIO_SPEAKER_LEFT));
    QCOMPARE(LoggedMessages(err.Text()), QStringList());
}

// Guards the route table against writes outside the sixteen channels or past
// the twenty speaker types.
void tst_FpMessages::speakerRouteBounds() {
    cJsonParseAudioSpeakerRoutes routes(AUDIO_SPEAKER_CENTER);
    routes.SetAudioSpeakerRoute(15, 19);
    routes.SetAudioSpeakerRoute(16, 1);
    routes.SetAudioSpeakerRoute(0, 20);
    QCOMPARE(routes.GetAudioSpeakerRoute(15), AUDIO_SPEAKER_OTHER);
    for (unsigned channel = 0; channel < 15; ++channel)
        QCOMPARE(routes.GetAudioSpeakerRoute(channel), AUDIO_SPEAKER_CENTER);
}

QTEST_APPLESS_MAIN(tst_FpMessages)
#include "test_fpmessages.moc"
