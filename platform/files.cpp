// Saving a file so that it is either the old one or the new one, whole.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace {

// The folder of a path, ending in '/', and the file's own name.
struct PathParts {
  std::string dir, base;
};

PathParts splitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"./", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// A save writes "." + the file's name + ".fivelaps-saving-" and six random
// letters or digits (mkstemp's) beside the file: hidden, and of a form no
// player gives a copy of their own, so the clean-up below can never take a
// player's file.
const char* const kTemporaryMarker = ".fivelaps-saving-";
constexpr std::size_t kRandomPart = 6;

std::string temporaryPrefix(const PathParts& parts) { return "." + parts.base + kTemporaryMarker; }

bool isOurTemporary(const std::string& name, const std::string& prefix) {
  if (name.size() != prefix.size() + kRandomPart || name.compare(0, prefix.size(), prefix) != 0) return false;
  for (std::size_t i = prefix.size(); i < name.size(); ++i) {
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  }
  return true;
}

// Makes the rename durable too; a failure here no longer endangers the file.
void syncDirectory(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// A save cut short by a crash or a kill leaves its temporary file behind.
// Those older than a minute belong to no save still running: they go before
// the next save, so a player's folder does not collect them.
void removeStaleTemporaries(const PathParts& parts) {
  const std::string prefix = temporaryPrefix(parts);
  DIR* listing = opendir(parts.dir.c_str());
  if (!listing) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = readdir(listing)) {
    if (!isOurTemporary(entry->d_name, prefix)) continue;
    const std::string candidate = parts.dir + entry->d_name;
    struct stat info;
    if (lstat(candidate.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    if (now - info.st_mtime >= 60) unlink(candidate.c_str());
  }
  closedir(listing);
}

}  // namespace

namespace platform {

bool replaceFile(const char* path, const std::function<bool(std::FILE*)>& write) {
  const PathParts parts = splitPath(path);
  removeStaleTemporaries(parts);
  std::string temporary = parts.dir + temporaryPrefix(parts) + std::string(kRandomPart, 'X');
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  fchmod(fd, 0644);  // an ordinary file once renamed, not mkstemp's private one
  std::FILE* file = fdopen(fd, "w");
  if (!file) {
    close(fd);
    unlink(temporary.c_str());
    return false;
  }
  bool ok = write(file);
  ok = ok && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  ok = (std::fclose(file) == 0) && ok;
  ok = ok && std::rename(temporary.c_str(), path) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  syncDirectory(parts.dir);
  return true;
}

}  // namespace platform
