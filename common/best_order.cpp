#include "best_order.h"

#include <omp.h>
#include <stdexcept>

#include "best_order_bnb.h"
#include "best_order_enumerate.h"
#include "best_order_prepare.h"
#include "perm_tj.h"

namespace varandel {

bool parse_engine(std::string_view text, Engine& engine) {
    for (Engine e : {Engine::automatic, Engine::reference, Engine::enumerate, Engine::bnb})
        if (text == engine_name(e)) {
            engine = e;
            return true;
        }
    return false;
}

std::string_view engine_name(Engine engine) {
    switch (engine) {
    case Engine::automatic:
        return "auto";
    case Engine::reference:
        return "reference";
    case Engine::enumerate:
        return "enumerate";
    case Engine::bnb:
        return "bnb";
    }
    return "";
}

namespace {

std::int32_t engine_limit(Engine engine) {
    switch (engine) {
    case Engine::reference:
        return perm_tj_max_ntest;
    case Engine::enumerate:
        return enumerate_max_ntest;
    case Engine::automatic:
    case Engine::bnb:
        return bnb_max_ntest;
    }
    return 0;
}

void run(Engine engine, const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
         float& best, std::int32_t* TEST_ORDER, int threads) {
    const std::string limit = best_order_limit_message(engine, ntest);
    if (!limit.empty()) throw std::invalid_argument(limit);
    if (engine == Engine::automatic) engine = best_order_automatic_choice(nref, ntest);
    if (engine == Engine::reference) {
        perm_tj(DATA, nref, ntest, SSQ_BEST, best, TEST_ORDER);
        return;
    }
    const BestOrderProblem p = best_order_prepare(DATA, nref, ntest);
    if (best_order_settle(p, SSQ_BEST, best, TEST_ORDER)) return;
    LiteralBest literal(DATA, nref, ntest);
    if (engine == Engine::enumerate)
        enumerate_search(p, SimdPath::automatic, threads, literal);
    else
        bnb_search(p, threads, literal);
    literal.write(SSQ_BEST, best, TEST_ORDER);
}

} // namespace

Engine best_order_automatic_choice(std::int32_t nref, std::int32_t ntest) {
    if (ntest <= 4) return Engine::reference;
    if (ntest <= 6 || (ntest <= 8 && nref <= 8)) return Engine::enumerate;
    return Engine::bnb;
}

std::string best_order_limit_message(Engine engine, std::int32_t ntest) {
    if (engine == Engine::reference) return perm_tj_limit_message(ntest);
    const std::int32_t limit = engine_limit(engine);
    if (ntest <= limit) return {};
    return std::string(engine == Engine::enumerate ? "the enumerating search"
                                                   : "the branch-and-bound search") +
           " handles at most " + std::to_string(limit) + " test markers (" + std::to_string(ntest) +
           " given)";
}

void best_order(Engine engine, const float* DATA, std::int32_t nref, std::int32_t ntest,
                float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER) {
    run(engine, DATA, nref, ntest, SSQ_BEST, best, TEST_ORDER, 1);
}

void best_order_parallel(Engine engine, const float* DATA, std::int32_t nref, std::int32_t ntest,
                         float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER) {
    run(engine, DATA, nref, ntest, SSQ_BEST, best, TEST_ORDER, omp_get_max_threads());
}

} // namespace varandel
