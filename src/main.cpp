#include <iostream>

#include "run_job.h"

int main(int argc, char** argv) {
    return varandel::run_program(argc, argv, std::cout, std::cerr);
}
