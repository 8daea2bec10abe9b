#pragma once

// A private scratch folder for one test, and a fixture that gives every test its own.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include <stdlib.h>

namespace gq::testsupport
{

/// A new, empty folder "<prefix>-XXXXXX" in the system's temporary folder (TMPDIR, else /tmp),
/// made by mkdtemp: mode 0700 and a name no other test or parallel run shares. Removed with
/// everything in it when the object goes. Throws std::runtime_error when it cannot be made.
class TTempFolder
{
  public:
    explicit TTempFolder(std::string_view prefix = "gq-test")
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder " + pattern + ": " +
                                     std::strerror(errno));
        m_path = pattern;
    }
    ~TTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    /// The path of `name` inside the folder.
    std::filesystem::path operator/(const std::filesystem::path& name) const
    {
        return m_path / name;
    }

  private:
    std::filesystem::path m_path;
};

/// A fixture whose every test runs with a fresh TTempFolder; Dir is its path.
class TTempFolderTest : public ::testing::Test
{
  protected:
    TTempFolder Folder;
    const std::filesystem::path Dir = Folder.Path();
};

} // namespace gq::testsupport
