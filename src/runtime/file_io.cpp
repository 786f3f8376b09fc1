#include "runtime/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

namespace quillon::fileio {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // Closes now, reporting what close reports (a delayed write error shows up here).
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0 ? 0 : errno;
    }

  private:
    int fd_;
};

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(fd, bytes.data(), bytes.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return wrote < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return 0;
}

// Reads until end of file or `maxBytes`; the file may have grown or shrunk since it was sized.
int ReadAll(int fd, std::string& bytes, std::size_t expected, std::size_t maxBytes) {
    bytes.resize(std::max<std::size_t>(expected, 1));
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (bytes.size() > maxBytes) return EFBIG;
            bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
        }
        const ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    bytes.resize(used);
    return used > maxBytes ? EFBIG : 0;
}

// A new file next to `target`, named after it, created with the usual permissions (0666 less
// the umask); never one that exists already.
int CreateBeside(const std::filesystem::path& target, std::filesystem::path& created) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        created = target;
        created.replace_filename("." + target.filename().string() + "." +
                                 std::to_string(random() % 1000000) + ".tmp");
        const int fd = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd >= 0 ? fd : -errno;
    }
    return -EEXIST;
}

int WriteAndRename(int fd, const std::filesystem::path& temporary,
                   const std::filesystem::path& target, std::string_view bytes) {
    Descriptor file(fd);
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) return errno;
    if (const int error = WriteAll(fd, bytes)) return error;
    if (::fsync(fd) != 0) return errno;
    if (const int error = file.Close()) return error;
    if (::rename(temporary.c_str(), target.c_str()) != 0) return errno;
    // The rename itself reaches the disk with the folder.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    Descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0) ::fsync(directory.get());
    return 0;
}

}  // namespace

ReadResult ReadFile(const std::filesystem::path& file, std::size_t maxBytes) {
    ReadResult result;
    // Non-blocking, so that opening a pipe does not wait for a writer.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0) {
        result.error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        result.error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        result.error = EINVAL;
    } else if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        result.error = EFBIG;
    } else {
        result.error =
            ReadAll(fd.get(), result.bytes, static_cast<std::size_t>(info.st_size), maxBytes);
    }
    if (result.error) result.bytes.clear();
    return result;
}

int ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
    std::error_code error;
    std::filesystem::path target = file;
    if (std::filesystem::is_symlink(file, error)) {
        target = std::filesystem::weakly_canonical(file, error);
        if (error) return error.value();
    }
    if (std::filesystem::is_directory(target, error)) return EISDIR;
    std::filesystem::path temporary;
    const int fd = CreateBeside(target, temporary);
    if (fd < 0) return -fd;
    const int result = WriteAndRename(fd, temporary, target, bytes);
    if (result != 0) ::unlink(temporary.c_str());
    return result;
}

}  // namespace quillon::fileio
