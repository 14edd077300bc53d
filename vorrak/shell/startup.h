#pragma once
// Vorrak's way in and out: the checks that may refuse a start, the
// preparation of hardware and state before the windows exist, and the
// shutdown after the message loop, each in its fixed order.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/pci.h"
#include "vorrak/panel/splash.h"
#include "vorrak/shell/live_video_steps.h"
#include "vorrak/state/vorrak.h"

namespace zelkor::vorrak {

// Window classes of the programs that use the same hardware.
constexpr std::string_view kVorrakClass = "ZelkorVorrak";
constexpr std::string_view kLiveClass = "ZelkorLive";
constexpr std::string_view kRecorderClass = "ZelkorDVCR";

constexpr std::string_view kAnotherVorrakMessage =
    "Another Zelkor Oculara is running....\nYou cannot run two Zelkor Oculara simultaneously.";
constexpr std::string_view kLiveRunningMessage =
    "Zelkor Live is running now....\nYou cannot run Zelkor Oculara and Zelkor Live "
    "simultaneously.";
constexpr std::string_view kRecorderRunningMessage =
    "Zelkor Digital VCR is running....\nYou cannot run two Zelkor Digital VCR simultaneously.";
// Followed by the reason the window class could not be claimed.
constexpr std::string_view kInstanceFaultMessage =
    "Cannot tell whether another Zelkor Oculara is running:\n";
constexpr std::string_view kDirectXMessage =
    "Please install DirectX 6 or higher version before running this application.";
constexpr std::string_view kPowerOffNotOffMessage = "Power save can't be turned off...";
constexpr std::string_view kPowerOffNotOnMessage = "Power save can't be turned on...";
constexpr std::string_view kPowerOffNotOnAtEndMessage = "Power save is can't on...";

// The display library's version is read into a buffer of this size.
constexpr uint32_t kDirectXVersionSize = 80;
constexpr int kMinimumDirectXVersion = 406;

constexpr std::string_view kHelpPage = "Help/Help.htm";

// The program folder from a Windows command line: everything before its
// last backslash, without a leading double quote; "c:\" when there is no
// backslash or only one in front. The search runs over the arguments too.
std::string ProgramDirFromCommandLine(std::string_view commandLine);
// The help page in `programDir`, with `separator` between the parts.
std::string HelpPathOf(std::string_view programDir, char separator);

// "4.06.02.0436" reads 406: the first, third and fourth characters as
// hundreds, tens and units. -1 for a text too short to have them or with
// anything but digits there: no version can be read from it.
int DirectXVersionNumber(std::string_view text);

// The picture and input values of the settings, as the decoder takes them,
// and the input and standard a search or the decoder settled, taken back.
PictureSettings PictureOf(const Settings& settings);
void TakeInput(Settings& settings, const PictureSettings& picture);

// The steps before anything is prepared: display chip, decoder, the other
// programs of the hardware, the display library. Claims Vorrak's window
// class into `v.instance`. False when the start is refused; the user was
// told and nothing taken is kept.
bool CheckStartup(Vorrak& v, VorrakServices& s, platform::Pci& pci);

// Everything between the checks and the main window: the decoder, the
// program's folder (`programDir`) and help page, the settings, the guard files, the history file,
// the power-off feature, the signal search and the display set-up. `endProcess` of the services
// ends the process when the settings fail. False when the start is refused (the user was told).
// `splash`, when given, is shown first and hidden once the signal search is done.
bool PrepareRun(Vorrak& v, VorrakServices& s, LiveVideoSteps& live, const std::string& programDir,
                SplashScreen* splash = nullptr);

// A start given up after PrepareRun took the hardware: the decoder output
// off and the power-off feature back as it was before the start.
void ReleaseRefusedStart(Vorrak& v, VorrakServices& s);

// After the message loop: guard mode off, the end-of-work line, settings,
// decoder settings file, decoder output, power-off feature, Histran, work
// frames. Returns the exit code.
int ExitSequence(Vorrak& v, VorrakServices& s);

// The session ends under the program: what must not be lost is saved (the
// line of an event still traced among it), and nothing is started.
void EndSession(Vorrak& v, VorrakServices& s, LiveVideoSteps& live);

}  // namespace zelkor::vorrak
