#include "fault_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace faults {

namespace {

// Scratch directories go when the test process ends. Forked children that
// leave through exit() must not take their parent's directories with them.
struct ScratchDirs {
  pid_t owner = getpid();
  std::vector<std::string> paths;
  ~ScratchDirs() {
    if (getpid() != owner) return;
    for (const std::string& path : paths) {
      std::error_code ignored;
      chmod(path.c_str(), 0700);  // a read-only case may have left it so
      std::filesystem::remove_all(path, ignored);
    }
  }
};

ScratchDirs& scratchDirs() {
  static ScratchDirs dirs;
  return dirs;
}

}  // namespace

std::string makeScratchDir(const char* tag) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/fivelaps-" + tag + "-XXXXXX";
  if (!mkdtemp(pattern.data())) return "";
  scratchDirs().paths.push_back(pattern);
  return pattern;
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void writeWhole(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> listDir(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (!d) return names;
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  return names;
}

int inChild(const std::function<int()>& body) {
  std::fflush(nullptr);  // or the child's stdio would write the parent's pending output again
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool mountPrivateTmpfs(const std::string& dir, const char* options) {
  if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0) return false;
  // Keeps the mount from propagating back into the test's own namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
  return mount("tmpfs", dir.c_str(), "tmpfs", 0, options) == 0;
}

bool remountReadOnly(const std::string& dir) {
  return mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

bool setImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

}  // namespace faults
