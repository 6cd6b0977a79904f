// Test support: start a program with arguments, collect its standard output, signal it,
// wait for it with a time limit.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace vesk::test {

class ChildProcess {
 public:
  // Starts `argv[0]` with the arguments; standard output and error go to one pipe.
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& stdin_text = "");
  ~ChildProcess();
  bool started() const { return pid_ > 0; }
  void signal(int sig);
  // Waits for the exit at most `limit_ms`; returns the exit code, 128+signal when killed by
  // a signal, or -1 on time-out (the child is then killed).
  int wait(int limit_ms);
  // Everything the child wrote so far (reads what is waiting without blocking).
  const std::string& output();
  // Waits until the output contains `text`, at most `limit_ms`.
  bool wait_for_output(const std::string& text, int limit_ms);

 private:
  void drain(int timeout_ms);
  pid_t pid_ = -1;
  int out_fd_ = -1;
  std::string out_;
};

// The path of a built program of the project.
std::string program_path(const std::string& relative);
// The path of `program` on PATH, or empty when it is not installed.
std::string find_program(const std::string& program);
// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace vesk::test
