#pragma once

#include <cassert>
#include <string>
#include <vector>

namespace zem {

// The cell texts of one grid, addressed (column, row) from 0 as the grids
// show them: row 0 and column 0 are the header cells of the matrices.
class TextGrid {
 public:
  TextGrid(int columns, int rows)
      : columns_(columns), rows_(rows), cells_(static_cast<std::size_t>(columns * rows)) {}

  int Columns() const { return columns_; }
  int Rows() const { return rows_; }
  bool Contains(long long column, long long row) const {
    return column >= 0 && column < columns_ && row >= 0 && row < rows_;
  }

  std::string& Cell(int column, int row) {
    assert(Contains(column, row));
    return cells_[Index(column, row)];
  }
  const std::string& Cell(int column, int row) const {
    assert(Contains(column, row));
    return cells_[Index(column, row)];
  }

  bool operator==(const TextGrid&) const = default;

 private:
  std::size_t Index(int column, int row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_) +
           static_cast<std::size_t>(column);
  }

  int columns_;
  int rows_;
  std::vector<std::string> cells_;
};

// The header cells of a matrix grid, row 0 and column 0, addressed (column,
// row) as in the grid; the grid's other cells hold no label.
class GridLabels {
 public:
  GridLabels(int columns, int rows)
      : top_(static_cast<std::size_t>(columns)), side_(static_cast<std::size_t>(rows)) {}
  std::string& Cell(int column, int row) {
    assert(IsLabel(column, row));
    return row == 0 ? top_[static_cast<std::size_t>(column)] : side_[static_cast<std::size_t>(row)];
  }
  const std::string& Cell(int column, int row) const {
    assert(IsLabel(column, row));
    return row == 0 ? top_[static_cast<std::size_t>(column)] : side_[static_cast<std::size_t>(row)];
  }
  bool operator==(const GridLabels&) const = default;

 private:
  bool IsLabel(int column, int row) const {
    return (row == 0 && column >= 0 && static_cast<std::size_t>(column) < top_.size()) ||
           (column == 0 && row >= 0 && static_cast<std::size_t>(row) < side_.size());
  }
  std::vector<std::string> top_;   // row 0, the corner (0, 0) included
  std::vector<std::string> side_;  // column 0; side_[0] stands unused for the corner
};

}  // namespace zem
