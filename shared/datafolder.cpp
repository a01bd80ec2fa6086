#include "datafolder.h"

#include <cstdlib>

std::string UserDataFolder()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    std::string folder = data ? data : "";
    if (folder.empty() || folder.front() != '/') {
        const char *home = std::getenv("HOME");
        folder = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    return folder + "/Velmora Tamrix";
}
