# A thin layer over the CMake presets; every target first makes sure the Debian packages are there.
.PHONY: all deps build run test test-default test-asan bench format clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake --preset default
	cmake --build --preset default

run: build
	@bash scripts/run.sh

test: test-default test-asan

test-default: build
	bash scripts/test.sh default

test-asan: deps
	cmake --preset asan
	cmake --build --preset asan
	bash scripts/test.sh asan

bench: build
	bash bench/run.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan
