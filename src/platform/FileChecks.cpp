#include "platform/FileChecks.h"

#include <sys/stat.h>
#include <unistd.h>

bool IsReadOnlyFile(const std::string& path)
{
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return false;
    // No write bit at all is the read-only attribute, even for a user (root)
    // whom the permissions would not stop.
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}
