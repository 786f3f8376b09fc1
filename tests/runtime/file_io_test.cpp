#include "runtime/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quillon::fileio {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string name = (fs::temp_directory_path() / "quillon-io-XXXXXX").string();
        ASSERT_NE(::mkdtemp(name.data()), nullptr);
        dir = name;
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path Put(const char* name, std::string_view bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    static std::string Slurp(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The names in the folder: a save that failed or finished leaves none of its own behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
};

TEST_F(FileIoTest, ReadsRegularFilesOnly) {
    Put("text", "<a/>");
    Put("empty", "");
    Put("big", std::string(101, 'x'));
    fs::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const struct {
        fs::path file;
        int error;
        std::string bytes;
    } rows[] = {
        {dir / "text", 0, "<a/>"},     {dir / "empty", 0, ""},
        {dir / "big", EFBIG, ""},      {dir / "folder", EISDIR, ""},
        {dir / "missing", ENOENT, ""}, {dir / "text" / "below", ENOTDIR, ""},
        {dir / "pipe", EINVAL, ""},  // refused without waiting for a writer
    };
    for (const auto& row : rows) {
        const ReadResult read = ReadFile(row.file, 100);
        EXPECT_EQ(read.error, row.error) << row.file;
        EXPECT_EQ(read.bytes, row.bytes) << row.file;
    }
}

TEST_F(FileIoTest, ReplacesWholeOrNotAtAll) {
    const fs::path kept = Put("kept", "old");
    ASSERT_EQ(::chmod(kept.c_str(), 0640), 0);
    EXPECT_EQ(ReplaceFile(kept, "new bytes"), 0);
    EXPECT_EQ(Slurp(kept), "new bytes");
    EXPECT_EQ(fs::status(kept).permissions(), fs::perms(0640));

    EXPECT_EQ(ReplaceFile(dir / "fresh", ""), 0);
    EXPECT_EQ(Slurp(dir / "fresh"), "");

    // A link stays a link; the file it names gets the bytes.
    fs::create_symlink("kept", dir / "link");
    EXPECT_EQ(ReplaceFile(dir / "link", "through the link"), 0);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(Slurp(kept), "through the link");

    fs::create_directory(dir / "folder");
    EXPECT_EQ(ReplaceFile(dir / "folder", "x"), EISDIR);
    EXPECT_EQ(ReplaceFile(dir / "kept" / "below", "x"), ENOTDIR);
    EXPECT_EQ(ReplaceFile(dir / "no" / "such", "x"), ENOENT);
    EXPECT_EQ(Slurp(kept), "through the link");
    EXPECT_EQ(Names(), (std::vector<std::string>{"folder", "fresh", "kept", "link"}));
}

}  // namespace
}  // namespace quillon::fileio
