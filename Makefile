# Thin wrapper over CMake: `make run` builds and runs the example chip, `make test` runs every test.
BUILD ?= build
# Extra arguments of the first configure, for example CMAKE_ARGS=-DCALEFAX_WERROR=ON (CI).
CMAKE_ARGS ?=

.PHONY: build run test bench clean

# Release on the first configure; an existing build folder keeps the build type it was given.
build:
	cmake -S . -B $(BUILD) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DCMAKE_BUILD_TYPE=Release) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j2

# The example writes its results into out/ (created afresh from examples/).
run: build
	rm -rf out && mkdir -p out && cp examples/chip.dat examples/chip.in out/
	cd out && ../$(BUILD)/Calefax chip.dat chip.in

test: build
	cd $(BUILD) && ctest --output-on-failure -j2

bench: build
	for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done
	bash bench/run_time.sh $(BUILD)/Calefax

clean:
	rm -rf $(BUILD) out
