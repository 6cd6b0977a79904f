#include "modem/call_recorder.h"

#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "db/log.h"
#include "platform/station.h"
#include "platform/wav.h"

namespace vesk {

namespace {

struct CallRecorderState {
  std::mutex lock;
  std::unique_ptr<WavWriter> writer;
  bool recording = false;
  bool enabled = false;
  std::string base_path = kRecorderDefaultPath;
  int64_t max_samples = 240000;
  int64_t samples_written = 0;
  std::string file_path;
};

CallRecorderState& rec() { return station().state<CallRecorderState>(); }

void log_error(const char* what, const std::string& path) {
  log_printf("[%s][%s][RECORDER ERROR: %s %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
             what, path.c_str());
}

// Finishes a writer taken out of the state (outside its lock).
void finish(std::unique_ptr<WavWriter> writer, const std::string& path) {
  if (writer != nullptr && writer->close() == 0) log_error("CANNOT FINISH", path);
}

std::unique_ptr<WavWriter> take_writer(CallRecorderState& r) {
  r.recording = false;
  return std::move(r.writer);
}

}  // namespace

void rec_enable() {
  std::lock_guard<std::mutex> g(rec().lock);
  rec().enabled = true;
}

void rec_disable() {
  std::lock_guard<std::mutex> g(rec().lock);
  rec().enabled = false;
}

int rec_is_enabled() {
  std::lock_guard<std::mutex> g(rec().lock);
  return rec().enabled ? 1 : 0;
}

void rec_set_path(const std::string& path) {
  std::lock_guard<std::mutex> g(rec().lock);
  rec().base_path = path.empty() ? std::string(kRecorderDefaultPath) : path;
}

void rec_set_max_seconds(int seconds) {
  std::lock_guard<std::mutex> g(rec().lock);
  rec().max_samples = static_cast<int64_t>(seconds) * kRecorderSampleRate;
}

int rec_start(const std::string& file_name, const std::string& title) {
  CallRecorderState& r = rec();
  std::unique_ptr<WavWriter> previous;
  std::string previous_path, path;
  {
    std::lock_guard<std::mutex> g(r.lock);
    if (!r.enabled) return 0;
    previous_path = r.file_path;
    previous = take_writer(r);
    // An absolute folder is taken as given, as the recorder dialog checks it; any other path
    // (a stored "D:\\rec" among them) lies inside the station folder.
    const std::string name = r.base_path + file_name;
    path = std::filesystem::path(name).is_absolute() ? name : station().path(name).string();
  }
  finish(std::move(previous), previous_path);

  std::error_code ec;
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  auto writer = std::make_unique<WavWriter>();
  if (writer->open(path, kRecorderSampleRate, 1) == 0) {
    log_error("CANNOT CREATE", path);
    return 0;
  }
  writer->set_info(title, kRecorderSoftwareText);
  std::lock_guard<std::mutex> g(r.lock);
  r.writer = std::move(writer);
  r.recording = true;
  r.samples_written = 0;
  r.file_path = path;
  return 1;
}

void rec_write(const int16_t* samples, int count) {
  CallRecorderState& r = rec();
  std::unique_ptr<WavWriter> done;
  std::string path;
  bool failed = false;
  {
    std::lock_guard<std::mutex> g(r.lock);
    if (!r.recording || !r.enabled || r.writer == nullptr || count <= 0) return;
    failed = r.writer->write(samples, count) == 0;
    if (!failed) r.samples_written += count;
    // The check follows the append: a file holds up to one block more than the maximum.
    if (failed || r.samples_written > r.max_samples) {
      path = r.file_path;
      done = take_writer(r);
    }
  }
  if (failed) log_error("CANNOT WRITE", path);
  finish(std::move(done), path);
}

void rec_stop() {
  CallRecorderState& r = rec();
  std::unique_ptr<WavWriter> done;
  std::string path;
  {
    std::lock_guard<std::mutex> g(r.lock);
    path = r.file_path;
    done = take_writer(r);
  }
  finish(std::move(done), path);
}

int rec_is_recording() {
  std::lock_guard<std::mutex> g(rec().lock);
  return rec().recording ? 1 : 0;
}

std::string rec_file_path() {
  std::lock_guard<std::mutex> g(rec().lock);
  return rec().file_path;
}

}  // namespace vesk
