// The conversions of the dstypes tool, apart from its command line, so that tests and
// fuzzers call them directly. Every reader here takes untrusted input: it never reads past
// the end, allocates only in proportion to what it has read, recurses nowhere, runs in
// linear time, and reports every fault as a BadInput.
#ifndef DST_TOOLS_DSTYPES_CORE_H
#define DST_TOOLS_DSTYPES_CORE_H

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dstypes {

/// Bad input: text, JSON or arguments (exit status 2).
struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};
/// A file or stream that cannot be read or written (exit status 1).
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// The kinds of text, in the order the tool lists them.
extern const std::vector<std::string> kKinds;

/// Output collected in a buffer and written to a file descriptor whenever it grows past a
/// threshold, and on flush(). With fd < 0 it only collects (for tests and fuzzers).
class Output {
public:
    explicit Output(int fd = -1) : fd_(fd) {}
    void write(std::string_view s) {
        buffer_.append(s.data(), s.size());
        if (fd_ >= 0 && buffer_.size() >= kThreshold) flush();
    }
    void put(char c) { buffer_.push_back(c); }
    /// Writes out what is collected; throws IoError when the descriptor refuses it.
    void flush();
    /// How much has been put out so far, written or not.
    std::size_t mark() const { return written_ + buffer_.size(); }
    /// Takes back what was put out since `mark`, as far as it is not yet written.
    void rollback(std::size_t mark) {
        if (mark >= written_ && mark <= this->mark()) buffer_.resize(mark - written_);
    }
    const std::string& collected() const { return buffer_; }

private:
    static constexpr std::size_t kThreshold = 1 << 20;
    int fd_;
    std::size_t written_ = 0;
    std::string buffer_;
};

/// The kind a text most likely is: a table, a group, the dimensions, search results or a
/// bare sequence of values.
std::string detectKind(std::string_view text);

/// Reads `text` strictly as `kind` and writes its JSON to `out` (indented, or on one line
/// when `compact`), followed by a newline. Strict means canonical: exactly what the library
/// and our serializer write, with white space allowed after the last value. `assumed` names
/// how the kind was chosen ("detected", "given"), for the error message.
void decode(std::string_view text, const std::string& kind, const std::string& assumed, bool compact, Output& out);

/// What the library's own classes make of `text`, read as `kind` by a fresh receiver, as
/// JSON on `out`; `notes` receives one line for each thing the strict reading objects to.
void decodeLenient(std::string_view text, const std::string& kind, const std::string& assumed, bool compact, Output& out,
                   std::vector<std::string>& notes);

/// The library's XML form of a text of `kind` (group-list, group or dimensions), checked
/// strictly first. `pretty`: one indented document, wrapped in an element named after the kind.
std::string toXml(std::string_view text, const std::string& kind, const std::string& assumed, bool pretty);

/// Reads JSON in the shape decode() writes and writes the text form of `kind` to `out`.
/// The JSON is read as a stream of events: a result set or a value sequence of any size is
/// written record by record, never held whole.
void encode(std::string_view json, const std::string& kind, Output& out);

}  // namespace dstypes

#endif
