// TempDir: a fresh folder per test under the system's temporary folder,
// removed with everything in it when the object goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Path of a file in the folder (not created).
    std::filesystem::path File(const std::string& name) const { return m_path / name; }
    // The same as a wide string, the form CFileMapping::Open and the Win32 calls take.
    std::wstring WidePath(const std::string& name) const { return File(name).wstring(); }

    // Writes the bytes into a new file; returns its wide path (empty on failure).
    std::wstring WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) const;
    // A file of the given size that is all zeros except for the bytes written
    // at the given offset; holes are left to the file system (sparse where it can).
    std::wstring WriteSparseFile(const std::string& name, uint64_t size, uint64_t offset,
                                 const std::vector<uint8_t>& bytes) const;

  private:
    std::filesystem::path m_path;
};
