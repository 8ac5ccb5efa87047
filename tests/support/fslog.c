/* A preload library that writes down the file system calls that decide what
 * survives a power cut (fsync, link, rename, unlink), in the order a program
 * makes them, to the file named by KAVEL_FSLOG, one "call path" line each.
 * Without KAVEL_FSLOG it only passes the calls on. With KAVEL_FS_NO_TMPFILE
 * set, opening an unnamed temporary file (O_TMPFILE) fails as it does on a
 * file system that has none. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void note(const char *call, const char *path)
{
    const char *log = getenv("KAVEL_FSLOG");
    if (!log || !path)
        return;
    char line[4200];
    const int n = snprintf(line, sizeof line, "%s %s\n", call, path);
    const int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    if (n > 0 && write(fd, line, (size_t)n) < 0) {
        /* nothing to do: the log is a test's */
    }
    close(fd);
}

static void noteFd(const char *call, int fd)
{
    char link[64];
    char path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return;
    path[n] = '\0';
    note(call, path);
}

#define REAL(name, type) ((type)dlsym(RTLD_NEXT, name))

int fsync(int fd)
{
    noteFd("fsync", fd);
    return REAL("fsync", int (*)(int))(fd);
}

int fdatasync(int fd)
{
    noteFd("fsync", fd);
    return REAL("fdatasync", int (*)(int))(fd);
}

int unlink(const char *path)
{
    note("unlink", path);
    return REAL("unlink", int (*)(const char *))(path);
}

int unlinkat(int dirfd, const char *path, int flags)
{
    note("unlink", path);
    return REAL("unlinkat", int (*)(int, const char *, int))(dirfd, path, flags);
}

int link(const char *from, const char *to)
{
    note("link", to);
    return REAL("link", int (*)(const char *, const char *))(from, to);
}

int linkat(int fromdir, const char *from, int todir, const char *to, int flags)
{
    note("link", to);
    return REAL("linkat", int (*)(int, const char *, int, const char *, int))(fromdir, from, todir, to, flags);
}

int rename(const char *from, const char *to)
{
    note("rename", to);
    return REAL("rename", int (*)(const char *, const char *))(from, to);
}

int renameat(int fromdir, const char *from, int todir, const char *to)
{
    note("rename", to);
    return REAL("renameat", int (*)(int, const char *, int, const char *))(fromdir, from, todir, to);
}

int renameat2(int fromdir, const char *from, int todir, const char *to, unsigned int flags)
{
    note("rename", to);
    return REAL("renameat2", int (*)(int, const char *, int, const char *, unsigned int))(fromdir, from, todir, to,
                                                                                          flags);
}

static int openFile(const char *name, const char *path, int flags, va_list args)
{
    mode_t mode = 0;
    if ((flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE)
        mode = (mode_t)va_arg(args, int);
    if ((flags & O_TMPFILE) == O_TMPFILE && getenv("KAVEL_FS_NO_TMPFILE")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return REAL(name, int (*)(const char *, int, ...))(path, flags, mode);
}

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = openFile("open", path, flags, args);
    va_end(args);
    return fd;
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const int fd = openFile("open64", path, flags, args);
    va_end(args);
    return fd;
}
