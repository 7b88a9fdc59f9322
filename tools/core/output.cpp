// Where output goes.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core.h"

namespace dstypes {

void writeAll(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw IoError(std::string("cannot write the output: ") + std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
}

void Output::flush() {
    if (fd_ == kCollect) return;
    if (fd_ >= 0) writeAll(fd_, buffer_);
    buffer_.clear();
}

}  // namespace dstypes
