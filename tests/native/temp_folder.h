#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends (the native tests of every folder use it). Paths are UTF-8, as the engine takes
// them.

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> counter{0};
        auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0;; ++attempt) {
            auto name = "kestrin-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++);
            path_ = base / name;
            if (std::filesystem::create_directory(path_) || attempt > 100) break;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The UTF-8 path of `name` inside the folder.
    std::string File(const std::string& name) const {
        auto u8 = (path_ / name).u8string();
        return std::string(u8.begin(), u8.end());
    }

  private:
    std::filesystem::path path_;
};
