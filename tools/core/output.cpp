// What the whole core shares: the names of the kinds, and where output goes.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "dstypes_core.h"

namespace dstypes {

std::string_view kindName(Kind kind) {
    std::string_view name;
    switch (kind) {
        case Kind::GroupList: name = "group-list"; break;
        case Kind::Group: name = "group"; break;
        case Kind::Dimensions: name = "dimensions"; break;
        case Kind::SearchResults: name = "search-results"; break;
        case Kind::Values: name = "values"; break;
    }
    return name;
}

std::optional<Kind> parseKind(std::string_view name) {
    for (Kind kind : kKinds)
        if (kindName(kind) == name) return kind;
    return std::nullopt;
}

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
