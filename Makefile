# The two commands: `make run` shows the moire, `make test` runs every test.
.PHONY: run test build sanitize win32 bench clean

DEMO_FRAMES := 500

run:
	@tools/deps.sh run
	cmake --preset linux
	cmake --build --preset linux --target vidider-sim pbm_to_gif
	rm -rf build/demo-frames
	build/linux/vidider-sim frames --seed 2004 --frames $(DEMO_FRAMES) --out build/demo-frames
	build/linux/pbm_to_gif build/demo.gif 4 $$(ls build/demo-frames/*.pbm | awk 'NR % 2 == 1')
	rm -rf build/demo-frames
	@echo "ten seconds of the moire, at half size and 25 frames a second: build/demo.gif"

test:
	@tools/deps.sh test
	$(MAKE) build sanitize win32

build:
	cmake --preset linux
	cmake --build --preset linux
	ctest --preset linux

sanitize:
	cmake --preset sanitize
	cmake --build --preset sanitize
	ctest --preset sanitize

win32:
	cmake --preset win32
	cmake --build --preset win32

bench:
	cmake --preset linux
	cmake --build --preset linux --target vidider_bench
	build/linux/bench/vidider_bench

clean:
	rm -rf build
