# make          build into build/ (every executable lands in build/bin/)
# make demo     install what is missing, build, and run the demo station in build/demo-station/
# make test     build and run every test
BUILD ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build demo test bench clean

all: build

deps:
	@tools/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD)

demo: build
	@tools/run-demo.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j2

bench: build
	$(BUILD)/bin/wm033_bench

clean:
	rm -rf $(BUILD)
