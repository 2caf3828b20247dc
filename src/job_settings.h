// The command line: positional arguments with their defaults and corrections, and options.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "best_order.h"

namespace varandel {

struct JobSettings {
    std::string infile;
    std::string mapfile;
    std::string resultfile;
    std::string logfile;
    std::int32_t maxc = 2147483647; // stands for all combinations
    std::int32_t nref = 6;
    std::int32_t z = 6;
    std::int32_t threads = 0;
    std::optional<std::uint32_t> seed; // --seed: replaces the clock-derived seed
    Engine engine = Engine::automatic; // --engine
};

// Reads the arguments (without the program name), prints every default and correction on
// `console`, hands a legal thread count to the threading layer and returns the settings.
// An unusable command line throws RunStop with status 2 (usage) after its messages; --help and
// --version throw RunStop with status 0 after printing.
JobSettings parse_command_line(const std::vector<std::string>& args, std::ostream& console,
                               std::ostream& errors);

// The usage text printed by --help.
std::string usage_text();

} // namespace varandel
