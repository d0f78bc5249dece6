// The skeldon program: one run context, the main program, and its exit code.
#include <memory>
#include <string>
#include <vector>

#include "compiler/core/main_program.h"
#include "compiler/core/compiler_run.h"

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv, argv + argc);
    // The run's state is large; it lives on the heap, not on the stack.
    auto run = std::make_unique<CompilerRun>();
    return RunCompiler(words, *run);
}
