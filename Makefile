# The two set-up commands: `make demo` runs the main job, `make test` builds and passes the tests.
# Both install the Debian packages they need first, so each works alone on a fresh machine.

JOBS ?= $(shell nproc)
BUILD_TEST := build/test
BUILD_REL := build/release
OUT := out

.PHONY: all deps demo test bench clean

all: test

deps:
	@bash tools/install-deps.sh

$(BUILD_TEST)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPIM_SANITIZE=ON -DPIM_TESTS=ON

$(BUILD_REL)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIM_TESTS=OFF -DPIM_BENCH=ON

test: deps $(BUILD_TEST)/build.ninja
	cmake --build $(BUILD_TEST) -j $(JOBS)
	cd $(BUILD_TEST) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

demo: deps $(BUILD_REL)/build.ninja
	cmake --build $(BUILD_REL) -j $(JOBS) --target pimsample
	mkdir -p $(OUT)
	QT_QPA_PLATFORM=offscreen $(BUILD_REL)/examples/pimsample $(OUT)

bench: deps $(BUILD_REL)/build.ninja
	cmake --build $(BUILD_REL) -j $(JOBS)

clean:
	rm -rf build $(OUT)
