#include "platform/fs.h"

#include <fcntl.h>
#include <unistd.h>

int ChangeDirectory(const char* path) {
    if (!path || !*path)
        return -1;
    return chdir(path) == 0 ? 0 : -1;
}

int HoldWorkingDirectory() {
    // A path-only handle needs no read permission on the directory.
#ifdef O_PATH
    int handle = open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0)
        return handle;
#endif
    return open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int ReturnToHeldDirectory(int handle) {
    if (handle < 0)
        return -1;
    int result = fchdir(handle) == 0 ? 0 : -1;
    close(handle);
    return result;
}
