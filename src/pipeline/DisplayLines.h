// Lines on their way to the trace display, packed into one buffer, so that a
// batch of decoded lines costs no allocation per line. Message lines are
// counted and go to the display file; other lines (log comments, notes) do
// not. Used by one thread at a time.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class DisplayLines {
 public:
  void Add(std::string_view text, bool message);
  // Appends lines [first, first + count) of another batch.
  void AddRange(const DisplayLines& from, std::size_t first, std::size_t count);
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view Text(std::size_t i) const;
  bool IsMessage(std::size_t i) const { return message_[i]; }
  // Every line, separated by '\n'.
  std::string_view Joined() const;
  void Clear();
  void Swap(DisplayLines& other) noexcept;

 private:
  std::size_t Start(std::size_t i) const { return i == 0 ? 0 : ends_[i - 1] + 1; }
  std::string text_;               // each line followed by '\n'
  std::vector<std::size_t> ends_;  // offset of each line's '\n'
  std::vector<bool> message_;
};

}  // namespace vantrel
