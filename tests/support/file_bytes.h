// Whole files as bytes, read and written without any of Gradix's own file
// code, so that a test never checks the program with itself.
#pragma once

#include <filesystem>
#include <string>

namespace gradix::testing {

// The bytes of the file at path; "" when it cannot be read.
std::string readBytes(const std::filesystem::path& path);
// Writes bytes to the file at path, replacing it; its path.
std::string writeBytes(const std::filesystem::path& path, const std::string& bytes);

}  // namespace gradix::testing
