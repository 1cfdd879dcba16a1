#include "support/temp_folder.h"

#include <stdlib.h>

#include <stdexcept>
#include <system_error>

#include "support/file_bytes.h"

namespace gradix::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder(const std::string& label) {
    std::string pattern = (fs::temp_directory_path() / ("gradix-" + label + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder from " + pattern);
    path_ = pattern;
    fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
}

TempFolder::~TempFolder() {
    // A test may have taken permissions away; give the owner's back first.
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempFolder::file(const std::string& name) const { return (path_ / name).string(); }

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
    const fs::path p = path_ / name;
    fs::create_directories(p.parent_path());
    return writeBytes(p, bytes);
}

std::string TempFolder::writeNext(const std::string& bytes, const std::string& stem, const std::string& extension) {
    return write(stem + std::to_string(++files_) + extension, bytes);
}

std::vector<std::string> TempFolder::names() const {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(path_)) out.push_back(e.path().filename().string());
    return out;
}

}  // namespace gradix::testing
