// The conversions of the dstypes tool, apart from its command line: the tool, the viewer, the
// tests and the fuzzers call them. Every reader here takes untrusted input: it never reads
// past the end, allocates only in proportion to what it has read, recurses nowhere, runs in
// linear time, and reports every fault as a BadInput.
//
// The kinds of text are one table (kinds.cpp): each entry holds everything the tool knows of
// its kind, and the rest of the core works through the table. reading.cpp holds detection and
// the three readings (strict, lenient, XML), json_reader.cpp the reading of JSON (encode),
// json_writer.cpp JSON as it is written, text_cursor.cpp the strict reader's cursor,
// output.cpp where output goes, xml_output.cpp indented XML (the one user of libxml2).
#ifndef DST_TOOLS_CORE_H
#define DST_TOOLS_CORE_H

#include <cstddef>
#include <memory>
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

class Cursor;
class JsonWriter;
class KindEncoder;

/// A kind of text: everything the tool knows of it. The entries of kKinds are all there is.
struct Kind {
    std::string_view name;     ///< on the command line and in JSON
    std::string_view summary;  ///< one line, for `dstypes kinds`
    /// Detection asks the likelier kinds first (lower first): whether the text, its white
    /// space after it removed, looks like this kind from its markers and first values alone.
    int likelihood;
    bool (*likely)(std::string_view text);
    /// The strict reading: the members of the kind's JSON object, as the text is read.
    void (*strict)(Cursor& in, JsonWriter& j);
    /// What a fresh receiver of the library's class holds after deserialize(working), as
    /// members of the JSON object; null when the library has no class for the kind.
    void (*received)(std::string& working, JsonWriter& j);
    /// The library's XML fragment of what a receiver read from `working`; null when its
    /// class has no XML form.
    std::string (*xml)(std::string& working);
    /// The JSON form, for encode: the member holding the kind's one big array ("" if none),
    /// the depth of its deepest valid path and the most members any of its objects has.
    std::string_view arrayKey;
    std::size_t jsonDepth, jsonMembers;
    std::unique_ptr<KindEncoder> (*encoder)();
};

/// Every kind, in the order the tool lists them.
struct KindTable {
    const Kind* const* first;
    std::size_t size;
    const Kind* const* begin() const { return first; }
    const Kind* const* end() const { return first + size; }
};
extern const KindTable kKinds;
/// The kind of that name, or null.
const Kind* kindNamed(std::string_view name);

/// Whether the library has a class for the kind, and whether that class has an XML form.
inline bool hasClass(const Kind& kind) { return kind.received != nullptr; }
inline bool hasXml(const Kind& kind) { return kind.xml != nullptr; }

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

/// How the kind of a text was chosen, which messages say: given, or detected.
enum class Origin { given, detected };
/// JSON indented as nlohmann's dump(2) lays it out, or on one line.
enum class Layout { indented, compact };
/// Whether a reading must first read the text strictly, or detection has done so already.
enum class Strict { check, taken };

/// The kind of `text`: the likeliest kind when its strict reading takes the whole text, else
/// the first kind of those that `among` accepts (every kind when null) whose reading does,
/// else the first other kind whose reading does, else the likeliest of those `among`
/// accepts, whose reading then names the fault: so a fault of a detected kind means that no
/// kind reads the text. `taken`, when given, tells whether a reading took the text.
const Kind& detectKind(std::string_view text, bool* taken = nullptr, bool (*among)(const Kind&) = nullptr);

/// Reads `text` strictly as `kind` and writes its JSON to `out`, followed by a newline.
/// Strict means canonical: exactly what the library and our serializer write, with white
/// space allowed after the last value. On a fault, part of the JSON may already be on `out`.
void decode(std::string_view text, const Kind& kind, Origin origin, Layout layout, Output& out);

/// What the library's own class makes of `text`, read as `kind` by a fresh receiver, as JSON
/// on `out`; `notes` receives one line for each thing the strict reading objects to.
void decodeLenient(std::string_view text, const Kind& kind, Origin origin, Layout layout, Output& out,
    std::vector<std::string>& notes, Strict strict = Strict::check);

/// The library's XML fragment of a text of a kind that has one, read strictly first unless
/// detection has done so.
std::string toXml(std::string_view text, const Kind& kind, Origin origin, Strict strict = Strict::check);

/// `xml`, a fragment of `kind` as toXml() makes it, as one indented document wrapped in an
/// element named after the kind.
std::string prettyXml(std::string_view xml, const Kind& kind);

/// A piece of a text as the strict reading takes it: a value, the header or a marker.
struct Span {
    enum class Role { marker, header, integer, string, record };
    std::size_t start;  ///< its first byte: a value's 'i', 's' or 'r', a marker's or the header's first byte
    std::size_t body;   ///< past the head of a string or record ("s5,", "r2,"); `start` for the rest
    std::size_t end;    ///< one past its last byte: an integer's '.', a record's last field
    Role role;          ///< a marker is "rec;", "recEnd;" or the ':' after a header
    /// The JSON pointer of the member it becomes in decode's JSON ("/groups/2/name",
    /// "/records/12/3/value", "/header"); for a frame's markers, the element they frame
    /// ("/records/12"), for the ':' after a header "/header"; empty for what the JSON does
    /// not hold (the group count, the dimensions' type tag).
    std::string pointer;
};

/// What the strict reading of `text` as `kind` takes, into `spans` in reading order: each
/// marker, header and value, a record followed by its fields' names and values. White space
/// after the last value is in no span. On a fault it throws the BadText that decode()
/// throws, `spans` holding what was taken before it. decode() records nothing, at no cost.
void readSpans(std::string_view text, const Kind& kind, Origin origin, std::vector<Span>& spans);

/// Reads JSON in the shape decode() writes and writes the text form of `kind` to `out`.
/// The JSON is read as a stream of events: a result set or a value sequence of any size is
/// written record by record, never held whole. On a fault, part of the text may already be
/// on `out`.
void encode(std::string_view json, const Kind& kind, Output& out);

/// The kind that the top object of `json` names in its "kind" member, read no further than
/// that member; BadInput when there is none or it names no kind.
const Kind& kindOfJson(std::string_view json);

}  // namespace dstypes

#endif
