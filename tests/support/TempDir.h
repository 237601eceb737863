#pragma once

#include <filesystem>
#include <string>

namespace qar::test
{

/// A fresh directory under the system's temporary folder, removed with everything in it on destruction.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// path() / relative, as a string.
    std::string file(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};

/// Writes bytes to a file (creating its folders); returns the path.
std::string writeFile(const std::string& path, const std::string& bytes);
/// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

/// Sets the system default locale id for one test and puts the previous one back.
class ScopedLcid
{
public:
    explicit ScopedLcid(int lcid);
    ~ScopedLcid();
    ScopedLcid(const ScopedLcid&) = delete;
    ScopedLcid& operator=(const ScopedLcid&) = delete;

private:
    int m_previous;
};

/// Sets (or with nullptr removes) an environment variable for one scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::string m_old;
    bool m_had;
};

/// Makes the next file save of this process fail as a file that cannot be replaced does: once that save
/// has written its temporary file, `path` is moved aside and a folder takes its place, so the rename over
/// it fails with EISDIR. The file comes back, and saves work again, when the scope ends.
class ScopedSaveFailure
{
public:
    explicit ScopedSaveFailure(std::string path);
    ~ScopedSaveFailure();
    ScopedSaveFailure(const ScopedSaveFailure&) = delete;
    ScopedSaveFailure& operator=(const ScopedSaveFailure&) = delete;

private:
    std::string m_path;
};

} // namespace qar::test
