// Job tables: 1-based, stored with the first index varying fastest, every access range-checked.
// Kernels take raw contiguous pointers from data()/column() and do no checking of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace varandel {

class TableRangeError : public std::out_of_range {
  public:
    using std::out_of_range::out_of_range;
};

[[noreturn]] void throw_table_range(const std::string& table, int subscript, std::int64_t value,
                                    std::int64_t bound);

template <class T> class Table {
  public:
    Table() = default;
    // A negative extent counts as 0.
    Table(std::string name, std::int32_t rows, std::int32_t cols = 1, T fill = T{})
        : name_(std::move(name)), rows_(rows < 0 ? 0 : rows), cols_(cols < 0 ? 0 : cols),
          data_(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_), fill) {}

    std::int32_t rows() const { return rows_; }
    std::int32_t cols() const { return cols_; }
    const std::string& name() const { return name_; }

    T& operator()(std::int32_t i, std::int32_t j = 1) { return data_[offset(i, j)]; }
    const T& operator()(std::int32_t i, std::int32_t j = 1) const { return data_[offset(i, j)]; }

    // Start of column j (rows() contiguous elements).
    T* column(std::int32_t j) {
        check(2, j, cols_);
        return data_.data() + static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_);
    }
    const T* column(std::int32_t j) const {
        check(2, j, cols_);
        return data_.data() + static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_);
    }

    T* data() { return data_.data(); }
    const T* data() const { return data_.data(); }
    std::size_t size() const { return data_.size(); }

  private:
    void check(int subscript, std::int32_t value, std::int32_t bound) const {
        if (value < 1 || value > bound) throw_table_range(name_, subscript, value, bound);
    }
    std::size_t offset(std::int32_t i, std::int32_t j) const {
        check(1, i, rows_);
        check(2, j, cols_);
        return static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(rows_) +
               static_cast<std::size_t>(i - 1);
    }

    std::string name_;
    std::int32_t rows_ = 0;
    std::int32_t cols_ = 0;
    std::vector<T> data_;
};

} // namespace varandel
