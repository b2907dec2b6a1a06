// What a test finds on disk: a file's bytes and a folder's file names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
// The names of the entries of the folder, sorted.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);
