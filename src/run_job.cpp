#include "run_job.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "job_settings.h"
#include "run_stop.h"

namespace varandel {

int run_program(int argc, char** argv, std::ostream& console, std::ostream& errors) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        JobSettings settings = parse_command_line(args, console, errors);
        (void)settings;
        console.flush();
        return exit_ok;
    } catch (const RunStop& stop) {
        console.flush();
        if (*stop.what()) errors << stop.what() << '\n';
        return stop.status();
    } catch (const std::bad_alloc&) {
        console.flush();
        errors << "varandel: out of memory\n";
        return exit_input_error;
    } catch (const std::exception& e) {
        console.flush();
        errors << "varandel: " << e.what() << '\n';
        return exit_input_error;
    }
}

} // namespace varandel
