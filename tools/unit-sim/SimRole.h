#pragma once

#include <QCommandLineParser>
#include <QString>

#include <functional>
#include <map>
#include <string>

// A role of the simulator ("ed2", "peer", ...). Each sim_<role>.cpp defines
// one with a static SimRoleRegistration, so adding a role touches no other file.
struct SimRole {
    std::string summary; // one line for the list of roles
    std::string details; // the rest of the role's help, after its options
    // Declares the role's options and positional arguments on its own parser.
    std::function<void(QCommandLineParser&)> options;
    std::function<int(const QCommandLineParser&)> run; // once the arguments parsed
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
// The same on standard error.
void Complain(const QString& line);
// Milliseconds since the Unix epoch, for arrival times.
qint64 NowMs();
// Blocks SIGINT/SIGTERM handling to a flag the role's loop polls.
bool Stopping();
void InstallStopHandler();
// Adds "--name VALUE" with its default to a role's parser.
void AddValue(QCommandLineParser& parser, const QString& name, const QString& valueName,
              const QString& description, const QString& fallback = {});
void AddFlag(QCommandLineParser& parser, const QString& name, const QString& description);
} // namespace Sim
