#pragma once

#include <QCommandLineParser>

#include <czmq.h>

#include <functional>
#include <string>

// Shared by the roles that stand in for a publisher of JSON messages.
namespace SimPub {

// Binds a PUB socket on the endpoint, creating the IPC directory first when
// needed. Null (and a line on stderr) when the bind fails.
zsock_t* Bind(const std::string& endpoint);

// Sends a two-frame topic + JSON message and says so on stdout.
void Send(zsock_t* pSocket, const char* pTopic, const QByteArray& json);

// Calls pRound a few times over about 1.5 s, so a subscriber that has just
// connected still gets it; with --repeat, every --interval ms (default 1000)
// until SIGINT/SIGTERM. Destroys the socket at the end.
int Run(zsock_t* pSocket, const QCommandLineParser& args, const std::function<void()>& round);

// Declares the options Run understands.
void AddLoopOptions(QCommandLineParser& parser);

} // namespace SimPub
