#include "firmware/changeable_firmware.h"

#include <sys/stat.h>
#include <unistd.h>

namespace morvanex {

bool changeableByOthers(const std::filesystem::path& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    // A group may hold anyone; a file's owner may always give it away by its mode.
    return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0 || (st.st_uid != 0 && st.st_uid != ::geteuid());
}

} // namespace morvanex
