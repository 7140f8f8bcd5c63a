// A scratch folder for the tests of the platform layer, on any system.
#ifndef QUORLINK_PLATFORM_TEST_H
#define QUORLINK_PLATFORM_TEST_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../platform/platform.h"

class Files : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override;
    void TearDown() override;
    std::string put(const std::string &name, const std::string &content);
    static std::string read(const std::string &path);
    // the lines of a text file as the program's reader gives them
    static std::vector<std::string> lines(const std::string &path, size_t size = 1024);
    std::vector<std::string> names();
    // a file replaced by one written whole beside it
    static int replace(const std::string &path, const std::string &data);
    // a text file written over, every step expected to succeed
    static void write(const std::string &path, const std::string &text);
};

using strings = std::vector<std::string>;

#endif
