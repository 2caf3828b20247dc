#include "text_output.h"

#include <cmath>
#include <cstdio>

namespace varandel {

namespace {

template <class Items> std::string lay_out_free_form(const Items& items) {
    std::string out;
    std::size_t col = 0; // characters on the current line, leading blank included; 0 = fresh
    for (std::string_view item : items) {
        if (item.empty()) continue;
        if (col > 0 && col + item.size() <= free_form_width) {
            out += item;
            col += item.size();
            continue;
        }
        if (col > 0) {
            out += '\n';
            col = 0;
        }
        // Fresh line: an item longer than 79 characters is cut into pieces of 79.
        while (1 + item.size() > free_form_width) {
            out += ' ';
            out += item.substr(0, free_form_width - 1);
            out += '\n';
            item.remove_prefix(free_form_width - 1);
        }
        out += ' ';
        out += item;
        col = 1 + item.size();
    }
    if (col > 0) out += '\n';
    if (out.empty()) out = " \n";
    return out;
}

std::string asterisks(int width) {
    return std::string(static_cast<std::size_t>(width), '*');
}

std::string right_align(const std::string& text, int width) {
    if (text.size() > static_cast<std::size_t>(width)) return asterisks(width);
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

} // namespace

std::string free_form_text(std::initializer_list<std::string_view> items) {
    return lay_out_free_form(items);
}

std::string free_form_text(const std::vector<std::string>& items) {
    return lay_out_free_form(items);
}

void write_free_form(std::ostream& out, std::initializer_list<std::string_view> items) {
    out << lay_out_free_form(items);
}

void write_free_form(std::ostream& out, const std::vector<std::string>& items) {
    out << lay_out_free_form(items);
}

void write_messages(std::ostream& out, std::initializer_list<std::string_view> messages) {
    for (std::string_view m : messages)
        out << lay_out_free_form(std::initializer_list<std::string_view>{m});
}

std::string fixed_text(std::string_view text, int width) {
    const auto w = static_cast<std::size_t>(width < 0 ? 0 : width);
    if (text.size() >= w) return std::string(text.substr(0, w));
    return std::string(w - text.size(), ' ') + std::string(text);
}

std::string fixed_skip(int positions) {
    return std::string(static_cast<std::size_t>(positions < 0 ? 0 : positions), ' ');
}

std::string fixed_int(std::int64_t value, int width) {
    return right_align(int_text(value), width);
}

std::string fixed_point(double value, int width, int decimals) {
    std::string text;
    if (std::isnan(value)) {
        text = "NaN";
    } else if (std::isinf(value)) {
        text = width >= 9 ? "Infinity" : "Inf";
        if (value < 0) text = "-" + text;
    } else {
        char buf[512];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
        text = buf;
    }
    return right_align(text, width);
}

std::string left_text(std::string_view text, int width) {
    const auto w = static_cast<std::size_t>(width < 0 ? 0 : width);
    if (text.size() >= w) return std::string(text.substr(0, w));
    return std::string(text) + std::string(w - text.size(), ' ');
}

std::string label_column(std::string_view label) {
    return fixed_text(label, 13) + fixed_skip(2);
}

std::string int_text(std::int64_t value) {
    return std::to_string(value);
}

std::string trim_leading_blanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string seconds_text(double seconds) {
    return trim_leading_blanks(fixed_point(seconds, 6, 3));
}

} // namespace varandel
