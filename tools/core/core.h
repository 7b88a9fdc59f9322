// The conversions of the dstypes tool, apart from its command line: the tool, its tests and
// its fuzzers call them. Every reader here takes untrusted input: it never reads past the
// end, allocates only in proportion to what it has read, recurses nowhere, runs in linear
// time, and reports every fault as a BadInput.
//
// One file per concern: output.cpp (kinds, Output), json_writer.cpp (JSON as it is
// written), text_cursor.cpp (strict reading, excerpts), decode.cpp (the strict decoders and
// detection), receiver.cpp (what the library's classes make of a text: the lenient JSON and
// the XML fragment), xml_output.cpp (indented XML, the only user of libxml2) and
// json_reader.cpp (encode, the only user of nlohmann-json).
#ifndef DST_TOOLS_DSTYPES_CORE_H
#define DST_TOOLS_DSTYPES_CORE_H

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dstypes {

/// Bad input: text, JSON or arguments (exit status 2).
struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};
/// Bad text: also says at which byte of the text the strict reading stopped.
struct BadText : BadInput {
    BadText(const std::string& message, std::size_t byte) : BadInput(message), at(byte) {}
    std::size_t at;
};
/// A file or stream that cannot be read or written (exit status 1).
struct IoError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// The kinds of text. Code that depends on the kind switches over it without a default, so
/// that the compiler names every place a new kind must be handled.
enum class Kind { GroupList, Group, Dimensions, SearchResults, Values };
/// Every kind, in the order the tool lists them.
constexpr Kind kKinds[] = {Kind::GroupList, Kind::Group, Kind::Dimensions, Kind::SearchResults, Kind::Values};
/// The kind's name on the command line and in JSON: group-list, group, dimensions, search-results, values.
std::string_view kindName(Kind kind);
/// The kind of that name, if there is one.
std::optional<Kind> parseKind(std::string_view name);

/// Where output goes: collected in a buffer (kCollect), dropped (kDiscard, for a reading
/// that only checks), or written to a file descriptor whenever the buffer grows past a
/// threshold, and on flush().
class Output {
public:
    static constexpr int kCollect = -1, kDiscard = -2;
    explicit Output(int fd = kCollect) : fd_(fd) {}
    void write(std::string_view s) {
        buffer_.append(s.data(), s.size());
        if (fd_ != kCollect && buffer_.size() >= kThreshold) flush();
    }
    void put(char c) { buffer_.push_back(c); }
    /// Writes out (or drops) what is collected; throws IoError when the descriptor refuses it.
    void flush();
    const std::string& collected() const { return buffer_; }
    bool discards() const { return fd_ == kDiscard; }

private:
    static constexpr std::size_t kThreshold = 1 << 20;
    int fd_;
    std::string buffer_;
};

/// Writes all of `bytes` to `fd`; throws IoError when it refuses them.
void writeAll(int fd, std::string_view bytes);

/// Whether the library has a class for the kind (all but values), and whether that class
/// has an XML form (group-list, group, dimensions).
bool hasClass(Kind kind);
bool hasXml(Kind kind);

/// The kind of `text`: the likeliest kind when its strict reading takes the whole text, else
/// the first kind (of those that `among` accepts, when given) whose reading does, else the
/// likeliest, whose reading then names the fault. `taken`, when given, tells whether a
/// reading took the text.
Kind detectKind(std::string_view text, bool* taken = nullptr, bool (*among)(Kind) = nullptr);

/// Reads `text` strictly as `kind` and writes its JSON to `out` (indented, or on one line
/// when `compact`), followed by a newline. Strict means canonical: exactly what the library
/// and our serializer write, with white space allowed after the last value. `detected` says
/// in a message whether the kind was detected or given. On a fault, part of the JSON may
/// already be on `out`.
void decode(std::string_view text, Kind kind, bool detected, bool compact, Output& out);

/// What the library's own classes make of `text`, read as `kind` by a fresh receiver, as
/// JSON on `out`; `notes` receives one line for each thing the strict reading objects to.
/// `checked`: the strict reading has taken the text already (in detectKind()), so it is not
/// read strictly again.
void decodeLenient(std::string_view text, Kind kind, bool detected, bool compact, Output& out,
    std::vector<std::string>& notes, bool checked = false);

/// The library's XML fragment of a text of a kind that has one, checked strictly first
/// unless `checked` says that the strict reading has taken it already.
std::string toXml(std::string_view text, Kind kind, bool detected, bool checked = false);

/// `xml`, a fragment of `kind` as toXml() makes it, as one indented document wrapped in an
/// element named after the kind.
std::string prettyXml(std::string_view xml, Kind kind);

/// Reads JSON in the shape decode() writes and writes the text form of `kind` to `out`.
/// The JSON is read as a stream of events: a result set or a value sequence of any size is
/// written record by record, never held whole. On a fault, part of the text may already be
/// on `out`.
void encode(std::string_view json, Kind kind, Output& out);

}  // namespace dstypes

#endif
