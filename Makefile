# The two set-up commands: `make demo` runs the main job (the orders report, then the sample
# document), `make test` builds and passes the tests, then runs the designer's scripted session on
# the release build under valgrind (tools/designer-session.sh).
# Both install the Debian packages they need first, so each works alone on a fresh machine.
# `make install` builds the libraries and installs them with their headers, CMake package and
# pkg-config files under PREFIX (~/.local by default, which needs no root).
# `make fuzz` (not part of `make test`) builds the fuzzing harnesses with clang in their own tree and
# runs each for FUZZ_SECONDS; what they find lands in build/fuzz/fuzz/artifacts (tools/run-fuzz.sh).

JOBS ?= $(shell nproc)
BUILD_TEST := build/test
BUILD_REL := build/release
BUILD_FUZZ := build/fuzz
FUZZ_SECONDS ?= 60
OUT := out
PREFIX ?= $(HOME)/.local

.PHONY: all deps fuzz-deps demo test install bench fuzz clean

all: test

deps:
	@bash tools/install-deps.sh

fuzz-deps:
	@bash tools/install-deps.sh clang libclang-rt-14-dev

$(BUILD_TEST)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_TEST) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPIM_SANITIZE=ON -DPIM_TESTS=ON

$(BUILD_REL)/build.ninja: CMakeLists.txt | deps
	cmake -S . -B $(BUILD_REL) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPIM_TESTS=OFF -DPIM_BENCH=ON

$(BUILD_FUZZ)/build.ninja: CMakeLists.txt | deps fuzz-deps
	cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DPIM_TESTS=OFF -DPIM_FUZZ=ON

test: deps $(BUILD_TEST)/build.ninja $(BUILD_REL)/build.ninja
	cmake --build $(BUILD_TEST) -j $(JOBS)
	cd $(BUILD_TEST) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	cmake --build $(BUILD_REL) -j $(JOBS) --target pimdesigner
	bash tools/designer-session.sh $(BUILD_REL)

demo: deps $(BUILD_REL)/build.ninja
	cmake --build $(BUILD_REL) -j $(JOBS) --target orders pimsample pimview pimdesigner
	mkdir -p $(OUT)
	QT_QPA_PLATFORM=offscreen $(BUILD_REL)/examples/orders $(OUT)
	QT_QPA_PLATFORM=offscreen $(BUILD_REL)/examples/pimsample $(OUT)

install: deps $(BUILD_REL)/build.ninja
	cmake --build $(BUILD_REL) -j $(JOBS) --target piminstallable pimsampledb
	cmake --install $(BUILD_REL) --prefix $(PREFIX)

bench: deps $(BUILD_REL)/build.ninja
	cmake --build $(BUILD_REL) -j $(JOBS)

fuzz: deps fuzz-deps $(BUILD_FUZZ)/build.ninja
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	bash tools/run-fuzz.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

clean:
	rm -rf build $(OUT)
