#include "pipeline/DisplayLines.h"

namespace vantrel {

void DisplayLines::Add(std::string_view text, bool message) {
  text_.append(text);
  ends_.push_back(text_.size());
  text_.push_back('\n');
  message_.push_back(message);
}

void DisplayLines::AddRange(const DisplayLines& from, std::size_t first, std::size_t count) {
  if (count == 0) return;
  const std::size_t begin = from.Start(first);
  const std::size_t end = from.ends_[first + count - 1] + 1;
  const std::size_t shift = text_.size();
  text_.append(from.text_, begin, end - begin);
  for (std::size_t i = first; i < first + count; ++i) {
    ends_.push_back(from.ends_[i] - begin + shift);
    message_.push_back(from.message_[i]);
  }
}

std::string_view DisplayLines::Text(std::size_t i) const {
  const std::size_t start = Start(i);
  return std::string_view(text_).substr(start, ends_[i] - start);
}

std::string_view DisplayLines::Joined() const {
  return text_.empty() ? std::string_view() : std::string_view(text_).substr(0, text_.size() - 1);
}

void DisplayLines::Clear() {
  text_.clear();
  ends_.clear();
  message_.clear();
}

void DisplayLines::Swap(DisplayLines& other) noexcept {
  text_.swap(other.text_);
  ends_.swap(other.ends_);
  message_.swap(other.message_);
}

}  // namespace vantrel
