// Serial-tone block interleaver and the soft-decision Viterbi decoder of the K=7 code.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "modem/serial_tone/m110_tables.h"

namespace vesk {

// One interleaver block of a mode: rows x columns cells. Two walks over the matrix:
// the row walk (row + row step; at row 0 the next column) and the column walk (row + 1,
// column + column step; at row 0 the next start column). The transmitter loads by the row
// walk and fetches by the column walk; the receiver loads by the column walk and fetches by the
// row walk, which gives back the transmitter's load order. In-order modes (row step 0) walk
// column by column both ways. Each side keeps its own cursor, and a complete walk ends where
// it began.
template <typename T>
class M110Interleaver {
 public:
  enum class Side { Transmit, Receive };

  // Geometry of `mode`, both cursors at row 0, column 0, empty, every cell cleared.
  void set(int mode, Side side) {
    const M110ModeInfo& m = m110_mode_info(mode);
    rows_ = m.rows;
    columns_ = m.columns;
    row_step_ = m.row_step;
    column_step_ = m.column_step;
    side_ = side;
    cells_.assign(static_cast<std::size_t>(rows_ * columns_), T{});
    load_ = Cursor{};
    fetch_ = Cursor{};
    count_ = 0;
  }
  int capacity() const { return rows_ * columns_; }
  int count() const { return count_; }
  bool full() const { return count_ == capacity(); }
  bool empty() const { return count_ == 0; }

  // Loading a full block or fetching an empty one is refused (false / T{}): the caller's
  // block bookkeeping went wrong, and an overwrite would lose bits silently.
  bool load(T value) {
    if (full()) return false;
    Cursor& c = load_;
    cells_[static_cast<std::size_t>(c.row * columns_ + c.column)] = value;
    if (side_ == Side::Transmit) row_walk(c); else column_walk(c);
    ++count_;
    return true;
  }
  T fetch() {
    if (empty()) return T{};
    Cursor& c = fetch_;
    const T value = cells_[static_cast<std::size_t>(c.row * columns_ + c.column)];
    if (side_ == Side::Transmit) column_walk(c); else row_walk(c);
    --count_;
    return value;
  }

 private:
  struct Cursor {
    int row = 0, column = 0, start_column = 0;
  };
  void row_walk(Cursor& c) const {
    if (row_step_ == 0) return in_order_walk(c);
    c.row = (c.row + row_step_) % rows_;
    if (c.row == 0) c.column = (c.column + 1) % columns_;
  }
  void column_walk(Cursor& c) const {
    if (row_step_ == 0) return in_order_walk(c);
    c.row = (c.row + 1) % rows_;
    c.column = (c.column + column_step_) % columns_;
    if (c.row == 0) {
      c.start_column = (c.start_column + 1) % columns_;
      c.column = c.start_column;
    }
  }
  void in_order_walk(Cursor& c) const {
    c.row = (c.row + 1) % rows_;
    if (c.row == 0) c.column = (c.column + 1) % columns_;
  }

  std::vector<T> cells_;
  int rows_ = 1, columns_ = 1, row_step_ = 0, column_step_ = 0;
  Side side_ = Side::Transmit;
  Cursor load_, fetch_;
  int count_ = 0;
};

// 64-state soft-decision Viterbi decoder with a 144-step path memory: each step takes the soft
// values of c1 and c2 (positive means bit 0, the magnitude is the confidence) and gives the
// bit decided 143 steps earlier.
class M110Viterbi {
 public:
  static constexpr int kDepth = 144;
  static constexpr int kDelay = kDepth - 1;
  M110Viterbi();
  void reset();
  int step(float a, float b);

 private:
  std::array<float, 64> metric_{};
  std::array<std::array<uint8_t, kDepth>, 64> survivor_{};
  int time_ = 0;
};

}  // namespace vesk
