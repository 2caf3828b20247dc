#include <iostream>

#include "interrupt.h"
#include "run_job.h"

int main(int argc, char** argv) {
    varandel::install_interrupt_handlers();
    return varandel::run_program(argc, argv, std::cout, std::cerr);
}
