// Guards the stream description: which members become display lines, when
// the programme and stream lists are read, the frame-type names, and that a
// malformed or wrongly typed document emits nothing and leaves the lines on show.
#include "messages/JsonParseDolbyMetaData.h"
#include "visualiser/ZmqSubDolby.h"

#include <QtTest>

class cTestDolbyMetaData final : public QObject {
    Q_OBJECT

private slots:
    void frameTypeNames_data();
    void frameTypeNames();
    void documents_data();
    void documents();
};

void cTestDolbyMetaData::frameTypeNames_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name"); // without the Atmos flag; empty: no name
    // Codes 1 to 28 in order, '|' between them; a code left out has no name. Code 0 shows the
    // stream description instead.
    const QStringList names =
        QString::fromLatin1("Dolby Digital||Pause|MPEG 1 L1|MPEG 1 L2-3|MPEG 2||"
                            "MPEG 2.5 L1|MPEG 2.5 L2-3|AAC|HEAAC|||||Dolby Digital Plus|||||"
                            "Dolby Digital Plus IEC|MAT IEC||Dolby AC-4|EMDF||KLV|Generic Dolby E")
            .split(QLatin1Char('|'));
    for (int code = 1; code <= names.size(); ++code)
        QTest::addRow("%d", code) << code << names[code - 1];
    QTest::newRow("241") << 241 << "ED2: Dolby E + Evolution v1";
    QTest::newRow("242") << 242 << "ED2: Dolby E + Evolution v2";
    QTest::newRow("255") << 255 << "Unknown frame type";
    QTest::newRow("256") << 256 << "";
}

void cTestDolbyMetaData::frameTypeNames() {
    // A wrong or shifted name in the frame-type table.
    QFETCH(int, code);
    cZmqSubDolby subscriber;
    QTEST(subscriber.GetStreamNameFroms337FrameType(code), "name");
}

void cTestDolbyMetaData::documents_data() {
    QTest::addColumn<QString>("json");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("streamType"); // empty: nothing emitted
    const QStringList kept{"kept\n"};        // the lines of the document before
    QTest::newRow("Atmos flag") << R"({"S337Type":{"Data":16},"IsAtmosPresent":true})"
                                << QStringList{"\n"} << "Dolby Digital Plus with Atmos";
    QTest::newRow("unlisted code shows Type")
        << R"({"S337Type":{"Data":2},"Type":{"Desc":"C"}})" << QStringList{"\n", "\nC"} << "C";
    QTest::newRow("lists without counts")
        << R"({"Programs":[{"p":{}}],"Streams":[{"s":{}}]})" << QStringList{} << "Undefined";
    QTest::newRow("items, programmes, streams")
        << R"({"Streams":[{"s":{"Title":"S"}}],"NoOfStreams":1,"NoOfPrograms":1,)"
           R"("Programs":[{"p":{"Title":"P","Desc":"1"}},{"q":{"Desc":"2"}}],"Info":{"Title":"I"}})"
        << QStringList{"I\n", "P\n1", "\n2", "S\n"} << "Undefined";
    QTest::newRow("syntax error") << R"({"NoOfPrograms":)" << kept << "";
    QTest::newRow("string count") << R"({"NoOfPrograms":"1"})" << kept << "";
    QTest::newRow("string frame type") << R"({"S337Type":{"Data":"16"}})" << kept << "";
    QTest::newRow("programme a number") << R"({"NoOfPrograms":1,"Programs":[3]})" << kept << "";
    QTest::newRow("number Title") << R"({"Info":{"Title":5}})" << kept << "";
}

void cTestDolbyMetaData::documents() {
    // A member shown that should not be, one left out or out of order, or a bad document
    // that replaces the lines on show.
    QFETCH(QString, json);
    cZmqSubDolby subscriber;
    subscriber.ParseDolbyMetadata(R"({"Info":{"Title":"kept"},"NoOfPrograms":2})");
    QStringList types;
    connect(&subscriber, &cZmqSubDolby::sigDolbyStreamType, this,
            [&](const char* pType) { types << QString::fromUtf8(pType); });
    subscriber.ParseDolbyMetadata(json.toUtf8().constData());
    QTEST(QStringList(subscriber.DisplayLines()), "lines");
    QTEST(types.join(QLatin1Char('|')), "streamType");
}

QTEST_APPLESS_MAIN(cTestDolbyMetaData)
#include "test_dolbymetadata.moc"
