# Thin wrapper over the CMake presets.
.PHONY: all build demo test test-default test-sanitize bench clean

all: build

build:
	cmake --preset default
	cmake --build --preset default -j

# Builds wavelark and renders the bundled example tune into demo.wav.
demo: build
	./build/default/wavelark -d examples/canon -o demo.wav -16 -g 6
	@echo "wrote demo.wav"

# Builds and runs the whole test suite, once normally and once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
test: test-default test-sanitize

test-default:
	cmake --preset default
	cmake --build --preset default -j
	ctest --preset default

test-sanitize:
	cmake --preset sanitize
	cmake --build --preset sanitize -j
	ctest --preset sanitize

# Builds and runs the benchmarks, then times whole renders against sox and
# the write floor.
bench:
	cmake --preset bench
	cmake --build --preset bench -j
	./build/bench/bench/wavelark_bench
	bench/compare.sh

clean:
	rm -rf build demo.wav
