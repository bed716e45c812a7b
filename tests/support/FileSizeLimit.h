// Files this process writes cannot grow past `bytes` (such a write fails with
// EFBIG instead of raising SIGXFSZ) until lifted or destroyed.
#pragma once
#if defined(__unix__)
#include <sys/resource.h>

#include <csignal>
#endif

namespace vantrel::test {

class FileSizeLimit {
 public:
#if defined(__unix__)
  explicit FileSizeLimit(rlim_t bytes) {
    ok_ = ::getrlimit(RLIMIT_FSIZE, &old_) == 0;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r = old_;
    r.rlim_cur = bytes;
    ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &r) == 0;
  }
  ~FileSizeLimit() { Lift(); }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  void Lift() {
    if (lifted_) return;
    lifted_ = true;
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
  bool ok_ = false, lifted_ = false;
#else
  explicit FileSizeLimit(unsigned long) {}
  void Lift() {}
  bool ok() const { return false; }
#endif
};

}  // namespace vantrel::test
