#pragma once

// The app as a service and to a technician: its version, the commands it
// runs instead of starting, and Qt's own lines in the journal's form.

// Name, version and source revision, e.g. "brisvel-visualiser 0.1, source
// revision 0b407a3c1d2e": printed by --version, as the first start-up line and
// as the service's status.
const char* VersionText();

// Runs the command the first argument names and returns its exit status, or
// -1 when it names none and the app is to start:
//   --version           prints VersionText()
//   --wait-bus SECONDS  waits for the bus directory, at most that long, and
//                       exits kExitNoBus if it never came (the unit's other
//                       processes make it)
int RunServiceCommand(int argc, char** argv);

// Waits for the bus directory, at most SECONDS (a number, else status 2):
// 0 once it is there, kExitNoBus when it never came.
int WaitForBus(const char* pSeconds);

// Where standard error is the journal, Qt's lines (the debug stream, Qt's own
// warnings) start with their priority too.
void RouteQtMessagesToJournal();
