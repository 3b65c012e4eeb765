#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "base/AtomicFile.h"
#include "support/TemporaryDirectory.h"

namespace quorvane {
namespace {

mode_t modeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::string read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets the umask for one test and puts the old one back.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

TEST(AtomicFileTest, UserFilesTakeTheUmaskWhenNewAndKeepTheModeOfTheFileTheyReplace) {
    testing::TemporaryDirectory directory;
    const ScopedUmask mask(027);
    EXPECT_EQ(currentUmask(), 027u);

    writeUserFileAtomically(directory / "new.txt", "first");
    EXPECT_EQ(modeOf(directory / "new.txt"), 0640u);

    const auto secret = directory / "secret.txt";
    std::ofstream(secret) << "old";
    ::chmod(secret.c_str(), 0600);
    writeUserFileAtomically(secret, "replaced");
    EXPECT_EQ(read(secret), "replaced");
    EXPECT_EQ(modeOf(secret), 0600u);

    const auto shared = directory / "shared.txt";
    std::ofstream(shared) << "old";
    ::chmod(shared.c_str(), 0664);
    writeUserFileAtomically(shared, "replaced");
    EXPECT_EQ(modeOf(shared), 0664u);
}

TEST(AtomicFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    testing::TemporaryDirectory directory;
    const auto file = directory / "kept.txt";
    std::ofstream(file) << "old";
    // A folder in the way of the rename.
    std::filesystem::create_directories(directory / "folder" / "inside");
    try {
        writeFileAtomically(directory / "folder", "new", 0600);
        ADD_FAILURE() << "a folder in the way was replaced";
    } catch (const std::system_error& error) {
        // Users read it in an alert: it names the file they chose, not a temporary one.
        EXPECT_EQ(std::string(error.what()), (directory / "folder").string() + ": Is a directory");
    }
    EXPECT_EQ(read(file), "old");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

}  // namespace
}  // namespace quorvane
