# The two commands: `make play` builds and starts the game, `make test` builds and runs every test.
BUILD := build
ASAN_BUILD := build-asan
JOBS := $(shell nproc)
# Tests at once: twice the cores, as the end-to-end games draw at a monitor's pace and wait on what they see.
TEST_JOBS := $(shell echo $$(( 2 * $$(nproc) )))
XVFB := $(CURDIR)/scripts/headless.sh
# sdl12-compat, SDL 1.2's interface over SDL2 (the SDL 1.2 of newer systems), beside SDL 1.2 in a
# folder of its own: a program takes it through LD_LIBRARY_PATH.
SDL12_COMPAT := /usr/lib/$(shell gcc -print-multiarch)/sdl12-compat

PREFIX ?= /usr/local

.PHONY: play test build replays test-plain test-sanitize test-loaded bench screenshots deb install lobby clean

play:
	bash scripts/setup.sh play
	cmake -S . -B $(BUILD) -DTARVO_TESTS=OFF >/dev/null
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ./tarvo-rink

build:
	cmake -S . -B $(BUILD) -DTARVO_TESTS=ON >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

# Every test twice: once in the plain build on SDL 1.2, once under AddressSanitizer and
# UndefinedBehaviorSanitizer on sdl12-compat, both headless under a virtual X server.
test:
	bash scripts/setup.sh test
	$(MAKE) --no-print-directory test-plain test-sanitize

test-plain: build
	cd $(BUILD) && $(XVFB) ctest --output-on-failure -j $(TEST_JOBS)

# The sanitizer build takes its pictures and sounds from the plain build, and runs on sdl12-compat.
test-sanitize: build
	cmake -S . -B $(ASAN_BUILD) -DTARVO_TESTS=ON -DTARVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
	  -DTARVO_DATA_FROM=$(CURDIR)/$(BUILD) >/dev/null
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	@test -e $(SDL12_COMPAT)/libSDL-1.2.so.0 || { echo "no sdl12-compat in $(SDL12_COMPAT) (scripts/setup.sh test installs it)"; exit 1; }
	cd $(ASAN_BUILD) && LD_LIBRARY_PATH=$(SDL12_COMPAT) $(XVFB) ctest --output-on-failure -j $(TEST_JOBS)

# Every end-to-end script five times in a row beside a load that keeps every core
# busy; prints the table of passes (LOADED_RUNS, LOADED_SCRIPTS narrow it).
test-loaded:
	bash scripts/setup.sh test
	$(MAKE) --no-print-directory build
	$(XVFB) bash scripts/loaded-e2e.sh $(BUILD) $(or $(LOADED_RUNS),5) '$(LOADED_SCRIPTS)'

# Records the matches under tests/replays again, for when a match is meant to
# play differently from now on (HACKING.md says when).
replays: build
	cd $(BUILD) && $(XVFB) tests/tarvo-record-replays $(CURDIR)/tests/replays

# Benchmarks on a real OpenGL context under the virtual X server, in their own
# optimised build; writes bench/RESULTS.md.
bench:
	bash scripts/setup.sh bench
	cmake -S . -B build-bench -DTARVO_TESTS=OFF -DTARVO_BENCH=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build-bench -j $(JOBS)
	$(XVFB) bash bench/run.sh build-bench

# Pictures of the intro, every menu page and a match on each playground, taken
# from the real game under a virtual X server; writes docs/*.png.
screenshots:
	bash scripts/setup.sh test
	cmake -S . -B $(BUILD) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target tarvo-rink
	bash scripts/screenshots.sh $(BUILD)/tarvo-rink $(BUILD) docs

# The Debian package, built the Debian way in a clean copy under build-deb/.
deb:
	bash scripts/setup.sh deb
	bash scripts/build-deb.sh build-deb

# The game, its data, icons, desktop entry, AppStream data and manual page under
# $(PREFIX) (/usr/local unless given), below $(DESTDIR) when that is set.
install:
	bash scripts/setup.sh play
	cmake -S . -B $(BUILD) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target tarvo-rink tarvo-icons
	cmake --install $(BUILD) --prefix $(PREFIX)

# The meeting place where friends find each other by a room code, on every address of this machine:
# mosquitto on port 1883 and coturn's STUN and TURN on port 3478, until Ctrl+C.
lobby:
	bash scripts/setup.sh lobby
	bash scripts/lobby.sh 0.0.0.0

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-deb
