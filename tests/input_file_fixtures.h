// Small input files for the reader tests, written to a fresh temporary directory that is removed
// again when the test ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace varandel_test {

class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "varandel-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes `contents` byte for byte to the file `name` and returns its path.
    std::string write(const std::string& name, std::string_view contents) const {
        const std::string path = (path_ / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        return path;
    }
    std::string path(const std::string& name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

// Console lines as the free-form writer produces them: a leading blank, the text, a line feed.
inline std::string console_lines(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (std::string_view l : lines) out.append(1, ' ').append(l).append(1, '\n');
    return out;
}

} // namespace varandel_test
