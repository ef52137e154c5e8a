// What the extractor tests share: a folder of their own with an "out" folder to unpack
// into, and the extractor's events recorded.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "host/ZipExtractor.h"
#include "support/Files.h"
#include "util/Paths.h"

namespace tv::testbed {

namespace fs = std::filesystem;

inline void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::map<std::string, std::string> FolderContent(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = testbed::ReadAll(entry.path());
    return files;
}

class ZipTest : public testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        FDir = fs::temp_directory_path() /
               ("tv-zip-test-" + std::to_string(getpid()) + "-" + std::to_string(++serial));
        fs::remove_all(FDir);
        fs::create_directories(FDir / "out");
        FZip.OnArchiveProgress = [this](int progress, bool& abort) {
            FArchiveProgress.push_back(progress);
            if (FAbortAt >= 0 && progress >= FAbortAt) abort = true;
        };
        FZip.OnArchiveItemProgress = [this](const ZipEntry& entry, int progress, bool&) {
            FItemProgress.push_back(entry.FileName + ":" + std::to_string(progress));
        };
        FZip.OnConfirmOverwrite = [this](std::string& name, bool& confirm) {
            FAsked.push_back(name);
            confirm = FConfirm;
        };
        FZip.OnItemFailure = [this](const ZipEntry& entry, const std::string& reason) {
            FFailures.push_back(entry.FileName + ": " + reason);
        };
    }
    void TearDown() override {
        FZip.SetFileName(""); // an open archive cannot be removed on Windows
        fs::remove_all(FDir);
    }
    // Opens and extracts into out/; the failure text, or empty.
    std::string Extract(const fs::path& archive, const fs::path& target = {}) {
        FZip.BaseDirectory = (target.empty() ? FDir / "out" : target).string();
        try {
            FZip.SetFileName(archive.string());
            FZip.ExtractFiles("*.*");
            FZip.SetFileName("");
            return "";
        } catch (const std::exception& e) {
            return e.what();
        }
    }

    ZipExtractor FZip;
    fs::path FDir;
    std::vector<int> FArchiveProgress;
    std::vector<std::string> FItemProgress;
    std::vector<std::string> FAsked;
    std::vector<std::string> FFailures;
    bool FConfirm = true;
    int FAbortAt = -1;
};

} // namespace tv::testbed
