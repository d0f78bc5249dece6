// A fresh run context per test: console output captured, end sounds recorded, a private
// temporary folder for files, and helpers to catch the run's orderly stop.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "compiler/passes/compiler_run.h"
#include "platform/system.h"
#include "tests/support/test_support.h"

namespace skeldon {

class CoreRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        run = std::make_unique<CompilerRun>();
        auto capture = std::make_unique<TCapturingConsole>();
        console = capture.get();
        run->reporter.SetConsole(std::move(capture));
        run->mainUnit.Sound = &sound;
        // Lower-case folder names: several names pass through the lower-case table.
        std::string pattern = (std::filesystem::temp_directory_path() / "corea_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        run.reset();  // closes log files before the folder goes
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        const std::string path = Path(name);
        corvina_test::WriteFile(path, bytes);
        return path;
    }

    static std::string ReadFile(const std::string& path) { return corvina_test::ReadFile(path); }

    static std::string DataPath(const std::string& name) {
        return std::string(CORVINA_SOURCE_DIR) + "/tests/data/compiler_core/" + name;
    }

    // Runs f and returns the exit code of the TerminateRun it throws, or -1 when it returns.
    template <class F>
    static int ExitCodeOf(F&& f) {
        try {
            f();
        } catch (const TerminateRun& stop) {
            return stop.ExitCode;
        }
        return -1;
    }

    bool ConsoleHas(const std::string& text) const {
        return console->Text.find(text) != std::string::npos;
    }

    std::unique_ptr<CompilerRun> run;
    TCapturingConsole* console = nullptr;
    platform::RecordingSystem sound;
    std::filesystem::path dir;
};

}  // namespace skeldon
