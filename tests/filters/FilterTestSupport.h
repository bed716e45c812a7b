// Shared by the filter file tests: reports recorded as "Title: text", and a
// scratch folder per test.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/Reports.h"

namespace vantrel::test {

class RecordingWindow : public ReportSeam {
 public:
  std::vector<std::string> messages;  // "Title: text"
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back(std::string(title) + ": " + std::string(text));
  }
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "Tester"; }
  void Beep() override {}
};

class ScratchDir {
 public:
  ScratchDir() {
    dir_ = std::filesystem::temp_directory_path() /
           ("vantrel-filters-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  ~ScratchDir() { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Write(const std::string& name, const std::string& body) const {
    std::ofstream(dir_ / name, std::ios::binary) << body;
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  std::filesystem::path dir_;
};

inline std::string Header(const std::string& kind) {
  return ";Orbisan Corporation\r\n;Vantrel " + kind + " File\r\n;Ver 01.00\r\n;Created: 01-Jan-2027 at 10:00\r\n;By: Someone\r\n";
}

}  // namespace vantrel::test
