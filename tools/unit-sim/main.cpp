#include "SimRole.h"

#include "BusEndpoints.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

std::map<std::string, SimRole>& SimRoles() {
    static std::map<std::string, SimRole> roles;
    return roles;
}

namespace {
std::atomic<bool> gStopping{false};
void OnStop(int) {
    gStopping = true;
}

int Usage() {
    std::printf("usage: unit-sim ROLE [options]\n\n"
                "Stands in for the unit's other processes on a development machine.\n"
                "Endpoints follow BRISVEL_MQ_DIR, BRISVEL_DECODER_ADDR and BRISVEL_UNIT_ADDR,\n"
                "like the visualiser itself; run both with the same values.\n\nroles:\n");
    for (const auto& [name, role] : SimRoles())
        std::printf("  %-10s %s\n", name.c_str(), role.summary.c_str());
    std::printf("\n'unit-sim ROLE --help' shows a role's options.\n");
    return 2;
}
} // namespace

namespace Sim {
void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}
qint64 NowMs() {
    return QDateTime::currentMSecsSinceEpoch();
}
bool Stopping() {
    return gStopping;
}
void InstallStopHandler() {
    std::signal(SIGINT, OnStop);
    std::signal(SIGTERM, OnStop);
}
QString Option(const QStringList& args, const QString& name, const QString& fallback) {
    const QString flag = QStringLiteral("--") + name;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == flag && i + 1 < args.size())
            return args.at(i + 1);
        if (args.at(i).startsWith(flag + QLatin1Char('=')))
            return args.at(i).mid(flag.size() + 1);
    }
    return fallback;
}
bool Flag(const QStringList& args, const QString& name) {
    return args.contains(QStringLiteral("--") + name);
}
} // namespace Sim

int main(int argc, char** argv) {
    BusEndpoints::InitRuntime();
    // Roles that draw need a GUI application; the others must run without a display.
    bool widgets = false;
    if (argc > 1) {
        const auto found = SimRoles().find(argv[1]);
        widgets = found != SimRoles().end() && found->second.widgets;
    }
    if (widgets && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app(widgets ? new QApplication(argc, argv)
                                                  : new QCoreApplication(argc, argv));
    QStringList args = app->arguments();
    args.removeFirst();
    if (args.isEmpty())
        return Usage();
    const std::string name = args.takeFirst().toStdString();
    const auto found = SimRoles().find(name);
    if (found == SimRoles().end()) {
        std::fprintf(stderr, "unit-sim: unknown role '%s'\n", name.c_str());
        return Usage();
    }
    if (Sim::Flag(args, QStringLiteral("help"))) {
        std::printf("usage: unit-sim %s %s\n", name.c_str(), found->second.usage.c_str());
        return 0;
    }
    Sim::InstallStopHandler();
    return found->second.run(args);
}
