#pragma once
// The other stations of this machine, as far as the setup must know them:
// two stations working in one folder would mix their event histories and
// databases, so a working directory another station uses is refused.

#include <string>
#include <string_view>
#include <vector>

namespace zelkor::tools {

// The stations with a store file beside the default store `defaultStore`:
// "" (the default station) when that file exists, and the NAME of every
// station store "<stem>-NAME<ext>" there, in no particular order.
std::vector<std::string> StationsBeside(const std::string& defaultStore);

// Why `workDir` cannot be the working directory of `station`: another
// station's store names the same folder. Empty when none does.
std::string SharedWorkDirProblem(const std::string& defaultStore, std::string_view station,
                                 const std::string& workDir);

// The working directory a first set-up proposes in the home folder `home`:
// "Oculara" for the default station, "Oculara-NAME" for station NAME.
std::string ProposedWorkDir(const std::string& home, std::string_view station);

}  // namespace zelkor::tools
