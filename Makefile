# A thin layer over CMake: `make demo` runs the main job, `make test` builds
# and runs every test. Both install missing Debian packages first.
# `make install` installs under PREFIX (DESTDIR honoured); `make package`
# makes the Debian package quorvane_VERSION_ARCH.deb in the build folder.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build demo test install package clean

all: build

deps:
	./tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

demo: build
	./tools/demo.sh $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

package: build
	cmake --build $(BUILD_DIR) --target package

clean:
	rm -rf $(BUILD_DIR)
