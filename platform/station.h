#pragma once
// Stations: several guards on one machine. A station is a name given with
// `--station NAME` to every program of the suite; it has a settings store of
// its own (and through it its own working directory, event history and
// database), a card configuration of its own and window classes of its own.
// Without a name a program serves the default station, which keeps the
// plain store, card file and classes.

#include <string>
#include <string_view>

namespace zelkor::platform {

// A station's name is part of file names, socket names and the command
// lines Vorrak starts its companions with, so it is kept to characters that
// need no quoting anywhere.
constexpr size_t kMaxStationName = 32;

// 1 to kMaxStationName characters of A-Z, a-z, 0-9, '_' and '-'.
bool validStationName(std::string_view name);

// The store of `station` when the default store is the file `defaultStore`:
// that file itself for the default station (empty name), else a file beside
// it with "-NAME" before its extension (registry.reg: registry-NAME.reg).
// Beside it, so that $ZELKOR_REGISTRY moves every station's store along with
// the default one and two stations run from one environment never share one.
std::string stationStorePath(const std::string& defaultStore, std::string_view station);

// The station's store on this machine (see defaultRegistryPath).
std::string stationRegistryPath(std::string_view station);

// The station's own card configuration, vcard-NAME.ini in the folder of its
// store `storePath`; empty for the default station, which has none.
std::string stationCardPath(const std::string& storePath, std::string_view station);

// The card configuration the station's card is built from, for a loader
// that takes an empty name as "vcard.ini beside the programs, else the
// built-in card": the station's own file when it exists, else
// `environment` ($ZELKOR_VCARD, may be null). The station's file comes
// first: two stations started from one environment must not end up on the
// same camera because that environment names one.
std::string stationCardConfig(std::string_view station, const char* environment);

// The window class of a program of the station: `baseClass` for the default
// station, "baseClass.NAME" for a named one.
std::string stationClass(std::string_view baseClass, std::string_view station);

// How a record shared by several machines names the station: its name, or
// for the default station the host name, so that the default stations of
// two machines stay apart.
std::string stationLabel(std::string_view stationName);

// Takes "--station NAME" or "--station=NAME" out of argv, leaving the other
// arguments in their order for the program's own parsing. True with
// `*station` the name (empty when the option is not there); false with
// `*error` telling why when the name is missing or bad or the option is
// given twice.
bool takeStationArgument(int& argc, char** argv, std::string* station, std::string* error);

}  // namespace zelkor::platform
