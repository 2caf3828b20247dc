// The whole program between the process arguments and its exit status.
#pragma once

#include <ostream>

namespace varandel {

// Runs one job; console lines go to `console`, the program's own error messages to `errors`.
// Returns the process exit status.
int run_program(int argc, char** argv, std::ostream& console, std::ostream& errors);

} // namespace varandel
