# Thin wrapper: `make run` builds and runs the job on the bundled example data,
# `make test` builds and runs every test.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all run test bench deps clean

all: $(BUILD)/varandel

deps:
	@missing=""; \
	command -v cmake >/dev/null 2>&1 || missing="$$missing cmake"; \
	command -v g++ >/dev/null 2>&1 || missing="$$missing g++"; \
	command -v make >/dev/null 2>&1 || missing="$$missing make"; \
	[ -f /usr/include/gtest/gtest.h ] || missing="$$missing libgtest-dev"; \
	[ -f /usr/include/benchmark/benchmark.h ] || missing="$$missing libbenchmark-dev"; \
	if [ -n "$$missing" ]; then \
	  echo "missing Debian packages:$$missing"; \
	  echo "install them with: apt-get install -y$$missing"; exit 1; \
	fi

$(BUILD)/Makefile: deps CMakeLists.txt
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

$(BUILD)/varandel: $(BUILD)/Makefile FORCE
	cmake --build $(BUILD) -j $(JOBS)

run: $(BUILD)/varandel
	@mkdir -p out
	$(BUILD)/varandel examples/data.txt examples/map.txt out/result.txt out/job.log 1000 4 2
	@echo "result file: out/result.txt, log: out/job.log"

test: $(BUILD)/varandel
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: $(BUILD)/varandel
	$(BUILD)/varandel_bench

clean:
	rm -rf $(BUILD) out

FORCE:
