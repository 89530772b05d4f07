#include "app/MainWindow.h"
#include "look/ButtonStylesheets.h"
#include "look/LabelStylesheets.h"
#include "look/SystemColor.h"
#include "support/ChildProcess.h"
#include "support/TestBus.h"

#include <QApplication>
#include <QTest>

// The dual flag comes from the application's own argument list, which a test
// runner cannot vary, so each case runs this program again with other arguments.
class TestDualMode final : public QObject {
    Q_OBJECT

private slots:
    void showMetersHonoursTheFirstArgument_data();
    void showMetersHonoursTheFirstArgument();
};

void TestDualMode::showMetersHonoursTheFirstArgument_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("dual");
    QTest::newRow("Dual") << QStringList{"Dual"} << true;
    QTest::newRow("any letter case") << QStringList{"DUAL"} << true;
    QTest::newRow("none") << QStringList{} << false;
    QTest::newRow("only as the second argument") << QStringList{"x", "Dual"} << false;
}

// Guards the dual flag: in dual mode the meters share the screen, so a
// request to show them must leave the window alone.
void TestDualMode::showMetersHonoursTheFirstArgument() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, dual);
    ChildProcess child;
    child.start(QCoreApplication::applicationFilePath(), QStringList{"--child"} + arguments);
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), dual ? 2 : 1);
}

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--child") {
        // The window sees the arguments after the program name and "--child".
        argv[1] = argv[0];
        QApplication app(--argc, argv + 1);
        TestBusEnvironment bus;
        cSysColor::Init();
        cButtonStyle::Init();
        cLabelStyle::Init();
        MainWindow window;
        window.show();
        window.sltMaximizeApp();
        window.sltShowMeters();
        const bool minimised = window.windowState().testFlag(Qt::WindowMinimized);
        return window.IsDual() && !minimised ? 2 : (!window.IsDual() && minimised ? 1 : 3);
    }
    QCoreApplication app(argc, argv);
    TestDualMode test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_dualmode.moc"
