#pragma once

#include <QStringList>

#include <functional>
#include <map>
#include <string>

// A role of the simulator ("ed2", "peer", ...). Each sim_<role>.cpp defines
// one with a static SimRoleRegistration, so adding a role touches no other file.
struct SimRole {
    std::string summary;                        // one line for the usage text
    std::string usage;                          // the role's own options
    std::function<int(const QStringList&)> run; // arguments after the role name
    bool widgets = false; // draws widgets: gets a QApplication (offscreen without a display)
};

std::map<std::string, SimRole>& SimRoles();

struct SimRoleRegistration {
    SimRoleRegistration(const std::string& name, SimRole role) {
        SimRoles()[name] = std::move(role);
    }
};

// Small helpers shared by the roles.
namespace Sim {
// Prints a line on standard output and flushes it, so pipes see it at once.
void Say(const QString& line);
// Milliseconds since the Unix epoch, for arrival times.
qint64 NowMs();
// Blocks SIGINT/SIGTERM handling to a flag the role's loop polls.
bool Stopping();
void InstallStopHandler();
// Value of "--name value" or "--name=value" in the arguments, or the fallback.
QString Option(const QStringList& args, const QString& name, const QString& fallback = {});
bool Flag(const QStringList& args, const QString& name);
} // namespace Sim
