#include "file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "unique_fd.h"

namespace qz::engine {

std::variant<Bytes, FileFailure> ReadWholeFile(const std::filesystem::path &file, std::size_t max_size)
{
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return FileFailure{errno};
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return FileFailure{errno};
    if (S_ISDIR(info.st_mode))
        return FileFailure{EISDIR};
    if (!S_ISREG(info.st_mode))
        return FileFailure{EACCES};
    if (static_cast<std::uint64_t>(info.st_size) > max_size)
        return FileFailure{EFBIG};
    Bytes bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileFailure{errno};
        if (got == 0)
            break;  // the file shrank while it was read
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

std::variant<std::monostate, FileFailure> WriteWholeFile(const std::filesystem::path &file, ByteView bytes)
{
    constexpr mode_t kFileMode = 0644;
    UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode));
    if (!fd.Valid())
        return FileFailure{errno};
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return FileFailure{errno};
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.Get()) != 0)
        return FileFailure{errno};
    return std::monostate{};
}

std::variant<std::monostate, FileFailure> ReplaceFile(const std::filesystem::path &file, ByteView bytes)
{
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    auto written = WriteWholeFile(temporary, bytes);
    if (std::holds_alternative<FileFailure>(written)) {
        std::remove(temporary.c_str());
        return written;
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) {
        int error = errno;
        std::remove(temporary.c_str());
        return FileFailure{error};
    }
    return std::monostate{};
}

}  // namespace qz::engine
