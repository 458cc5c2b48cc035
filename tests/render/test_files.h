// Test helper: files under a directory of this process's own, removed when the tests end.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

inline const std::string& TestDir() {
    // Per process: other builds may run these tests at the same time.
    static const std::string dir = [] {
        std::string path =
            ::testing::TempDir() + "tavorinex_render_" + std::to_string(getpid()) + "/";
        std::filesystem::create_directories(path);
        struct Cleanup : ::testing::Environment {
            std::string path;
            explicit Cleanup(std::string p) : path(std::move(p)) {}
            void TearDown() override {
                std::error_code ignored;
                std::filesystem::remove_all(path, ignored);
            }
        };
        ::testing::AddGlobalTestEnvironment(new Cleanup(path));
        return path;
    }();
    return dir;
}

inline std::string TempPath(const std::string& name) {
    return TestDir() + name;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
