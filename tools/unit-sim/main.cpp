#include "tools/unit-sim/SimRole.h"

#include "Common/AppLib/Include/BusEndpoints.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
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

void Usage(std::FILE* pOut) {
    std::fprintf(pOut,
                 "usage: unit-sim ROLE [options]\n\n"
                 "Stands in for the unit's other processes on a development machine.\n"
                 "Endpoints follow BRISVEL_MQ_DIR, BRISVEL_DECODER_ADDR and BRISVEL_UNIT_ADDR,\n"
                 "like the visualiser itself; run both with the same values.\n\nroles:\n");
    for (const auto& [name, role] : SimRoles())
        std::fprintf(pOut, "  %-10s %s\n", name.c_str(), role.summary.c_str());
    std::fprintf(pOut, "\n'unit-sim ROLE --help' shows a role's options.\n");
    std::fflush(pOut);
}

const char* const kBusGroupOption = "bus-group";

// Sockets that the visualiser's user reaches, the way DEPLOY.md sets the bus up:
// a directory of the bus group with the set-group-ID bit, so each socket takes
// that group, and a umask that leaves the group read and write access.
int ShareBusWithGroup(const QString& name) {
    const group* pGroup = getgrnam(name.toLocal8Bit().constData());
    if (!pGroup) {
        Sim::Complain(QStringLiteral("unit-sim: no group '%1'").arg(name));
        return 2;
    }
    umask(0007);
    const char* pDir = BusEndpoints::MqDir();
    struct stat info {};
    const bool bMade = stat(pDir, &info) != 0 && mkdir(pDir, 0770) == 0;
    const bool bShared = !bMade && stat(pDir, &info) == 0 && info.st_gid == pGroup->gr_gid &&
                         (info.st_mode & 02070) == 02070;
    if (!bShared && (chown(pDir, uid_t(-1), pGroup->gr_gid) != 0 || chmod(pDir, 02770) != 0)) {
        Sim::Complain(QStringLiteral("unit-sim: cannot give the bus directory %1 to group %2 "
                                     "with the set-group-ID bit: %3")
                          .arg(pDir, name, QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    return 0;
}

// The parser's usage line names the executable; ours names the role too.
QString RoleHelp(const QCommandLineParser& parser, const QString& role) {
    QString text = parser.helpText();
    const QString program = QCoreApplication::arguments().constFirst();
    const int at = text.indexOf(program);
    if (at >= 0)
        text.replace(at, program.size(), QStringLiteral("unit-sim ") + role);
    return text;
}
} // namespace

namespace Sim {
void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}
void Complain(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
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
void AddValue(QCommandLineParser& parser, const QString& name, const QString& valueName,
              const QString& description, const QString& fallback) {
    parser.addOption(QCommandLineOption(name, description, valueName, fallback));
}
void AddFlag(QCommandLineParser& parser, const QString& name, const QString& description) {
    parser.addOption(QCommandLineOption(name, description));
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
    if (args.size() < 2) {
        Usage(stderr);
        return 2;
    }
    const QString name = args.at(1);
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        Usage(stdout);
        return 0;
    }
    const auto found = SimRoles().find(name.toStdString());
    if (found == SimRoles().end()) {
        Sim::Complain(QStringLiteral("unit-sim: unknown role '%1'").arg(name));
        Usage(stderr);
        return 2;
    }
    const SimRole& role = found->second;
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromStdString(
        role.summary + (role.details.empty() ? std::string() : "\n\n" + role.details)));
    const QCommandLineOption help = parser.addHelpOption();
    if (role.options)
        role.options(parser);
    Sim::AddValue(parser, QString::fromLatin1(kBusGroupOption), QStringLiteral("GROUP"),
                  QStringLiteral("Make the bus directory and its sockets GROUP's, as on a unit "
                                 "(see DEPLOY.md), so the service's user can reach them."));
    args.removeAt(1); // the parser takes the first argument as the program
    if (!parser.parse(args)) {
        Sim::Complain(QStringLiteral("unit-sim %1: %2 ('unit-sim %1 --help' lists the options)")
                          .arg(name, parser.errorText()));
        return 2;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        std::printf("%s", RoleHelp(parser, name).toUtf8().constData());
        std::fflush(stdout);
        return 0;
    }
    if (parser.isSet(QString::fromLatin1(kBusGroupOption)))
        if (const int status =
                ShareBusWithGroup(parser.value(QString::fromLatin1(kBusGroupOption))))
            return status;
    Sim::InstallStopHandler();
    return role.run(parser);
}
