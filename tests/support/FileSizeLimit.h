// While one lives, every write that grows a file past the limit fails, as on
// a full disk. Unlike a read-only folder this holds for root too, who passes
// every permission check (the tests may run as root).
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace tq::test {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    handler_ = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  struct rlimit saved_ {};
  sighandler_t handler_ = SIG_DFL;
};

}  // namespace tq::test
