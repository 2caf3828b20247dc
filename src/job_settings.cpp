#include "job_settings.h"

#include <omp.h>

#include <filesystem>
#include <string_view>

#include "run_stop.h"
#include "text_output.h"
#include "value_reader.h"

namespace varandel {

namespace {

bool file_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(path), ec);
}

// True when both paths name one regular file (links included), or, where one does not exist
// yet, the same normalised path. A device or a pipe (/dev/stdout for both outputs) may be shared.
bool same_file(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::exists(a, ec) && std::filesystem::exists(b, ec))
        return std::filesystem::is_regular_file(a, ec) && std::filesystem::equivalent(a, b, ec);
    const auto normal = [&ec](const std::string& p) {
        return std::filesystem::weakly_canonical(std::filesystem::absolute(p, ec), ec);
    };
    const auto normal_a = normal(a);
    if (ec) return false;
    const auto normal_b = normal(b);
    return !ec && normal_a == normal_b;
}

[[noreturn]] void cancel(std::ostream& console, std::initializer_list<std::string_view> lines) {
    write_messages(console, lines);
    write_messages(console, {"programm cancled"});
    throw RunStop(exit_usage_error);
}

std::int32_t numeric_argument(const std::vector<std::string>& args, std::size_t index,
                              std::string_view name) {
    std::int32_t value = 0;
    if (!read_whole_number(args[index], value))
        throw RunStop(exit_usage_error, "varandel: argument " + std::to_string(index + 1) + " (" +
                                            std::string(name) + "): '" + args[index] +
                                            "' is not a whole number");
    return value;
}

// Splits options from positional arguments and applies the options. Options take their value
// either as --name=value or as the next argument.
std::vector<std::string> apply_options(const std::vector<std::string>& args, JobSettings& s,
                                       std::ostream& console) {
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) {
            positional.push_back(a);
            continue;
        }
        std::string name = a, value;
        bool has_value = false;
        if (const auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            has_value = true;
        }
        if (name == "--help" || name == "--version") {
            if (has_value) throw RunStop(exit_usage_error, "varandel: " + name + " takes no value");
            console << (name == "--help" ? usage_text() : "varandel " VARANDEL_VERSION "\n");
            throw RunStop(exit_ok);
        }
        if (name != "--seed" && name != "--engine")
            throw RunStop(exit_usage_error,
                          "varandel: unknown option '" + a + "' (see varandel --help)");
        if (!has_value) {
            if (i + 1 >= args.size())
                throw RunStop(exit_usage_error, "varandel: option " + name + " needs a value");
            value = args[++i];
        }
        if (name == "--seed") {
            std::int32_t seed = 0;
            if (!read_whole_number(value, seed) || seed < 1)
                throw RunStop(exit_usage_error, "varandel: option --seed: '" + value +
                                                    "' is not a whole number from 1 to " +
                                                    "2147483647");
            s.seed = static_cast<std::uint32_t>(seed);
        } else {
            if (!parse_engine(value, s.engine))
                throw RunStop(exit_usage_error, "varandel: option --engine: unknown engine '" +
                                                    value +
                                                    "' (known: auto, reference, enumerate, bnb)");
        }
    }
    return positional;
}

} // namespace

std::string usage_text() {
    return "usage: varandel infile mapfile resultfile logfile [maxc] [nref] [z] [threads] "
           "[options]\n"
           "\n"
           "  infile      TAB-separated data file (one line per sample)\n"
           "  mapfile     one-line TAB-separated mapping file\n"
           "  resultfile  result file to write (one line per combination)\n"
           "  logfile     log file to write\n"
           "  maxc        largest number of combinations to evaluate (default: all)\n"
           "  nref        size of the reference set (default: 6)\n"
           "  z           most reference markers a combination may exchange (default: nref)\n"
           "  threads     number of threads (default: OMP_NUM_THREADS, else one per processor)\n"
           "\n"
           "options:\n"
           "  --seed N       seed of the random values (1..2147483647; default: from the clock)\n"
           "  --engine NAME  order search: auto (default), reference, enumerate or bnb\n"
           "  --help         print this text and exit\n"
           "  --version      print the version and exit\n"
           "\n"
           "exit status: 0 success, 1 input, file or memory error, 2 unusable command line\n";
}

JobSettings parse_command_line(const std::vector<std::string>& args, std::ostream& console,
                               std::ostream& errors) {
    (void)errors;
    JobSettings s;
    const std::vector<std::string> pos = apply_options(args, s, console);
    const std::size_t c = pos.size();

    if (c < 4)
        cancel(console, {"not enough arguments submitted",
                         "scheme: infile mapfile resultfile logfile (maxc) (nref)",
                         "the specification of the files is mandatory"});
    s.infile = pos[0];
    if (!file_exists(s.infile)) cancel(console, {"input file not found"});
    s.mapfile = pos[1];
    if (!file_exists(s.mapfile)) cancel(console, {"mapping file not found"});
    s.resultfile = pos[2];
    s.logfile = pos[3];
    // The log is written from its beginning as soon as the job starts and the result file after
    // the evaluation: either would destroy an input file of the same name, or the other output.
    const struct {
        const std::string& output;
        const std::string& other;
        std::string_view message;
    } clashes[] = {
        {s.logfile, s.infile, "The log file would overwrite the input file"},
        {s.resultfile, s.infile, "The result file would overwrite the input file"},
        {s.logfile, s.mapfile, "The log file would overwrite the mapping file"},
        {s.resultfile, s.mapfile, "The result file would overwrite the mapping file"},
        {s.resultfile, s.logfile, "The result file and the log file are the same file"},
    };
    for (const auto& clash : clashes)
        if (same_file(clash.output, clash.other)) cancel(console, {clash.message});

    if (c >= 5) {
        s.maxc = numeric_argument(pos, 4, "maxc");
        if (s.maxc < 1)
            cancel(console, {"The maximum number of combinations (maxc) must be at least 1"});
    } else {
        write_messages(console, {"No maximum number of combinations specified",
                                 "All combinations are computated"});
        s.maxc = 2147483647;
    }

    if (c >= 6) {
        s.nref = numeric_argument(pos, 5, "nref");
        if (s.nref < 1) cancel(console, {"The reference set size (nref) must be at least 1"});
    } else {
        write_messages(console, {"No reference set size specified", "Default value of 6 is used"});
        s.nref = 6;
    }

    if (c >= 7) {
        s.z = numeric_argument(pos, 6, "z");
        if (s.z < 1 || s.z > s.nref) {
            write_messages(console,
                           {"The specified value for z (maximum number of factors by which",
                            "the combinations are allowed to differ from the original",
                            "combination) is illegal.", "Number of refernce factors is used."});
            s.z = s.nref;
        }
    } else {
        write_messages(
            console,
            {"Number of factors that can differ from the original combination not specified",
             "Number of refernce factors is used"});
        s.z = s.nref;
    }

    if (c >= 8) {
        s.threads = numeric_argument(pos, 7, "threads");
        if (s.threads >= 1) {
            omp_set_num_threads(s.threads);
        } else {
            write_messages(console, {"Specified number of threads is illegal",
                                     "One thread per available processor is used"});
            s.threads = omp_get_max_threads();
        }
    } else {
        write_messages(console, {"No number of threads spezified",
                                 "One thread per available processor is used"});
        s.threads = omp_get_max_threads();
    }

    if (c >= 9) write_messages(console, {"Excess arguments irgnored"});
    return s;
}

} // namespace varandel
