#pragma once
// Vorrak's command ids: what the main window dispatches, whether they come
// from its keys, its popup menu, the control panel's buttons or another
// program. Kept here, without Qt, so the panel's logic names the same ids
// the main window dispatches on.

#include <cstdint>

namespace zelkor::vorrak::command {

inline constexpr uint32_t About = 40001;
inline constexpr uint32_t Exit = 40004;
inline constexpr uint32_t SnapshotOutside = 40011;
inline constexpr uint32_t RecordOutside = 40012;
inline constexpr uint32_t Snapshot = 40018;
inline constexpr uint32_t Record = 40019;
inline constexpr uint32_t CloseByEscape = 40057;
inline constexpr uint32_t AlwaysOnTop = 40058;
inline constexpr uint32_t GuardStartStop = 40071;
inline constexpr uint32_t EventList = 40072;
inline constexpr uint32_t MailWithoutEvent = 40073;
inline constexpr uint32_t Settings = 106;
inline constexpr uint32_t Help = 107;
inline constexpr uint32_t CaptureSettings = 40017;

}  // namespace zelkor::vorrak::command
