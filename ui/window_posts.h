// What worker threads hand to the main window. They never draw and never wait: a log line,
// a repaint request or one of the five user messages is stored here, and the first thing
// stored since the window last looked queues one call to the window thread (`wake`). The
// window then takes everything at once and shows it in one batch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "db/log.h"

namespace vesk {

struct WindowPosts {
  std::mutex mutex;
  std::vector<std::pair<LogText, std::string>> lines;  // in the order written
  unsigned messages = 0;                               // bit (message - WM_REFRESH_STATUS)
  bool call_pending = false;
  // Set by the window: queues one call to the window thread; never blocks. Empty: no window.
  std::function<void()> wake;
};
WindowPosts& window_posts();

// The window's side of the log sink, the repaint request and the post_message hook.
void window_posts_line(LogText text, const std::string& line);
void window_posts_repaint();
void window_posts_message(int message);
bool window_attached();

// One batch for the window. When the views no longer hold what the log layer holds (the texts
// were cleared, a document was opened), `whole` is set and the two texts come whole instead
// of the lines.
struct WindowBatch {
  std::vector<std::pair<LogText, std::string>> lines;
  unsigned messages = 0;
  bool whole = false;
  std::string monitor, frame;
  // What the views hold after this batch: line counts and the log layer's reset count.
  std::size_t monitor_count = 0, frame_count = 0;
  std::uint64_t resets = 0;
};
// `shown`: what the views hold now (the previous batch's counts).
WindowBatch window_posts_take(const WindowBatch& shown);
bool window_batch_has(const WindowBatch& batch, int message);

}  // namespace vesk
