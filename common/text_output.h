// Layout rules shared by every text writer: free-form lines (console messages and most log
// lines), fixed-layout fields (the log's label column), and numbers as text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace varandel {

inline constexpr std::size_t free_form_width = 80;

// One free-form output operation: the items in order, each line starting with one blank and at
// most 80 characters wide; returns the lines, each ended by a line feed.
std::string free_form_text(std::initializer_list<std::string_view> items);
std::string free_form_text(const std::vector<std::string>& items);

// Writes one free-form output operation to `out`.
void write_free_form(std::ostream& out, std::initializer_list<std::string_view> items);
void write_free_form(std::ostream& out, const std::vector<std::string>& items);

// Writes each message as a free-form line of its own, in order.
void write_messages(std::ostream& out, std::initializer_list<std::string_view> messages);

// Fixed-layout fields.
std::string fixed_text(std::string_view text, int width); // right-aligned, or cut to `width`
std::string fixed_skip(int positions);
std::string fixed_int(std::int64_t value, int width);           // asterisks on overflow
std::string fixed_point(double value, int width, int decimals); // asterisks on overflow

// The text cut to `width` characters or filled with blanks on the right up to `width`.
std::string left_text(std::string_view text, int width);

// The log's label column: the label right-aligned in 13 characters, then 2 blanks.
std::string label_column(std::string_view label);

// Numbers as text: the shortest decimal form of an integer; seconds as a fixed-point field of
// width 6 with 3 decimals, leading blanks removed.
std::string int_text(std::int64_t value);
std::string seconds_text(double seconds);
std::string trim_leading_blanks(const std::string& text);

} // namespace varandel
