#include "messages/JsonParseFpMessages.h"
#include "support/TestBus.h"

#include <rapidjson/document.h>

#include <QRegularExpression>
#include <QStringList>
#include <QtTest>

#include <functional>

namespace {

struct Outcome {
    bool bPrimeOk = true;
    bool bOk = false;
    QString value;
    QStringList logged; // class-log messages of the parse under test, in order
};

// The messages of the parser unit's ERROR lines echoed on stderr.
QStringList LoggedMessages(const QByteArray& text) {
    static const QRegularExpression line(
        QStringLiteral("\\|ERROR\\|JsonParseFpMessages\\.cpp\\|\\d+\\|\"([^\\n]*)\"\\n"));
    QStringList messages;
    auto it = line.globalMatch(QString::fromUtf8(text));
    while (it.hasNext())
        messages << it.next().captured(1);
    return messages;
}

const char* Text(const QByteArray& bytes) {
    return bytes.isNull() ? nullptr : bytes.constData();
}

// Primes a fresh parser with a message (so kept values are visible), then
// parses the input with stderr captured.
template <class P>
Outcome Drive(P parser, const std::function<bool(P&, const char*)>& parse,
              const std::function<QString(const P&)>& show, const QByteArray& prime,
              const QByteArray& input) {
    Outcome outcome;
    if (!prime.isEmpty())
        outcome.bPrimeOk = parse(parser, prime.constData());
    ConsoleCapture err(2);
    outcome.bOk = parse(parser, Text(input));
    outcome.value = show(parser);
    outcome.logged = LoggedMessages(err.Text());
    return outcome;
}

QString Bool(bool b) {
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

QString Routes(const cJsonParseAudioSpeakerRoutes& p) {
    QStringList routes;
    for (unsigned n = 0; n < cJsonParseAudioSpeakerRoutes::kChannels; ++n)
        routes << QString::number(p.GetAudioSpeakerRoute(n));
    return routes.join(QLatin1Char(','));
}

// "3,1" -> "3,1,0,0,...": the sixteen routes with the rest at zero.
QString RoutesText(const QString& head) {
    QStringList routes = head.split(QLatin1Char(','));
    while (routes.size() < 16)
        routes << QStringLiteral("0");
    return routes.join(QLatin1Char(','));
}

Outcome RunOp(const QString& op, const QByteArray& prime, const QByteArray& input,
              quint64 uDefault) {
    using App = cJsonParseFpAppMessages;
    using Zoom = cJsonParseDoRiduyZoom;
    using Mute = cJsonParseMute;
    using Routes_ = cJsonParseAudioSpeakerRoutes;
    const auto ulDefault = static_cast<unsigned long>(uDefault);
    const auto uDefault32 = static_cast<unsigned int>(uDefault);

    if (op == QLatin1String("app"))
        return Drive<App>(
            App(), [](App& p, const char* s) { return p.ParseAppMessage(s); },
            [](const App& p) {
                return QStringLiteral("show=%1 name=%2")
                    .arg(Bool(p.GetShow()), QString::fromStdString(p.GetAppName()));
            },
            prime, input);
    if (op == QLatin1String("scale"))
        return Drive<cJsonParseMeterScaleInfo>(
            cJsonParseMeterScaleInfo(),
            [](cJsonParseMeterScaleInfo& p, const char* s) { return p.ParseMeterScaleInfo(s); },
            [](const cJsonParseMeterScaleInfo& p) { return QString::number(p.GetScale()); }, prime,
            input);
    if (op == QLatin1String("zoom"))
        return Drive<Zoom>(
            Zoom(), [=](Zoom& p, const char* s) { return p.ParseDolbyZoom(s, ulDefault); },
            [](const Zoom& p) { return QString::number(p.GetPair()); }, prime, input);
    if (op == QLatin1String("loudness"))
        return Drive<Zoom>(
            Zoom(), [](Zoom& p, const char* s) { return p.ParseDolbyLoudnessRstMsg(s); },
            [](const Zoom& p) { return Bool(p.GetLoudnessReset()); }, prime, input);
    if (op == QLatin1String("ed2"))
        return Drive<Zoom>(
            Zoom(),
            [=](Zoom& p, const char* s) { return p.ParseDolbyED2Presentation(s, uDefault32); },
            [](const Zoom& p) { return QString::number(p.GetED2Presentation()); }, prime, input);
    if (op == QLatin1String("programme"))
        return Drive<Zoom>(
            Zoom(), [=](Zoom& p, const char* s) { return p.ParseDolbyEProgramNum(s, uDefault32); },
            [](const Zoom& p) { return QString::number(p.GetDolbyEProgramNum()); }, prime, input);
    if (op == QLatin1String("grid"))
        return Drive<cJsonParseResetDolbyGridMsg>(
            cJsonParseResetDolbyGridMsg(),
            [](cJsonParseResetDolbyGridMsg& p, const char* s) {
                return p.ParseResetDolbyGridMsg(s);
            },
            [](const cJsonParseResetDolbyGridMsg& p) { return Bool(p.GetResetDolbyGrid()); }, prime,
            input);
    if (op == QLatin1String("view"))
        return Drive<cJsonParseVisualiserView>(
            cJsonParseVisualiserView(),
            [](cJsonParseVisualiserView& p, const char* s) { return p.ParseSetVisualiserView(s); },
            [](const cJsonParseVisualiserView& p) {
                return QString::fromStdString(p.GetVisualiserView());
            },
            prime, input);
    if (op == QLatin1String("video"))
        return Drive<cJsonParseFpSwitchVideo>(
            cJsonParseFpSwitchVideo(false),
            [](cJsonParseFpSwitchVideo& p, const char* s) { return p.ParseAppVideoMessage(s); },
            [](const cJsonParseFpSwitchVideo& p) { return Bool(p.GetShowVideo()); }, prime, input);
    if (op == QLatin1String("video mute"))
        return Drive<Mute>(
            Mute(), [=](Mute& p, const char* s) { return p.ParseSwitchVideo(s, uDefault != 0); },
            [](const Mute& p) { return Bool(p.GetVideoMute()); }, prime, input);
    if (op == QLatin1String("mutes"))
        return Drive<Mute>(
            Mute(0, 4), [=](Mute& p, const char* s) { return p.ParseMutes(s, ulDefault); },
            [](const Mute& p) { return QString::number(p.GetMuteMask(), 2); }, prime, input);
    if (op == QLatin1String("routes"))
        return Drive<Routes_>(
            Routes_(),
            [=](Routes_& p, const char* s) {
                return p.ParseAudioSpeakerTypes(s, static_cast<AudioSpeakerType_e>(uDefault));
            },
            Routes, prime, input);
    qFatal("unknown operation %s", qPrintable(op));
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
    void unconstructedClassesFailSilently();
    void speakerRouteBounds();
    void subscriberParsersTakeTheLogger();
};

void tst_FpMessages::initTestCase() {
    Logger* pLogger = Logger::GetInstance();
    QVERIFY(pLogger);
    pLogger->SetConsoleEcho(true);
    pLogger->SetLevel(LEVEL_WARN);
    // The classes the application never creates have no logger of their
    // own; give them one here so their failure lines can be checked too.
    cJsonParseFpSwitchVideo::mpLogger = pLogger;
    cJsonParseMute::mpLogger = pLogger;
    cJsonParseAudioSpeakerRoutes::mpLogger = pLogger;
}

void tst_FpMessages::parse_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<QByteArray>("prime");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<quint64>("def");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("failText"); // empty: no line expected

    struct Family {
        const char* op;
        const char* prime;
        quint64 def;
        QString failValue;
        QString failText;
        bool bUpperSyntax;
    };
    const QString kDefault = QStringLiteral("Failed to parse message setting default to ");
    const Family families[] = {
        {"app", R"({"Show": false, "AppName": "Prev"})", 0, QStringLiteral("show=1 name=Prev"),
         QStringLiteral("Failed to parse message setting default to true"), false},
        {"scale", R"({"Scale": 7})", 0, QStringLiteral("0"),
         QStringLiteral("Failed to parse Meter Scale Info "), false},
        {"zoom", R"({"Pair": 3})", 4, QStringLiteral("4"), kDefault + QStringLiteral("4"), false},
        {"loudness", "", 0, QStringLiteral("1"), kDefault, true},
        {"ed2", R"({"ED2PresentationSelect": 3})", 1, QStringLiteral("1"),
         kDefault + QStringLiteral("1"), true},
        {"programme", R"({"DeProgramSelect": 3})", 2, QStringLiteral("2"),
         kDefault + QStringLiteral("2"), true},
        {"grid", R"({"ResetDolbyGrid": true})", 0, QStringLiteral("0"),
         QStringLiteral("Failed to parse Reset Dolby Grid Info "), false},
        {"view", R"({"VisualiserView": "Top View"})", 0, QString(),
         QStringLiteral("Failed to parse Dolby Visualiser View Info "), false},
        {"video", R"({"ShowVideo": false})", 0, QStringLiteral("1"),
         QStringLiteral("Failed to parse Video Switch message setting default to true"), false},
        {"video mute", R"({"ShowVideo": true})", 1, QStringLiteral("1"),
         QStringLiteral("Failed to parse message ShowVideo"), false},
        {"mutes", "", 10, QStringLiteral("1010"), kDefault + QStringLiteral("10"), false},
        {"routes", R"({"SpeakerRoutes": [2, 2, 2, 2]})", 1, RoutesText(QStringLiteral("2,2,2,2")),
         kDefault + QStringLiteral("1"), false},
    };

    // Malformed payloads: every operation takes its failure path.
    for (const Family& f : families) {
        const auto row = [&](const char* what, const QByteArray& input) {
            QTest::addRow("%s: %s", f.op, what)
                << QString::fromLatin1(f.op) << QByteArray(f.prime) << input << f.def << false
                << f.failValue << f.failText;
        };
        row("not JSON", QByteArrayLiteral("{\"Show\": tru"));
        row("empty text", QByteArrayLiteral(""));
        row("array root", QByteArrayLiteral("[]"));
        row("boolean root", QByteArrayLiteral("true"));
        row("null text", QByteArray());
        row("trailing junk", QByteArrayLiteral("{} {}"));
    }

    const auto add = [](const char* name, const char* op, const char* prime, const char* input,
                        quint64 def, bool ok, const QString& value, const QString& failText) {
        QTest::newRow(name) << QString::fromLatin1(op) << QByteArray(prime) << QByteArray(input)
                            << def << ok << value << failText;
    };
    const char* appPrime = R"({"Show": false, "AppName": "Prev"})";
    const QString appFail = QStringLiteral("Failed to parse message setting default to true");
    add("app: both members", "app", appPrime, R"({"Show": true, "AppName": "X"})", 0, true,
        "show=1 name=X", {});
    add("app: Show absent keeps the flag", "app", appPrime, R"({"AppName": "X"})", 0, true,
        "show=0 name=X", {});
    add("app: AppName absent keeps the name", "app", appPrime, R"({"Show": true})", 0, true,
        "show=1 name=Prev", {});
    add("app: keys are case-sensitive", "app", appPrime, R"({"show": true, "appname": "X"})", 0,
        true, "show=0 name=Prev", {});
    add("app: wrong type for Show", "app", appPrime, R"({"Show": 1, "AppName": "X"})", 0, false,
        "show=1 name=Prev", appFail);
    add("app: wrong type for AppName", "app", appPrime, R"({"Show": false, "AppName": 5})", 0,
        false, "show=1 name=Prev", appFail);

    const QString scaleFail = QStringLiteral("Failed to parse Meter Scale Info ");
    add("scale: valid", "scale", R"({"Scale": 7})", R"({"Scale": 258})", 0, true, "258", {});
    add("scale: absent keeps", "scale", R"({"Scale": 7})", R"({"Other": 1})", 0, true, "7", {});
    add("scale: wrong type", "scale", R"({"Scale": 7})", R"({"Scale": "3"})", 0, false, "0",
        scaleFail);
    add("scale: fraction", "scale", R"({"Scale": 7})", R"({"Scale": 2.5})", 0, false, "0",
        scaleFail);
    add("scale: beyond 32 bits", "scale", R"({"Scale": 7})", R"({"Scale": 4294967296})", 0, false,
        "0", scaleFail);

    const QString noPair = QString::number(cJsonParseDoRiduyZoom::kNoPair);
    add("zoom: pair 8 is the last that fits", "zoom", R"({"Pair": 3})", R"({"Pair": 8})", 4, true,
        "8", {});
    add("zoom: pair 0", "zoom", R"({"Pair": 3})", R"({"Pair": 0})", 4, true, "0", {});
    add("zoom: pair 9 clears", "zoom", R"({"Pair": 3})", R"({"Pair": 9})", 4, true, noPair, {});
    add("zoom: pair -1 clears", "zoom", R"({"Pair": 3})", R"({"Pair": -1})", 4, true, noPair, {});
    add("zoom: fraction takes the default", "zoom", R"({"Pair": 3})", R"({"Pair": 2.5})", 4, false,
        "4", kDefault + QStringLiteral("4"));
    add("zoom: default that does not fit", "zoom", R"({"Pair": 3})", R"({"Pair": 2.5})", 9, false,
        noPair, kDefault + QStringLiteral("9"));
    add("zoom: Pair absent", "zoom", R"({"Pair": 3})", R"({"Other": 3})", 4, false, "4",
        kDefault + QStringLiteral("4"));
    add("zoom: wrong type", "zoom", R"({"Pair": 3})", R"({"Pair": "8"})", 4, false, "4",
        kDefault + QStringLiteral("4"));

    add("loudness: false still arms", "loudness", "", R"({"LoudnessReset": false})", 0, true, "1",
        {});
    add("loudness: wrong type", "loudness", "", R"({"LoudnessReset": 1})", 0, false, "1", kDefault);
    add("loudness: absent", "loudness", "", R"({})", 0, false, "1", kDefault);

    add("ed2: valid", "ed2", R"({"ED2PresentationSelect": 3})", R"({"ED2PresentationSelect": 5})",
        1, true, "5", {});
    add("ed2: absent", "ed2", R"({"ED2PresentationSelect": 3})", R"({})", 1, false, "1",
        kDefault + QStringLiteral("1"));
    add("ed2: wrong type", "ed2", R"({"ED2PresentationSelect": 3})",
        R"({"ED2PresentationSelect": "5"})", 1, false, "1", kDefault + QStringLiteral("1"));
    add("programme: valid", "programme", R"({"DeProgramSelect": 3})", R"({"DeProgramSelect": 6})",
        2, true, "6", {});
    add("programme: absent", "programme", R"({"DeProgramSelect": 3})", R"({})", 2, false, "2",
        kDefault + QStringLiteral("2"));

    const QString gridFail = QStringLiteral("Failed to parse Reset Dolby Grid Info ");
    add("grid: show again", "grid", R"({"ResetDolbyGrid": true})", R"({"ResetDolbyGrid": false})",
        0, true, "0", {});
    add("grid: absent keeps", "grid", R"({"ResetDolbyGrid": true})", R"({})", 0, true, "1", {});
    add("grid: wrong type", "grid", R"({"ResetDolbyGrid": true})", R"({"ResetDolbyGrid": "yes"})",
        0, false, "0", gridFail);

    const char* viewPrime = R"({"VisualiserView": "Top View"})";
    add("view: valid", "view", viewPrime, R"({"VisualiserView": "Front View"})", 0, true,
        "Front View", {});
    add("view: absent keeps", "view", viewPrime, R"({})", 0, true, "Top View", {});
    add("view: wrong type", "view", viewPrime, R"({"VisualiserView": 1})", 0, false, QString(),
        QStringLiteral("Failed to parse Dolby Visualiser View Info "));

    add("video: ShowVideo true", "video", R"({"ShowVideo": false})", R"({"ShowVideo": true})", 0,
        true, "1", {});
    add("video: absent keeps", "video", R"({"ShowVideo": false})", R"({})", 0, true, "0", {});
    add("video: wrong type", "video", R"({"ShowVideo": false})", R"({"ShowVideo": 0})", 0, false,
        "1", QStringLiteral("Failed to parse Video Switch message setting default to true"));
    add("video mute: ShowVideo true unmutes", "video mute", R"({"ShowVideo": false})",
        R"({"ShowVideo": true})", 1, true, "0", {});
    add("video mute: absent takes the default", "video mute", R"({"ShowVideo": true})", R"({})", 1,
        false, "1", QStringLiteral("Failed to parse message ShowVideo"));
    add("video mute: wrong type", "video mute", R"({"ShowVideo": true})",
        R"({"ShowVideo": "true"})", 1, false, "1",
        QStringLiteral("Failed to parse message ShowVideo"));

    add("mutes: short array mutes the rest", "mutes", "", R"({"MuteSettings": [1, 0]})", 10, true,
        "1101", {});
    add("mutes: non-integer keeps its bit", "mutes", "", R"({"MuteSettings": [0, "x", 1, 0]})", 10,
        true, "100", {});
    add("mutes: elements past the channels ignored", "mutes", "",
        R"({"MuteSettings": [0, 0, 0, 0, 1, 1]})", 10, true, "0", {});
    add("mutes: absent", "mutes", "", R"({})", 10, false, "1010", kDefault + QStringLiteral("10"));
    add("mutes: not an array", "mutes", "", R"({"MuteSettings": 3})", 10, false, "1010",
        kDefault + QStringLiteral("10"));

    const char* routesPrime = R"({"SpeakerRoutes": [2, 2, 2, 2]})";
    add("routes: bad entries take default 1", "routes", routesPrime,
        R"({"SpeakerRoutes": [3, 25, "a"]})", 1, true, RoutesText(QStringLiteral("3,1,1,2")), {});
    add("routes: default 20 leaves bad entries", "routes", routesPrime,
        R"({"SpeakerRoutes": [3, 25, "a"]})", 20, true, RoutesText(QStringLiteral("3,2,2,2")), {});
    add("routes: negative entry", "routes", routesPrime, R"({"SpeakerRoutes": [-1, 19]})", 5, true,
        RoutesText(QStringLiteral("5,19,2,2")), {});
    add("routes: seventeenth entry ignored", "routes", "",
        R"({"SpeakerRoutes": [1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17]})", 1, true,
        QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"), {});
    add("routes: not an array", "routes", routesPrime, R"({"SpeakerRoutes": {}})", 1, false,
        RoutesText(QStringLiteral("2,2,2,2")), kDefault + QStringLiteral("1"));
}

void tst_FpMessages::parse() {
    QFETCH(QString, op);
    QFETCH(QByteArray, prime);
    QFETCH(QByteArray, input);
    QFETCH(quint64, def);
    QFETCH(bool, ok);
    QFETCH(QString, value);
    QFETCH(QString, failText);

    const Outcome outcome = RunOp(op, prime, input, def);
    QVERIFY2(outcome.bPrimeOk, "the priming message must be accepted");
    QCOMPARE(outcome.bOk, ok);
    QCOMPARE(outcome.value, value);

    // Text that is not JSON logs the syntax error first, with the whole text.
    QStringList expected;
    rapidjson::Document doc;
    const bool bSyntaxError = !input.isNull() && doc.Parse(input.constData()).HasParseError();
    if (bSyntaxError) {
        const bool bUpper = op == QLatin1String("loudness") || op == QLatin1String("ed2") ||
                            op == QLatin1String("programme");
        expected << QString::fromLatin1(bUpper ? "NOT A VALID JSON STRING %1."
                                               : "Not a valid json string %1.")
                        .arg(QString::fromUtf8(input));
    }
    if (!failText.isEmpty())
        expected << failText;
    QCOMPARE(outcome.logged, expected);
}

// Guards against the classes this application never creates logging
// through a logger nobody gave them.
void tst_FpMessages::unconstructedClassesFailSilently() {
    Logger* const pSaved = cJsonParseMute::mpLogger;
    cJsonParseFpSwitchVideo::mpLogger = nullptr;
    cJsonParseMute::mpLogger = nullptr;
    cJsonParseAudioSpeakerRoutes::mpLogger = nullptr;
    {
        ConsoleCapture err(2);
        cJsonParseFpSwitchVideo video;
        cJsonParseMute mute;
        cJsonParseAudioSpeakerRoutes routes;
        QVERIFY(!video.ParseAppVideoMessage("nope"));
        QVERIFY(!mute.ParseSwitchVideo("nope", true));
        QVERIFY(!mute.ParseMutes("nope", 0));
        QVERIFY(!routes.ParseAudioSpeakerTypes("nope", AUDIO_SPEAKER_LEFT));
        QCOMPARE(LoggedMessages(err.Text()), QStringList());
    }
    cJsonParseFpSwitchVideo::mpLogger = pSaved;
    cJsonParseMute::mpLogger = pSaved;
    cJsonParseAudioSpeakerRoutes::mpLogger = pSaved;
}

// Guards the table lookup against writing outside the sixteen routes or
// past the twenty speaker types.
void tst_FpMessages::speakerRouteBounds() {
    cJsonParseAudioSpeakerRoutes routes(AUDIO_SPEAKER_CENTER);
    routes.SetAudioSpeakerRoute(15, 19);
    routes.SetAudioSpeakerRoute(16, 1);
    routes.SetAudioSpeakerRoute(0, 20);
    QCOMPARE(routes.GetAudioSpeakerRoute(15), AUDIO_SPEAKER_OTHER);
    QCOMPARE(routes.GetAudioSpeakerRoute(0), AUDIO_SPEAKER_CENTER);
    QCOMPARE(Routes(routes), QStringLiteral("3,3,3,3,3,3,3,3,3,3,3,3,3,3,3,19"));
}

// Guards against a parser the subscriber creates staying without a logger,
// which would lose its failure lines.
void tst_FpMessages::subscriberParsersTakeTheLogger() {
    cJsonParseVisualiserView::mpLogger = nullptr;
    cJsonParseVisualiserView view;
    QCOMPARE(cJsonParseVisualiserView::mpLogger, Logger::GetInstance());
    QCOMPARE(cJsonParseVisualiserView::mLogLevel, LEVEL_WARN);
    QCOMPARE(cJsonParseAudioSpeakerRoutes::mLogLevel, LEVEL_WARN);
}

QTEST_APPLESS_MAIN(tst_FpMessages)
#include "test_fpmessages.moc"
