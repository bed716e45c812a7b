// What the program learns about its host at start-up: where it is installed,
// where the user's data goes, who the user is, and the OS version for System
// Diagnostics. Plain functions of their inputs, so tests need no real account.
#pragma once
#include <string>
#include <string_view>

namespace vantrel::platform {

inline constexpr const char* kUserUnknown = "<User Unknown>";

// The folder holding the running executable, ending in '/'; empty when unknown.
std::string InstallationFolder();

// XDG base directory rules: $XDG_DATA_HOME when absolute, else $HOME/.local/share,
// then "/Orbisan/Vantrel 3.1/". Empty when neither gives a folder.
std::string DataFolderFrom(const char* xdgDataHome, const char* home);
// From the environment (and the password database for a missing HOME).
// Created the first time it is asked for.
std::string DataFolder();

// The GECOS full name up to its first comma, else the login name, else
// kUserUnknown.
std::string UserNameFrom(const char* gecos, const char* login);
std::string UserName();  // of the account running the program

// "OS: Linux V6.1" from uname's system name and release; ok = false gives
// "Unable to read OS Version Information".
std::string OsVersionLine(bool ok, std::string_view sysName, std::string_view release);
std::string OsVersionLine();

}  // namespace vantrel::platform
