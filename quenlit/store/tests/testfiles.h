#pragma once

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in
// it at the end of the test.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::string file(const std::string &name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

void WriteFile(const std::string &path, const std::string &bytes);
std::string ReadFile(const std::string &path);

// Restores the current directory when it goes out of scope.
class CurrentDirGuard
{
public:
    CurrentDirGuard() : m_saved(std::filesystem::current_path()) {}
    ~CurrentDirGuard() { std::filesystem::current_path(m_saved); }

private:
    std::filesystem::path m_saved;
};
