# The two commands of the README: `make run` and `make test`.
.PHONY: run test deps build clean

run:
	bash scripts/run-demo.sh

test:
	bash scripts/test-all.sh

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build

clean:
	rm -rf build build-sanitize build-fuzz
