#include "ui/Platform.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vantrel::platform {
namespace {

constexpr const char* kDataSuffix = "/Orbisan/Vantrel 3.1/";

bool Given(const char* s) { return s != nullptr && *s != '\0'; }

}  // namespace

std::string InstallationFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string DataFolderFrom(const char* xdgDataHome, const char* home) {
  std::string base;
  if (Given(xdgDataHome) && xdgDataHome[0] == '/') {
    base = xdgDataHome;
  } else if (Given(home)) {
    base = std::string(home) + "/.local/share";
  } else {
    return {};
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + kDataSuffix;
}

std::string DataFolder() {
  const char* home = std::getenv("HOME");
  if (!Given(home)) {
    const passwd* pw = getpwuid(getuid());
    home = pw != nullptr ? pw->pw_dir : nullptr;
  }
  std::string folder = DataFolderFrom(std::getenv("XDG_DATA_HOME"), home);
  if (!folder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);  // a failure shows later, at the file dialog
  }
  return folder;
}

std::string UserNameFrom(const char* gecos, const char* login) {
  if (Given(gecos)) {
    std::string name(gecos);
    name = name.substr(0, name.find(','));
    if (!name.empty()) return name;
  }
  if (Given(login)) return login;
  return kUserUnknown;
}

std::string UserName() {
  const passwd* pw = getpwuid(getuid());
  if (pw == nullptr) return kUserUnknown;
  return UserNameFrom(pw->pw_gecos, pw->pw_name);
}

std::string OsVersionLine(bool ok, std::string_view sysName, std::string_view release) {
  if (!ok) return "Unable to read OS Version Information";
  // "6.1.0-18-amd64" -> "6.1"
  std::size_t end = release.find('.');
  if (end != std::string_view::npos) {
    end = release.find_first_not_of("0123456789", end + 1);
    if (end == std::string_view::npos) end = release.size();
  } else {
    end = release.size();
  }
  return "OS: " + std::string(sysName) + " V" + std::string(release.substr(0, end));
}

std::string OsVersionLine() {
  utsname u{};
  if (uname(&u) != 0) return OsVersionLine(false, {}, {});
  return OsVersionLine(true, u.sysname, u.release);
}

}  // namespace vantrel::platform
