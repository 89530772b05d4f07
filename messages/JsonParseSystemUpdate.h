#pragma once

#include <cstddef>
#include <cstdint>

// One package offered by a system update. Texts are NUL-terminated and cut
// to fit.
struct SystemUpdatePackage_t {
    char desc[64];     // "PackageDesc"
    char fileName[64]; // "PackageFileName"
    char version[12];  // "PackageVersion"
};

// What the heartbeat monitor tells about a system update. Fixed size so it
// can travel by pointer in a signal; texts are NUL-terminated and cut to fit.
struct SystemUpdate_t {
    static constexpr std::size_t kMaxPackages = 5;

    char version[12];      // "VersionOnUnit"."Version"
    float versionFloat;    // "VersionOnUnit"."VersionFloat"
    std::uint8_t passcode; // low 8 bits of "passcode", passed on unchecked
    char message[128];     // "Message", text for the user; empty when none
    char task[512];        // "Task"
    SystemUpdatePackage_t packages[kMaxPackages];
    std::uint8_t packageCount; // entries of packages[] filled by the message
};

// Reads the system update and application command messages of the
// heartbeat monitor. Keeps nothing between calls.
class cJsonParseSystemUpdate {
public:
    // Parses a system update into the record: 0 on success, -1 when the text
    // is not a well-formed update (the record is then left untouched). A
    // member missing from the message keeps the record's earlier value.
    int ParseSUPackage(const char* pJson, SystemUpdate_t* pOut);
    // The integer "Command" of a forwarded application command, or -1.
    int ParseSystemCommand(const char* pJson);

    // Part of the interface the unit's applications share; nothing to do here.
    void ClearAllConfigs() {}
    void ParseSUMessages(const char* pJson) { (void)pJson; }
    void ParseSUStop(const char* pJson) { (void)pJson; }
};
