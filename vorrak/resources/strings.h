#pragma once
// The fixed texts that more than one part of the suite uses, each once: the
// title of the message boxes, the settings store's keys and the values read
// on both sides of it, and the files one program leaves for another. They
// are kept exactly as the suite has always written them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zelkor::resources {

// Title of Vorrak's and manage's message boxes.
inline constexpr std::string_view kTitle = "Zelkor Oculara";

// Settings store keys under HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kProductKey = "SOFTWARE\\Zelkor\\Oculara";
inline constexpr std::string_view kMakerKey = "SOFTWARE\\Zelkor";

// The video standards' short names by VIDEOSTANDARD, as the control panel
// shows them and the setup wizard offers them.
inline constexpr std::array<std::string_view, 8> kStandardShortNames{
    "NTSC-M", "NTSC-N", "NTSC-4.43", "PAL-BGHI", "PAL-M", "PAL-N", "PAL-4.43", "SECAM"};

// Values of the product key that Vorrak and the setup wizard write and
// Histran and manage read.
inline constexpr std::string_view kWorkingDirValue = "WORKINGDIR";
inline constexpr std::string_view kUseAccessValue = "USEACCESS";
// Empty for Vrak.mdb in the working directory, or a PostgreSQL connection
// URI for an event database that several stations share.
inline constexpr std::string_view kEventDatabaseValue = "EVENTDATABASE";
// EVENTDATABASE is read into this many bytes, its terminating zero included.
inline constexpr uint32_t kEventDatabaseSize = 1024;
// Values of the maker key: the password the setup wizard sets and Vorrak asks for.
inline constexpr std::string_view kRunNormalValue = "RUNNORMAL";
inline constexpr std::string_view kRunStringValue = "RUNSTRING";

// Where the display library's version lives in the settings store: Vorrak
// refuses to start below the one it needs, and the setup wizard records the
// one the suite comes with, so a set-up machine passes.
inline constexpr std::string_view kDirectXKey = "SOFTWARE\\Microsoft\\DirectX";
inline constexpr std::string_view kDirectXVersionValue = "Version";
inline constexpr std::string_view kInstalledDirectXVersion = "4.09.00.0904";

// In the working directory: the event history Vorrak appends to and Histran
// empties, and the event database Histran fills and manage browses.
inline constexpr std::string_view kHistoryFileName = "History.Log";
inline constexpr std::string_view kDatabaseFileName = "Vrak.mdb";

// Longest path the guard engine keeps, in characters; the working directory
// is limited so that every file it holds stays within it.
inline constexpr size_t kGuardPathMax = 255;

}  // namespace zelkor::resources
