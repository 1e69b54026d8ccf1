#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "image/ImageFiles.h"

namespace tq {

std::string FileTimeStamp(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "n/a";
  struct stat info {};
  const bool ok = fstat(fd, &info) == 0;
  close(fd);
  if (!ok) return "n/a";
  // The stamp is always shown at UTC+8, whatever the machine's own zone.
  const std::time_t shifted = static_cast<std::time_t>(info.st_mtim.tv_sec) + std::time_t{8} * 3600;
  std::tm t{};
  if (!gmtime_r(&shifted, &t)) return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, " <%04d-%02d-%02d %02d:%02d:%02d>", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

}  // namespace tq
