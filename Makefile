# The commands of the README: `make run`, `make test` and `make package`.
.PHONY: run test package deps build clean

run:
	bash scripts/run-demo.sh

test:
	bash scripts/test-all.sh

package:
	bash scripts/package.sh

deps:
	bash scripts/install-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build build

clean:
	rm -rf build build-sanitize build-fuzz build-package build-tsan
