# Nimbrel: every target does its own set-up (dependencies, configure, build).
BUILD_DIR   ?= build
BUILD_TYPE  ?= RelWithDebInfo
JOBS        ?= $(shell nproc)
PROGRAM_DIR ?= $(if $(XDG_DATA_HOME),$(XDG_DATA_HOME),$(HOME)/.local/share)/nimbrel

.PHONY: all deps configure build test run package bench demo clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Prepares the program folder from data/ on first use (user files are never overwritten),
# refreshes the shipped help file, and starts the desktop program in it.
run: build
	@scripts/prepare-program-folder.sh "$(PROGRAM_DIR)" "$(BUILD_DIR)"
	@cd "$(PROGRAM_DIR)" && exec "$(CURDIR)/$(BUILD_DIR)/nimbrel"

# A Debian package of what `cmake --install` installs: $(BUILD_DIR)/nimbrel_<version>-1_<arch>.deb.
# Reproducible: its file times are the last commit's unless SOURCE_DATE_EPOCH says otherwise.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
package: build
	@$(if $(SOURCE_DATE_EPOCH),SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH)) \
	    cmake --build $(BUILD_DIR) --target package

bench: deps
	@cmake -S . -B $(BUILD_DIR)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DNIMBREL_BUILD_BENCH=ON -DNIMBREL_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD_DIR)-bench -j $(JOBS)
	@scripts/run-benchmarks.sh $(BUILD_DIR)-bench

# Serves the team's demo pages on 127.0.0.1, runs one cycle on a demo program folder, prints
# the path of the digest page and serves its pictures until Enter; no internet needed.
demo: build
	@scripts/demo.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-bench
