// The maker's web pages the program links to.
#pragma once

namespace vantrel::ui {

inline constexpr const char* kMakerSite = "https://orbisan.example/";
inline constexpr const char* kHomePage = "https://orbisan.example/vantrel/";
inline constexpr const char* kUpdatePage = "https://orbisan.example/vantrel/updates";
inline constexpr const char* kResourcesPage = "https://orbisan.example/vantrel/resources";

}  // namespace vantrel::ui
