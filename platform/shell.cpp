#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <vector>

extern char** environ;

namespace vesk {

namespace {

// Runs /bin/sh -c `script` with `args` as $1, $2, ..., and waits for that shell only; the
// script puts its real work in the background.
int spawn_detached(const char* script, const std::vector<std::string>& args) {
  std::vector<std::string> storage = {"/bin/sh", "-c", script, "sh"};
  storage.insert(storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0) return 0;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return 0;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 1 : 0;
}

}  // namespace

int shell_open(const std::string& target, const std::string& opener) {
  return spawn_detached("\"$1\" \"$2\" </dev/null >/dev/null 2>&1 &", {opener, target});
}

int shell_run_batch(const std::filesystem::path& dir, const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(dir / file, ec)) return 0;
  return spawn_detached("cd \"$1\" || exit 1; sh \"./$2\" </dev/null >/dev/null 2>&1 &", {dir.string(), file});
}

}  // namespace vesk
