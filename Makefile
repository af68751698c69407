# Entry points. `make demo` runs the main job, `make check` builds and runs
# every test; both install what is missing and configure first.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all setup configure build demo check test bench asan tsan clean

all: build

setup:
	./scripts/setup-debian.sh

configure: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The main job: replay the example landscape into out/demo.png.
demo: build
	mkdir -p out
	./$(BUILD)/tessary replay examples/landscape.srp --size 640x400 -o out/demo.png --time

check: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Quick re-run of the tests without the set-up steps.
test:
	cmake --build $(BUILD) -j$(JOBS) && cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: build
	./$(BUILD)/bench/tessary_bench
	./$(BUILD)/tessary replay examples/landscape.srp --size 640x400 -o $(BUILD)/bench-demo.png --time --quiet

asan: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTSY_SANITIZE=ON -DTSY_BUILD_BENCH=OFF
	cmake --build build-asan -j$(JOBS) && cd build-asan && ctest --output-on-failure -j$(JOBS)

tsan: setup
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSY_TSAN=ON -DTSY_BUILD_BENCH=OFF
	cmake --build build-tsan -j$(JOBS) && cd build-tsan && ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD) build-asan build-tsan out
