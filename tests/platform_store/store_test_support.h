#pragma once
// Shared helpers of the settings store and profile tests.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace zelkor::platform::test {

// A fresh folder per test, removed afterwards.
class TempFolder {
  public:
    explicit TempFolder(std::filesystem::path base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "zelkor-store-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed";
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Sets (or, given nothing, removes) an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            saved_ = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> saved_;
};

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A hand-written file kept beside these tests.
inline std::string dataFile(const std::string& name) {
    const char* source = std::getenv("ZELKOR_SOURCE_DIR");
    const std::string root = source != nullptr ? source : ZELKOR_STORE_TEST_SOURCE_DIR;
    return zelkor::testing::readText(root + "/tests/platform_store/data/" + name);
}

inline unsigned fileMode(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace zelkor::platform::test
