# Shortcuts for developers; the entry points are scripts/run.sh and scripts/test.sh, which need
# nothing installed. `make run` starts the program against the built-in simulated controller,
# `make test` builds the debug and the sanitizer presets and runs the whole suite.
.PHONY: all deps build build-asan run test bench bench-viewer screenshots clean format fuzz

all: build

deps:
	@bash scripts/setup-deps.sh

build: deps
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan

run:
	@bash scripts/run.sh $(ARGS)

test:
	@bash scripts/test.sh

bench: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target bench_live bench_hotplug xvelzuk1
	build/release/bench/bench_live
	build/release/bench/bench_hotplug 2>/dev/null

bench-viewer: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target bench_viewer
	build/release/bench/bench_viewer

# `make fuzz` runs every fuzz target for FUZZ_SECONDS seconds (default 60) each.
FUZZ_SECONDS ?= 60
fuzz:
	@bash scripts/setup-deps.sh fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@FUZZ_SECONDS=$(FUZZ_SECONDS) bash fuzz/run.sh

# The README's pictures, rendered offscreen against the simulator into docs/.
SHOTS := main-panel second-panel monitor-norm monitor-raw scan-raw scan-norm viewer compare-view edit-marks
screenshots: build
	build/dev/tools/screenshots build/screenshots
	cp $(SHOTS:%=build/screenshots/%.png) docs/

clean:
	rm -rf build

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

.PHONY: package pristine-check
package:
	@bash scripts/package.sh

# `make pristine-check` checks both releases; RELEASES=trixie checks one.
RELEASES ?= bookworm trixie
pristine-check:
	@for r in $(RELEASES); do bash scripts/pristine-check.sh $$r || exit 1; done

# `make check-windows` compiles the program's sources for Windows with MinGW-w64, syntax only.
.PHONY: check-windows
check-windows:
	@bash scripts/setup-deps.sh windows
	@bash scripts/check-windows.sh
