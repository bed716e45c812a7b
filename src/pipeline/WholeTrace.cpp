#include "pipeline/WholeTrace.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#if defined(__linux__)
#include <unistd.h>
#endif

namespace vantrel {

WholeTrace gWholeTrace;

namespace {

unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c; }

// Offset of the first match in text, or npos. Without matchCase, ASCII
// letters match either case (Horspool's skip over folded bytes).
std::size_t Search(std::string_view text, std::string_view pattern, bool matchCase) {
  if (matchCase) return text.find(pattern);
  const std::size_t m = pattern.size();
  if (m > text.size()) return std::string_view::npos;
  std::string folded(pattern);
  for (char& c : folded) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
  std::size_t skip[256];
  std::fill(std::begin(skip), std::end(skip), m);
  for (std::size_t i = 0; i + 1 < m; ++i) skip[static_cast<unsigned char>(folded[i])] = m - 1 - i;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t at = 0; at + m <= text.size();) {
    const unsigned char last = Fold(t[at + m - 1]);
    if (last == static_cast<unsigned char>(folded[m - 1])) {
      std::size_t i = 0;
      while (i + 1 < m && Fold(t[at + i]) == static_cast<unsigned char>(folded[i])) ++i;
      if (i + 1 >= m) return at;
    }
    at += skip[last];
  }
  return std::string_view::npos;
}

}  // namespace

WholeTrace::WholeTrace() {
  ceiling_ = std::size_t{2} << 30;
#if defined(__linux__)
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
  if (pages > 0 && pageSize > 0) ceiling_ = static_cast<std::size_t>(pages) / 2 * static_cast<std::size_t>(pageSize);
#endif
}

WholeTrace::Page& WholeTrace::LastPage() {
  if (pages_.empty() || pages_.back()->ends.size() == kPageLines) {
    // A full page's text is trimmed to its size once: the page is done.
    if (!pages_.empty()) pages_.back()->text.shrink_to_fit();
    pages_.push_back(std::make_unique<Page>());
    pages_.back()->ends.reserve(kPageLines);
  }
  return *pages_.back();
}

void WholeTrace::AppendLines(const DisplayLines& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines.IsMessage(i)) notes_.push_back(lineCount_);
    Page& p = LastPage();
    // Each line ends with '\n', so that no match runs from one line into
    // the next (a find pattern is one line).
    p.text.append(lines.Text(i));
    p.text.push_back('\n');
    p.ends.push_back(static_cast<std::uint32_t>(p.text.size() - 1));
    ++lineCount_;
    lineBytes_ += lines.Text(i).size() + 1 + sizeof(std::uint32_t);
  }
}

void WholeTrace::AppendNote(std::string_view line) {
  DisplayLines one;
  one.Add(line, false);
  AppendLines(one);
}

std::string_view WholeTrace::Line(std::size_t i) const {
  if (i >= lineCount_) return {};
  const Page& p = *pages_[i / kPageLines];
  const std::size_t k = i % kPageLines;
  const std::size_t start = k == 0 ? 0 : p.ends[k - 1] + 1;
  return std::string_view(p.text).substr(start, p.ends[k] - start);
}

std::optional<std::size_t> WholeTrace::MessageOfLine(std::size_t i) const {
  if (i >= lineCount_) return std::nullopt;
  const auto at = std::lower_bound(notes_.begin(), notes_.end(), std::uint64_t{i});
  if (at != notes_.end() && *at == i) return std::nullopt;
  return i - static_cast<std::size_t>(at - notes_.begin());
}

void WholeTrace::ClearLines() {
  pages_.clear();
  notes_.clear();
  lineCount_ = 0;
  lineBytes_ = 0;
}

std::optional<std::size_t> WholeTrace::Find(std::string_view pattern, bool matchCase, std::size_t from,
                                             std::size_t count, bool backward) const {
  if (pattern.empty() || count == 0 || from >= lineCount_) return std::nullopt;
  if (pattern.find('\n') != std::string_view::npos) return std::nullopt;  // no line holds one
  std::size_t first = from, last = from;  // lines searched, inclusive
  if (backward) {
    first = from >= count - 1 ? from - (count - 1) : 0;
  } else {
    last = std::min(lineCount_ - 1, from + (count - 1));
  }
  const std::size_t firstPage = first / kPageLines, lastPage = last / kPageLines;
  for (std::size_t n = 0; n <= lastPage - firstPage; ++n) {
    const std::size_t page = backward ? lastPage - n : firstPage + n;
    const Page& p = *pages_[page];
    const std::size_t base = page * kPageLines;
    const std::size_t lo = std::max(first, base) - base, hi = std::min(last, base + p.ends.size() - 1) - base;
    const std::size_t begin = lo == 0 ? 0 : p.ends[lo - 1] + 1;
    const std::string_view text = std::string_view(p.text).substr(begin, p.ends[hi] + 1 - begin);
    std::optional<std::size_t> found;
    for (std::size_t at = 0;;) {
      const std::size_t hit = Search(text.substr(at), pattern, matchCase);
      if (hit == std::string_view::npos) break;
      const std::size_t offset = begin + at + hit;
      const std::size_t line = static_cast<std::size_t>(std::lower_bound(p.ends.begin(), p.ends.end(), offset) -
                                                        p.ends.begin());
      found = base + line;
      if (!backward) break;
      // Backward: the last match in the range; go on after this line.
      at = p.ends[line] + 1 - begin;
      if (at >= text.size()) break;
    }
    if (found) return found;
  }
  return std::nullopt;
}

void WholeTrace::AppendMessage(const MessageRecord& r, std::span<const TraceWord> words) {
  messages_.push_back({.firstWord = words_.size(),
                       .startMinutes = r.startMinutes,
                       .lastMinutes = r.lastMinutes,
                       .durationMinutes = r.durationMinutes,
                       .wordCount = static_cast<std::uint32_t>(words.size()),
                       .msgNumberLow = r.msgNumberLow,
                       .msgNumberHigh = r.msgNumberHigh,
                       .byteCount = r.byteCount,
                       .startMicroseconds = r.startMicroseconds,
                       .lastMicroseconds = r.lastMicroseconds,
                       .durationMicroseconds = r.durationMicroseconds,
                       .address = r.address});
  words_.insert(words_.end(), words.begin(), words.end());
  messageCount_.store(messages_.size(), std::memory_order_release);
  messageBytes_.fetch_add(sizeof(Kept) + words.size() * sizeof(TraceWord), std::memory_order_relaxed);
}

WholeTrace::OneMessage WholeTrace::Message(std::size_t index) const {
  OneMessage one;
  if (index >= messages_.size()) return one;
  const Kept& k = messages_[index];
  MessageRecord r;
  r.msgNumberLow = k.msgNumberLow;
  r.msgNumberHigh = k.msgNumberHigh;
  r.address = k.address;
  r.byteCount = k.byteCount;
  // Indices count every word kept since the trace began, as the tables' do
  // since they were last trimmed; a store past 32 bits counts from the message.
  const bool fits = k.firstWord + k.wordCount <= UINT32_MAX;
  one.base = fits ? static_cast<std::uint32_t>(k.firstWord) : 0;
  r.startIndex = one.base + 1;
  r.stopIndex = one.base + k.wordCount;
  r.startMinutes = k.startMinutes;
  r.startMicroseconds = k.startMicroseconds;
  r.lastMinutes = k.lastMinutes;
  r.lastMicroseconds = k.lastMicroseconds;
  r.durationMinutes = k.durationMinutes;
  r.durationMicroseconds = k.durationMicroseconds;
  one.records = {MessageRecord{}, r};  // slot 0 unused
  one.words.reserve(std::size_t{k.wordCount} + 1);
  one.words.push_back(0);
  const auto first = words_.begin() + static_cast<std::ptrdiff_t>(k.firstWord);
  one.words.insert(one.words.end(), first, first + k.wordCount);
  return one;
}

MessageTablesView WholeTrace::OneMessage::View() const {
  if (records.size() < 2) return {};
  return {records.data(), 2, words.data(), base + static_cast<std::uint32_t>(words.size() - 1), base};
}

void WholeTrace::ClearMessages() {
  messageBytes_.store(0, std::memory_order_relaxed);
  messages_.clear();
  words_.clear();
  messageCount_.store(0, std::memory_order_release);
}

WholeTrace::Memory WholeTrace::MemoryUse() const {
  Memory m;
  m.lines = lineCount_;
  for (const auto& p : pages_) m.lineBytes += sizeof(Page) + p->text.capacity() + p->ends.capacity() * 4;
  m.lineBytes += pages_.capacity() * sizeof(pages_[0]) + notes_.capacity() * sizeof(notes_[0]);
  m.messages = messages_.size();
  m.messageBytes = messages_.size() * sizeof(Kept);
  m.words = words_.size();
  m.wordBytes = words_.size() * sizeof(TraceWord);
  return m;
}

}  // namespace vantrel
