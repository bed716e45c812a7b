// Shared by the trace-file tests: a main window that records what it is asked,
// a fresh temporary directory per test, and a file size cap that makes writes
// fail part-way.
#pragma once
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FileSizeLimit.h"
#include "common/Reports.h"
#include "pipeline/MainWindowSeam.h"

#if defined(__unix__)
#include <unistd.h>
#endif

namespace vantrel::testing {

// The ";Created:"/";Closed:" stamp.
inline const std::string kStamp =
    R"(\d{2}-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d{4} at \d{2}:\d{2})";

struct Message {
  std::string text, title;
  bool operator==(const Message&) const = default;
};
inline void PrintTo(const Message& m, std::ostream* os) { *os << '[' << m.title << "] " << m.text; }

class RecordingSeam final : public NullMainWindow, public ReportSeam {
 public:
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  bool AskOkCancel(std::string_view text, std::string_view title) override {
    questions.push_back({std::string(text), std::string(title)});
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  std::string UserName() override { return "Bench User"; }
  void Beep() override {}
  void AppendDisplayLine(std::string_view line) override { display.emplace_back(line); }

  std::vector<Message> messages, questions;
  std::vector<std::string> display;
  std::deque<bool> answers;  // AskOkCancel results in turn; OK once used up
};

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = std::string(info->test_suite_name()) + "." + info->name();
#if defined(__unix__)
    leaf += '.';
    leaf += std::to_string(::getpid());
#endif
    dir_ = std::filesystem::temp_directory_path() / "vantrel-tests" / leaf;
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    SetMainWindow(&seam_);
    SetReports(&seam_);
  }
  void TearDown() override {
    SetMainWindow(nullptr);
    SetReports(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& leaf) const { return (dir_ / leaf).string(); }

  RecordingSeam seam_;
  std::filesystem::path dir_;
};

using test::FileSizeLimit;

}  // namespace vantrel::testing
