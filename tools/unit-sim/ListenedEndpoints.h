#pragma once

#include <QStringList>

#include <set>
#include <string>
#include <vector>

// Every endpoint the visualiser subscribes to, started or not, under a short
// name that recordings keep: the addresses differ between a unit and a desk.
namespace ListenedEndpoints {

struct sEndpoint {
    const char* pName; // "ed2", "peer", ...
    const char* pWhat; // who publishes there
    std::string address;
};

// With the current BRISVEL_* overrides.
std::vector<sEndpoint> All();
const sEndpoint* Find(const std::vector<sEndpoint>& endpoints, const std::string& name);

// The names given to --only (repeated or comma-separated); empty when none.
// False, with the reason, when a name is not one of All().
bool Only(const QStringList& values, std::set<std::string>* pNames, QString* pError);

} // namespace ListenedEndpoints
