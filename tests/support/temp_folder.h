// A temporary folder of one test: made fresh, with a name no other test
// program running at the same time can take, and removed with everything in
// it when the holder goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace gradix::testing {

class TempFolder {
public:
    // A new folder in the system's temporary folder, named after label. It is
    // readable by every account, so that a check run as another account (a
    // child that drops root) reaches the files in it.
    explicit TempFolder(const std::string& label = "test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string folder() const { return path_.string(); }
    // The path of name (which may hold subfolders) in the folder; nothing is made.
    std::string file(const std::string& name) const;
    // Writes bytes to name, making the subfolders it names; its path.
    std::string write(const std::string& name, const std::string& bytes) const;
    // Writes bytes to a file of its own, STEM + N + EXTENSION with N = 1, 2, ...
    // in the order of the calls; its path.
    std::string writeNext(const std::string& bytes, const std::string& stem = "file",
                          const std::string& extension = ".txt");
    // The names of what the folder holds, in no particular order.
    std::vector<std::string> names() const;

private:
    std::filesystem::path path_;
    int files_ = 0;
};

}  // namespace gradix::testing
