// A folder seen through FUSE as some filesystems show it: without nameless files (as every FUSE
// mount), and with --no-links without hard links (as FAT, exFAT and many network mounts, whose
// link() fails with EPERM), and with --no-exclusive-rename also without renames that refuse to
// replace. The fault tests write envelopes through it.
//   fuse_passthrough SOURCE MOUNTPOINT [--no-links] [--no-exclusive-rename]
// It stays in the foreground until the mount point is unmounted.

#define FUSE_USE_VERSION 35

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fuse3/fuse.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string source;
bool no_links = false;
bool no_exclusive_rename = false;

std::string real(const char* path)
{
    return source + path;
}

int result(int value)
{
    return value < 0 ? -errno : value;
}

int get_attributes(const char* path, struct stat* info, fuse_file_info* /*file*/)
{
    return result(lstat(real(path).c_str(), info));
}

int read_folder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t /*offset*/,
    fuse_file_info* /*file*/, fuse_readdir_flags /*flags*/)
{
    DIR* folder = opendir(real(path).c_str());
    if (folder == nullptr)
        return -errno;
    while (const dirent* entry = readdir(folder))
        fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags {});
    closedir(folder);
    return 0;
}

int open_file(const char* path, fuse_file_info* file)
{
    const int fd = open(real(path).c_str(), file->flags & ~O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int create_file(const char* path, mode_t mode, fuse_file_info* file)
{
    const int fd = open(real(path).c_str(), file->flags, mode);
    if (fd < 0)
        return -errno;
    file->fh = static_cast<uint64_t>(fd);
    return 0;
}

int read_file(const char* /*path*/, char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    return result(static_cast<int>(pread(static_cast<int>(file->fh), buffer, size, offset)));
}

int write_file(
    const char* /*path*/, const char* buffer, size_t size, off_t offset, fuse_file_info* file)
{
    return result(static_cast<int>(pwrite(static_cast<int>(file->fh), buffer, size, offset)));
}

int release_file(const char* /*path*/, fuse_file_info* file)
{
    return result(close(static_cast<int>(file->fh)));
}

int sync_file(const char* /*path*/, int /*data_only*/, fuse_file_info* file)
{
    return result(fsync(static_cast<int>(file->fh)));
}

int link_file(const char* from, const char* to)
{
    if (no_links)
        return -EPERM;
    return result(link(real(from).c_str(), real(to).c_str()));
}

int rename_file(const char* from, const char* to, unsigned int flags)
{
    if (flags != 0 && no_exclusive_rename)
        return -EINVAL;
    return result(renameat2(AT_FDCWD, real(from).c_str(), AT_FDCWD, real(to).c_str(), flags));
}

int unlink_file(const char* path)
{
    return result(unlink(real(path).c_str()));
}

int make_folder(const char* path, mode_t mode)
{
    return result(mkdir(real(path).c_str(), mode));
}

int remove_folder(const char* path)
{
    return result(rmdir(real(path).c_str()));
}

int change_mode(const char* path, mode_t mode, fuse_file_info* /*file*/)
{
    return result(chmod(real(path).c_str(), mode));
}

int change_owner(const char* path, uid_t owner, gid_t group, fuse_file_info* /*file*/)
{
    return result(lchown(real(path).c_str(), owner, group));
}

int truncate_file(const char* path, off_t size, fuse_file_info* file)
{
    return result(file != nullptr ? ftruncate(static_cast<int>(file->fh), size)
                                  : truncate(real(path).c_str(), size));
}

int set_times(const char* path, const timespec times[2], fuse_file_info* /*file*/)
{
    return result(utimensat(AT_FDCWD, real(path).c_str(), times, AT_SYMLINK_NOFOLLOW));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(
            stderr, "usage: %s SOURCE MOUNTPOINT [--no-links] [--no-exclusive-rename]\n", argv[0]);
        return 2;
    }
    source = argv[1];
    for (int i = 3; i < argc; ++i) {
        no_links = no_links || std::strcmp(argv[i], "--no-links") == 0;
        no_exclusive_rename
            = no_exclusive_rename || std::strcmp(argv[i], "--no-exclusive-rename") == 0;
    }
    fuse_operations operations {};
    operations.getattr = get_attributes;
    operations.readdir = read_folder;
    operations.open = open_file;
    operations.create = create_file;
    operations.read = read_file;
    operations.write = write_file;
    operations.release = release_file;
    operations.fsync = sync_file;
    operations.link = link_file;
    operations.rename = rename_file;
    operations.unlink = unlink_file;
    operations.mkdir = make_folder;
    operations.rmdir = remove_folder;
    operations.chmod = change_mode;
    operations.chown = change_owner;
    operations.truncate = truncate_file;
    operations.utimens = set_times;
    std::vector<char*> arguments = {argv[0], argv[2], const_cast<char*>("-f"),
        const_cast<char*>("-o"), const_cast<char*>("allow_other,default_permissions")};
    return fuse_main(static_cast<int>(arguments.size()), arguments.data(), &operations, nullptr);
}
