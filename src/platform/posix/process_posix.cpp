// The process's start on POSIX systems.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process.h"

namespace platform {

void fillClosedStandardStreams() {
    // A new descriptor takes the lowest number free: taken in order, each
    // closed standard one gets the null device. Without a null device (a
    // bare chroot) the root folder, opened for reading only, holds the
    // place: writes to it fail, as to a closed stream.
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
        if (open("/dev/null", stream == STDIN_FILENO ? O_RDONLY : O_WRONLY) < 0) open("/", O_RDONLY | O_DIRECTORY);
    }
}

}  // namespace platform
