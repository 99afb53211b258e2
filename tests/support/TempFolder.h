#pragma once
// A fresh temporary folder, removed with everything in it when the object goes.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace support {

class TempFolder {
public:
    TempFolder() {
        std::string path = (std::filesystem::temp_directory_path() / "quorvel-XXXXXX").string();
        if (::mkdtemp(path.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = path;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace support
