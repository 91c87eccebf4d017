// What differs between the desktop program (Kvel32) and the handheld build of
// the same sources (Kvel). Everything that depends on the edition reads it
// from here; the text edge (wide interfaces) is in sjis_win.cpp.
#pragma once

namespace kv {

#if defined(KVEL_HANDHELD)
inline constexpr bool kHandheld = true;
inline constexpr char kSettingsFileName[] = "Kvel.ini";
inline constexpr char kFavouritesEditorFormat[] = "%sSelm.exe";
inline constexpr char kBoardEditorFormat[] = "%sRavo.exe";
#else
inline constexpr bool kHandheld = false;
inline constexpr char kSettingsFileName[] = "Kvel32.ini";
inline constexpr char kFavouritesEditorFormat[] = "%sSelm32.exe";
inline constexpr char kBoardEditorFormat[] = "%sRavo32.exe";
#endif

// A handheld's program disk can show up under "\Program Disk"; the program
// then rewrites its folder to where the same files are reachable.
inline constexpr bool kRewriteProgramDisk = kHandheld;
// The desktop start-up always uses the one-list board tree.
inline constexpr bool kForceTreeTypeZero = !kHandheld;
// Opening a thread with less free program memory than this warns first
// (handheld only).
inline constexpr unsigned long kLowMemoryWarning = kHandheld ? 1024000UL : 0UL;

}  // namespace kv
