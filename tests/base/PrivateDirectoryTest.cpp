#include <gtest/gtest.h>
#include <sys/stat.h>

#include <system_error>

#include "base/PrivateDirectory.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

TEST(PrivateDirectoryTest, CreatesAPrivateFolderAndRefusesOnesOthersCouldUse) {
    testing::TemporaryDirectory directory;
    const auto made = ensurePrivateDirectory(directory / "made" / "private");
    struct stat info {};
    ASSERT_EQ(::stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(ensurePrivateDirectory(made), made);  // a second call accepts what the first made

    const auto open = directory / "open";
    std::filesystem::create_directory(open);
    ::chmod(open.c_str(), 0755);
    EXPECT_THROW(ensurePrivateDirectory(open), std::system_error);

    // A link to a private folder is refused too: its target could change under us.
    std::filesystem::create_directory_symlink(made, directory / "link");
    EXPECT_THROW(ensurePrivateDirectory(directory / "link"), std::system_error);
}

TEST(PrivateDirectoryTest, RuntimeFolderComesFromTheSessionOrTheCache) {
    testing::TemporaryDirectory directory;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = runtime ? runtime : "";
    ::setenv("XDG_RUNTIME_DIR", directory.path().c_str(), 1);
    EXPECT_EQ(privateRuntimeDirectory(), directory / "quorvane");
    ::unsetenv("XDG_RUNTIME_DIR");
    ::setenv("XDG_CACHE_HOME", (directory / "cache").c_str(), 1);
    EXPECT_EQ(privateRuntimeDirectory(), directory / "cache" / "quorvane" / "runtime");
    ::unsetenv("XDG_CACHE_HOME");
    if (runtime) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace quorvane
