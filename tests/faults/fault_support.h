// Helpers of the fault-injection tests: scratch directories, whole-file
// reads, a child process to fault, and a private tmpfs for it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace faults {

// A fresh directory under $TMPDIR (or /tmp), not removed: a failure keeps it.
std::string makeScratchDir(const char* tag);
std::string readWhole(const std::string& path);
void writeWhole(const std::string& path, const std::string& bytes);
// Names in `dir` other than "." and "..".
std::vector<std::string> listDir(const std::string& dir);

// Runs `body` in a forked child and returns its exit status, or 128 + the
// signal that ended it. The child leaves with _exit: no test state is flushed.
int inChild(const std::function<int()>& body);

// Child-side only: a mount namespace of its own with a tmpfs of `options`
// (e.g. "size=64k") on `dir`. False where mounting is not allowed.
bool mountPrivateTmpfs(const std::string& dir, const char* options);
bool remountReadOnly(const std::string& dir);

// Sets or clears a file's immutable flag; false where the file system or the
// user cannot (then the file is as it was).
bool setImmutable(const std::string& path, bool on);

// Exit status a child uses to say the fault cannot be made here.
constexpr int kCannotFault = 77;

}  // namespace faults
