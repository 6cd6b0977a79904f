#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace vesk::test {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& stdin_text) {
  int out[2], in[2];
  if (pipe(out) != 0 || pipe(in) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(out[1], 2);
    close(in[0]);
    close(in[1]);
    close(out[0]);
    close(out[1]);
    // Signals blocked in the test runner would stay blocked in the child.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  if (!stdin_text.empty()) {
    ssize_t ignored = write(in[1], stdin_text.data(), stdin_text.size());
    (void)ignored;
  }
  close(in[1]);
  out_fd_ = out[0];
  fcntl(out_fd_, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (out_fd_ >= 0) close(out_fd_);
}

void ChildProcess::signal(int sig) {
  if (pid_ > 0) kill(pid_, sig);
}

void ChildProcess::drain(int timeout_ms) {
  if (out_fd_ < 0) return;
  pollfd p{out_fd_, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return;
  char buf[4096];
  for (;;) {
    ssize_t n = read(out_fd_, buf, sizeof buf);
    if (n <= 0) break;
    out_.append(buf, static_cast<size_t>(n));
  }
}

const std::string& ChildProcess::output() {
  drain(0);
  return out_;
}

bool ChildProcess::wait_for_output(const std::string& text, int limit_ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (out_.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= end) return false;
    drain(20);
  }
  return true;
}

int ChildProcess::wait(int limit_ms) {
  if (pid_ <= 0) return -1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      pid_ = -1;
      drain(0);
      if (WIFEXITED(status)) return WEXITSTATUS(status);
      if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
      return -1;
    }
    if (std::chrono::steady_clock::now() >= end) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return -1;
    }
    drain(10);
  }
}

std::string program_path(const std::string& relative) { return std::string(VESK_BINARY_DIR) + "/" + relative; }

std::string find_program(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return dir + "/" + program;
  return {};
}

TempDir::TempDir() {
  char tmpl[] = "/tmp/vesk-test-XXXXXX";
  const char* p = mkdtemp(tmpl);
  path_ = p ? p : "";
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

}  // namespace vesk::test
