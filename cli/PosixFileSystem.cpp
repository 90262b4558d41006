#include "PosixFileSystem.h"

#include <cerrno>
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

bool readAll(int fd, std::string& contents)
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

FileSystem::ReadResult PosixFileSystem::readFile(const std::string& path, std::string& contents)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid())
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat status {};
    if (::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode))
        contents.reserve(static_cast<std::size_t>(status.st_size));
    return readAll(file.get(), contents) ? ReadResult::Read : ReadResult::Failed;
}

bool PosixFileSystem::replaceFile(const std::string& path, const std::string& contents)
{
    const std::string temporary = path + ".saving";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.valid())
        return false;
    // The new text must be on the disk before the rename makes it the file.
    const bool written = writeAll(file.get(), contents.data(), contents.size()) && ::fsync(file.get()) == 0;
    if (!file.close() || !written || ::rename(temporary.c_str(), path.c_str()) != 0) {
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
    if (readFile(from, contents) != ReadResult::Read)
        return false;
    FileDescriptor file(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!file.valid())
        return false;
    const bool written = writeAll(file.get(), contents.data(), contents.size()) && ::fsync(file.get()) == 0;
    return file.close() && written;
}

void PosixFileSystem::createDirectory(const std::string& path)
{
    ::mkdir(path.c_str(), 0777);
}
