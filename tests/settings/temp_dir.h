// Each test runs in a fresh working directory, where the bare name
// "Veltrix.ini" resolves, and starts from a freshly loaded library.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "settings/catalogue.h"
#include "settings/key_bindings.h"

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::filesystem::current_path();
        char name[] = "/tmp/veltrix-settings-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        std::filesystem::current_path(dir_);
        keyBindings.clear();
        resetFloatSettings();
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(dir_);
    }
    static void writeIni(const std::string& content) {
        std::ofstream("Veltrix.ini", std::ios::binary | std::ios::trunc) << content;
    }
    std::filesystem::path saved_, dir_;
};
