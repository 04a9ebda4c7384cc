// Saving a file so that it is either the old one or the new one, whole, and
// reading one so that no kind of file can hold the game up.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
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

// The file a save replaces: a symbolic link is followed to the file it names
// (relative targets from the link's own folder), so that the player's link
// into a synced or backed-up folder stays a link. A chain that loops or runs
// too deep ends on a link, which the save leaves as it is.
std::string followLinks(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    const ssize_t n = readlink(path.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(n));
    path = target[0] == '/' ? target : splitPath(path).dir + target;
  }
  return path;
}

// Whether the file as it stands could be opened to be read (access() would
// answer for the real user, not the one the game runs as).
bool canBeRead(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// Copies the file into `stream` until its end or `limit` bytes, whichever
// comes first. The size fstat gives is not trusted: files under /proc say 0
// and have more, and a file may grow while it is read.
bool copyUpTo(int fd, std::size_t limit, std::FILE* stream) {
  char chunk[65536];
  for (std::size_t done = 0; done < limit;) {
    const ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, limit - done));
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || std::fwrite(chunk, 1, static_cast<std::size_t>(n), stream) != static_cast<std::size_t>(n))
      return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0644 & ~mask;
}

// Writes, flushes and syncs the temporary, then renames it over `path`.
bool writeAndRename(int fd, const std::string& temporary, const std::string& path,
                    const std::function<bool(std::FILE*)>& write) {
  std::FILE* file = fdopen(fd, "w");
  if (!file) {
    close(fd);
    return false;
  }
  bool ok = write(file);
  ok = ok && std::fflush(file) == 0 && fsync(fileno(file)) == 0;
  ok = (std::fclose(file) == 0) && ok;
  return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

namespace {
// The type of what a path names, links followed; 0 when it cannot be looked at.
mode_t pathKindOf(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 ? (info.st_mode & S_IFMT) : 0;
}
}  // namespace

namespace platform {

bool playerFileMissing(const char* path) {
  const PlayerFile probe = readPlayerFile(path, 1);
  if (probe.stream) std::fclose(probe.stream);
  return probe.outcome == PlayerFile::Missing;
}

PlayerFile readPlayerFile(const char* path, std::size_t limit) {
  // Non-blocking, or opening a FIFO would wait for a writer.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {errno == ENOENT ? PlayerFile::Missing : PlayerFile::Unreadable, nullptr};
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return {PlayerFile::NotAFile, nullptr};
  }
  // The stream's own buffer, freed when it is closed; one byte more than the
  // most it holds, so that an empty file has a stream as well. Only the pages
  // a file fills are ever touched.
  std::FILE* stream = fmemopen(nullptr, limit + 1, "w+");
  const bool read = stream && copyUpTo(fd, limit, stream) && std::fseek(stream, 0, SEEK_SET) == 0;
  close(fd);
  if (!read) {
    if (stream) std::fclose(stream);
    return {PlayerFile::Unreadable, nullptr};
  }
  return {PlayerFile::Read, stream};
}

SaveResult replaceFile(const char* name, const std::function<bool(std::FILE*)>& write) {
  const std::string path = followLinks(name);
  struct stat old;
  if (lstat(path.c_str(), &old) == 0 && S_ISLNK(old.st_mode)) return {SaveResult::Failed};  // a loop of links
  const bool exists = stat(path.c_str(), &old) == 0;
  // Judged by the mode bits: the game may run as root, who may write anything.
  if (exists && S_ISREG(old.st_mode) && (old.st_mode & S_IWUSR) == 0) return {SaveResult::ReadOnly};
  if (exists && !S_ISREG(old.st_mode)) return {SaveResult::Failed};  // a folder or a device is not ours to replace
  if (exists && !canBeRead(path)) return {SaveResult::Unreadable};
  const PathParts parts = splitPath(path);
  removeStaleTemporaries(parts);
  std::string temporary = parts.dir + temporaryPrefix(parts) + std::string(kRandomPart, 'X');
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return {SaveResult::Failed};
  // The owner first (changing it clears set-id bits that the mode restores).
  // Only root may give a file away: a file of someone else's that this save
  // would take from them stays theirs.
  const bool otherOwner = exists && (old.st_uid != geteuid() || old.st_gid != getegid());
  if (otherOwner && fchown(fd, old.st_uid, old.st_gid) != 0) {
    close(fd);
    unlink(temporary.c_str());
    return {SaveResult::OtherOwner};
  }
  fchmod(fd, exists ? old.st_mode & 07777 : newFileMode());
  if (!writeAndRename(fd, temporary, path, write)) {
    unlink(temporary.c_str());
    return {SaveResult::Failed};
  }
  syncDirectory(parts.dir);
  return {SaveResult::Saved};
}

bool makeFolder(const char* path) {
  if (mkdir(path, 0777) == 0) return true;
  struct stat info;
  return errno == EEXIST && stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> filesEndingIn(const char* folder, const char* ending) {
  std::vector<std::string> names;
  DIR* listing = opendir(folder);
  if (!listing) return names;
  const std::string end = ending;
  while (const dirent* entry = readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.size() <= end.size() || name.compare(name.size() - end.size(), end.size(), end) != 0) continue;
    if (pathKindOf((std::string(folder) + "/" + name).c_str()) == S_IFREG) names.push_back(name);
  }
  closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

bool removeOwnFile(const char* path) {
  struct stat info;
  if (lstat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return unlink(path) == 0;
}

}  // namespace platform
