#include "ui/window_posts.h"

#include "platform/station.h"

namespace vesk {

WindowPosts& window_posts() { return station().state<WindowPosts>(); }

namespace {

// Called with the posts' lock held.
void wake_locked(WindowPosts& p) {
  if (p.call_pending || !p.wake) return;
  p.call_pending = true;
  p.wake();
}

}  // namespace

void window_posts_line(LogText text, const std::string& line) {
  WindowPosts& p = window_posts();
  std::lock_guard<std::mutex> lock(p.mutex);
  if (!p.wake) return;
  p.lines.emplace_back(text, line);
  wake_locked(p);
}

void window_posts_repaint() {
  WindowPosts& p = window_posts();
  std::lock_guard<std::mutex> lock(p.mutex);
  wake_locked(p);
}

void window_posts_message(int message) {
  const int bit = message - WM_REFRESH_STATUS;
  if (bit < 0 || bit > WM_LINKED_STATION - WM_REFRESH_STATUS) return;
  WindowPosts& p = window_posts();
  std::lock_guard<std::mutex> lock(p.mutex);
  p.messages |= 1u << bit;
  wake_locked(p);
}

bool window_attached() {
  WindowPosts& p = window_posts();
  std::lock_guard<std::mutex> lock(p.mutex);
  return static_cast<bool>(p.wake);
}

WindowBatch window_posts_take(const WindowBatch& shown) {
  WindowBatch batch;
  LogState& log = log_state();
  // The log layer's lock first: the sink is called under it, so no line can be written
  // between taking the lines and counting the texts.
  std::lock_guard<std::mutex> log_lock(log.mutex);
  WindowPosts& p = window_posts();
  {
    std::lock_guard<std::mutex> lock(p.mutex);
    batch.lines.swap(p.lines);
    batch.messages = p.messages;
    p.messages = 0;
    p.call_pending = false;
  }
  std::size_t monitor_after = shown.monitor_count, frame_after = shown.frame_count;
  for (const auto& [text, line] : batch.lines) ++(text == LogText::Frame ? frame_after : monitor_after);
  batch.monitor_count = log.monitor.size();
  batch.frame_count = log.frame.size();
  // Lines a text dropped to stay within its bound are gone from the view too: the view takes
  // the texts whole, as after a reset.
  batch.resets = log.text_resets + log.monitor_dropped + log.frame_dropped;
  if (batch.resets != shown.resets || monitor_after != batch.monitor_count || frame_after != batch.frame_count) {
    batch.whole = true;
    batch.lines.clear();
    for (const std::string& l : log.monitor) batch.monitor += l;
    for (const std::string& l : log.frame) batch.frame += l;
  }
  return batch;
}

bool window_batch_has(const WindowBatch& batch, int message) {
  const int bit = message - WM_REFRESH_STATUS;
  return bit >= 0 && bit < 32 && (batch.messages & (1u << bit)) != 0;
}

}  // namespace vesk
