#include "run_job.h"

#include <omp.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "best_order.h"
#include "comb_part.h"
#include "comb_part_enum.h"
#include "evaluation_loop.h"
#include "get_seed.h"
#include "job_log.h"
#include "job_log_file.h"
#include "job_settings.h"
#include "map_tma_data_file.h"
#include "perm_tj.h"
#include "read_tma_data_file.h"
#include "result_file.h"
#include "run_stop.h"
#include "table.h"
#include "text_output.h"
#include "uniform_draw.h"

namespace varandel {

namespace {

// Bytes of the job tables for `ncomb` combinations; the tables are created only when this fits
// the machine.
std::uint64_t table_bytes(std::int64_t ncomb, std::int32_t n, std::int32_t nref,
                          std::int32_t lines) {
    const std::int64_t ntest = std::max(0, n - nref);
    const std::uint64_t per_comb =
        4u * static_cast<std::uint64_t>(nref + ntest + (nref + 1) + ntest);
    return static_cast<std::uint64_t>(ncomb) * per_comb +
           4u * static_cast<std::uint64_t>(std::max(0, lines)) * static_cast<std::uint64_t>(n) +
           16u * static_cast<std::uint64_t>(n);
}

std::uint64_t physical_memory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page <= 0) return UINT64_MAX;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page);
}

// The search routines of an engine: one for a combination on one thread, one that shares a
// combination's work among all threads.
struct EngineSearch {
    SearchRoutine each;
    SearchRoutine shared;
};

template <Engine E>
void search_each(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
                 float& best, std::int32_t* TEST_ORDER) {
    best_order(E, DATA, nref, ntest, SSQ_BEST, best, TEST_ORDER);
}

template <Engine E>
void search_shared(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
                   float& best, std::int32_t* TEST_ORDER) {
    best_order_parallel(E, DATA, nref, ntest, SSQ_BEST, best, TEST_ORDER);
}

EngineSearch engine_search(Engine engine) {
    switch (engine) {
    case Engine::reference:
        return {perm_tj, nullptr};
    case Engine::enumerate:
        return {search_each<Engine::enumerate>, search_shared<Engine::enumerate>};
    case Engine::bnb:
        return {search_each<Engine::bnb>, search_shared<Engine::bnb>};
    case Engine::automatic:
        break;
    }
    return {search_each<Engine::automatic>, search_shared<Engine::automatic>};
}

// Ends the run on its input: the console lines, then "Programm canceled".
[[noreturn]] void cancel(std::ostream& console, std::initializer_list<std::string_view> lines) {
    write_messages(console, lines);
    write_messages(console, {"Programm canceled"});
    throw RunStop(exit_input_error);
}

void run_job(JobSettings s, std::ostream& console) {
    // 1. The log, and the start of the job.
    JobLogFile log(s.logfile);
    const LocalTime start = local_time_now();
    log.free_form({stamped_text(log_starting_job, start)});
    // A result file that cannot be written is found now, not after hours of evaluation.
    check_result_path(s.resultfile);

    // 2. The mapping, checked against the data file.
    const DataMapping mapping = map_tma_data_file(s.infile, s.mapfile, console);
    const std::int32_t n = mapping.n;
    // A correlation needs two data lines; with fewer every one would be a random value.
    if (mapping.lines < 2)
        throw RunStop(exit_input_error,
                      "varandel: " + s.infile +
                          (mapping.lines == 1
                               ? " has 1 data line"
                               : " has no data lines (a header line does not count)") +
                          "; the correlations need at least 2");
    if (s.nref > n)
        cancel(console, {"The reference set size (nref = " + int_text(s.nref) +
                         ") is larger than the number of markers (" + int_text(n) + ")"});
    const std::int32_t ntest = n - s.nref;
    // With fewer than two test markers there is no ordering to search, and every result line
    // would say only that none was found.
    if (ntest < 2)
        cancel(console, {"The reference set size (nref = " + int_text(s.nref) + ") leaves " +
                             int_text(ntest) + " of the " + int_text(n) + " markers",
                         "for the test set; at least 2 are needed"});

    // 3. z cannot exceed the size of the test set.
    if (ntest < s.z) {
        write_messages(console, {"The specified value for z (maximum number of factors by which",
                                 "the combinations are allowed to differ from the original",
                                 "combination) is higher than the size of the test set.",
                                 "Size of test set is used."});
        s.z = ntest;
    }
    if (const std::string limit = best_order_limit_message(s.engine, ntest); !limit.empty())
        throw RunStop(exit_input_error, "varandel: " + limit);

    // 4. The number of combinations.
    const std::int64_t count = comb_part_enum(n, s.nref, 1, s.z);
    const std::int32_t ncomb = static_cast<std::int32_t>(std::min<std::int64_t>(s.maxc, count));

    // 5. Processors and the thread count the threading layer will use.
    const std::int32_t processors = omp_get_num_procs();
    s.threads = omp_get_max_threads();

    // 6. The job tables, once, at their final sizes.
    const std::uint64_t bytes = table_bytes(ncomb, n, s.nref, mapping.lines);
    if (bytes > physical_memory())
        throw RunStop(exit_input_error,
                      "varandel: the job's " + int_text(ncomb) + " combinations need " +
                          std::to_string(bytes / (1024 * 1024)) + " MiB of memory, more than " +
                          "this machine has; lower maxc or z");
    Table<std::string> HEADER("HEADER", n, 1, std::string(10, ' '));
    Table<float> RAWDATA("RAWDATA", mapping.lines, n);
    Table<std::int32_t> CREF("CREF", ncomb, s.nref);
    Table<std::int32_t> CTEST("CTEST", ncomb, ntest);
    Table<float> SSQDATA("SSQDATA", ncomb, s.nref + 1);
    Table<std::int32_t> ORDERDATA("ORDERDATA", ncomb, ntest);

    // 7.-9. The data, and the combination tables.
    read_tma_data_file(s.infile, mapping, HEADER, RAWDATA);
    comb_part(n, s.nref, 1, s.z, CREF);
    comb_complement(n, CREF, CTEST);

    // 10.-11. The random generator, seeded once.
    const std::int32_t seed = s.seed ? static_cast<std::int32_t>(*s.seed) : get_seed();
    const SeedWords SEED = {seed, seed};
    const std::uint64_t key = random_key(SEED);

    // 12. The configuration echo and the marker names.
    log.free_form({});
    for (const std::string& l : log_configuration_lines(
             {s.infile, s.mapfile, s.logfile, s.resultfile, mapping.rows, mapping.columns,
              mapping.factors, n, s.nref, s.z, ncomb, processors, s.threads}))
        log.line(l);
    std::vector<std::string> names(HEADER.data(), HEADER.data() + HEADER.size());
    log.line(log_marker_line(names));

    // 13. Uniform markers.
    const std::vector<bool> uniform = uniform_markers(RAWDATA);
    if (any_uniform(uniform)) {
        log.line(log_uniform_line(uniform));
        for (const std::string& w : uniform_warning_lines()) log.free_form({w});
    }
    log.free_form({});

    // 14.-16. The evaluation. The console lines so far are shown before it starts, also where
    // standard output is a pipe or a file, and are not lost if the job is interrupted.
    console.flush();
    log.free_form({stamped_text(log_starting_calculations, local_time_now())});
    const EngineSearch search = engine_search(s.engine);
    evaluation_loop(ncomb, n, s.nref, mapping.lines, RAWDATA, CREF, CTEST, SSQDATA, ORDERDATA, key,
                    search.each, search.shared);
    log.free_form({stamped_text(log_finished_calculation, local_time_now())});

    // 17. The result file.
    write_result_file(s.resultfile, result_lines({SSQDATA, CREF, CTEST, ORDERDATA}, n, s.nref));

    // 18.-20. The elapsed time, and the summary.
    const LocalTime end = local_time_now();
    log.free_form({stamped_text(log_finished_collecting, end)});
    log.free_form({});
    const ElapsedTexts elapsed = elapsed_texts(elapsed_seconds(start, end));
    log.free_form({elapsed_line(elapsed)});
    log.close();
    write_free_form(console, {console_summary_line(s.threads, elapsed)});
}

} // namespace

int run_program(int argc, char** argv, std::ostream& console, std::ostream& errors) {
    try {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        run_job(parse_command_line(args, console, errors), console);
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
