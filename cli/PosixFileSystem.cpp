#include "PosixFileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    bool close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0;
    }

private:
    int fd;
};

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Reads to the end, or stops at the first byte past `maxSize`: false with
// EFBIG then.
bool readAll(int fd, std::string& contents, std::size_t maxSize)
{
    contents.clear();
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            return true;
        if (static_cast<std::size_t>(got) > maxSize - contents.size()) {
            errno = EFBIG;
            return false;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool PosixFileSystem::failed()
{
    error = std::strerror(errno);
    return false;
}

FileSystem::ReadResult PosixFileSystem::readFile(const std::string& path, std::string& contents, std::size_t maxSize)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        const bool missing = errno == ENOENT;
        failed();
        return missing ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode)) {
        // The size is known before anything is taken in.
        if (static_cast<std::size_t>(status.st_size) > maxSize)
            return ReadResult::TooLarge;
        contents.reserve(static_cast<std::size_t>(status.st_size));
    }
    if (readAll(file.get(), contents, maxSize))
        return ReadResult::Read;
    const bool tooLarge = errno == EFBIG;
    failed();
    contents.clear();
    return tooLarge ? ReadResult::TooLarge : ReadResult::Failed;
}

bool PosixFileSystem::replaceFile(const std::string& path, const std::string& contents)
{
    const std::string temporary = path + ".saving";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.valid())
        return failed();
    // The new text must be on the disk before the rename makes it the file.
    const bool written = writeAll(file.get(), contents.data(), contents.size()) && ::fsync(file.get()) == 0;
    if (!file.close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        failed();
        ::unlink(temporary.c_str());
        return false;
    }
    FileDescriptor folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        ::fsync(folder.get());
    return true;
}

bool PosixFileSystem::copyFile(const std::string& from, const std::string& to)
{
    std::string contents;
    if (readFile(from, contents, static_cast<std::size_t>(-1)) != ReadResult::Read)
        return false;
    FileDescriptor file(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!file.valid())
        return failed();
    const bool written = writeAll(file.get(), contents.data(), contents.size()) && ::fsync(file.get()) == 0;
    return (file.close() && written) || failed();
}

void PosixFileSystem::createDirectory(const std::string& path)
{
    ::mkdir(path.c_str(), 0777);
}

std::string PosixFileSystem::temporaryFolder()
{
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    if (path.back() != '/')
        path += '/';
    return path;
}

std::string PosixFileSystem::lastError()
{
    return error;
}
