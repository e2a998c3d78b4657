#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvex::testing {

// A file's bytes as text, or empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Replaces a file's bytes with `text`.
void WriteFile(const std::filesystem::path& path, std::string_view text);

}  // namespace quorvex::testing
