// The viewer's entry points: the tool's own conversions behind a small C interface, which
// the page's script calls in the WebAssembly build. The script writes a capture or JSON
// into the input buffer, calls dst_decode or dst_encode, and reads the result (the output,
// or the message of a fault) before its next call.
#include <emscripten/emscripten.h>

#include <charconv>
#include <cstdint>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "core.h"
#include "text_cursor.h"

namespace {

using namespace dstypes;

std::string input, result, notes;  // notes: one line each
long errorAt = -1;                 // the byte at which a strict reading of the text stopped
std::vector<std::int32_t> spans;   // dst_read's spans: kSpanNumbers numbers each
std::string pointers;              // and their JSON pointers, one a line
// Of each span: start, body, end, role, and the element of the kind's big array it lies in.
constexpr std::size_t kSpanNumbers = 5;

// The flags of dst_decode: the options of `dstypes decode` of the same names.
enum : int { kCompact = 1, kLenient = 2, kXml = 4 };

const Kind& kindOf(int n) {
    if (n < 0 || static_cast<std::size_t>(n) >= kKinds.size) throw BadInput("no kind numbered " + std::to_string(n));
    return *kKinds.first[n];
}

// Runs a conversion; 0 when it succeeds, 2 on bad input, 1 when memory runs out, as the
// tool's exit status.
template <typename Convert>
int run(Convert convert) {
    result.clear(), notes.clear(), errorAt = -1, spans.clear(), pointers.clear();
    try {
        Output out;
        convert(out);
        result = out.collected();
        return 0;
    } catch (const BadText& e) {
        result = e.what(), errorAt = static_cast<long>(e.at);
    } catch (const BadInput& e) {
        result = e.what();
    } catch (const std::bad_alloc&) {
        result = "out of memory";
        return 1;
    }
    return 2;
}

// The element of the array `key` that `pointer` lies in ("/records/12/3/value": 12), or -1,
// so that the page finds an element's spans without reading their pointers. Offsets and
// indexes fit in 32 bits: the module's memory, input included, is at most 2 GiB.
std::int32_t elementOf(std::string_view pointer, std::string_view key) {
    const std::size_t digits = key.size() + 2;
    std::int32_t n = -1;
    if (!key.empty() && pointer.size() > digits && pointer[0] == '/' && pointer.substr(1, key.size()) == key &&
        pointer[digits - 1] == '/')
        std::from_chars(pointer.data() + digits, pointer.data() + pointer.size(), n);
    return n;
}

}  // namespace

extern "C" {

/// The name of kind number `n`, in the order the tool lists them; null past the last.
EMSCRIPTEN_KEEPALIVE const char* dst_kind(int n) {
    return n >= 0 && static_cast<std::size_t>(n) < kKinds.size ? kKinds.first[n]->name.data() : nullptr;
}

/// Room for `size` bytes of input, which the next call reads.
EMSCRIPTEN_KEEPALIVE char* dst_input(std::size_t size) {
    input.assign(size, '\0');
    return input.data();
}

/// Reads the input as kind number `kind` (-1: detected) as `dstypes decode` does with the
/// options in `flags`.
EMSCRIPTEN_KEEPALIVE int dst_decode(int kind, int flags) {
    return run([kind, flags](Output& out) {
        const bool detected = kind < 0;
        const bool xml = flags & kXml, lenient = flags & kLenient, compact = flags & kCompact;
        const std::string_view text = input;
        if (detected && onlySpace(text)) notes = "no text; read as an empty set of search results\n";
        bool read = false;  // whether the strict reading has taken the text already
        const Kind& k = detected ? detectKind(text, &read, xml ? hasXml : lenient ? hasClass : nullptr) : kindOf(kind);
        const Origin origin = detected ? Origin::detected : Origin::given;
        const Strict strict = read ? Strict::taken : Strict::check;
        const Layout layout = compact ? Layout::compact : Layout::indented;
        if (xml) {
            out.write(toXml(text, k, origin, strict) + "\n");
        } else if (lenient) {
            std::vector<std::string> lines;
            decodeLenient(text, k, origin, layout, out, lines, strict);
            for (const std::string& line : lines) notes += line + "\n";
        } else {
            decode(text, k, origin, layout, out);
        }
    });
}

/// The strict reading of the input as kind number `kind` (-1: detected): its compact JSON,
/// as `dstypes decode --compact`, and the spans of every piece it takes (dst_spans), those
/// before the fault when it fails.
EMSCRIPTEN_KEEPALIVE int dst_read(int kind) {
    return run([kind](Output& out) {
        const std::string_view text = input;
        const bool detected = kind < 0;
        if (detected && onlySpace(text)) notes = "no text; read as an empty set of search results\n";
        const Kind& k = detected ? detectKind(text) : kindOf(kind);
        const Origin origin = detected ? Origin::detected : Origin::given;
        std::vector<Span> taken;
        auto keep = [&taken, &k] {
            for (const Span& s : taken) {
                spans.insert(spans.end(), {static_cast<std::int32_t>(s.start), static_cast<std::int32_t>(s.body),
                                              static_cast<std::int32_t>(s.end), static_cast<std::int32_t>(s.role),
                                              elementOf(s.pointer, k.arrayKey)});
                pointers += s.pointer + "\n";
            }
        };
        try {
            readSpans(text, k, origin, taken);
        } catch (const BadText&) {
            keep();
            throw;
        }
        keep();
        decode(text, k, origin, Layout::compact, out);
    });
}

/// The spans of the last dst_read: five numbers each (start, body, end, role, element; of
/// dst_span_count spans), and their pointers, one a line.
EMSCRIPTEN_KEEPALIVE const std::int32_t* dst_spans() { return spans.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t dst_span_count() { return spans.size() / kSpanNumbers; }
EMSCRIPTEN_KEEPALIVE const char* dst_pointers() { return pointers.c_str(); }

/// Writes the text form of kind number `kind` of the JSON in the input, as `dstypes encode`.
EMSCRIPTEN_KEEPALIVE int dst_encode(int kind) {
    return run([kind](Output& out) { encode(input, kindOf(kind), out); });
}

/// The last call's output, or its message when it failed (with dst_size).
EMSCRIPTEN_KEEPALIVE const char* dst_result() { return result.data(); }
EMSCRIPTEN_KEEPALIVE std::size_t dst_size() { return result.size(); }
/// What the last call noted besides its output, one line each; null-terminated.
EMSCRIPTEN_KEEPALIVE const char* dst_notes() { return notes.c_str(); }
/// The byte of the text at which the last strict reading stopped, or -1.
EMSCRIPTEN_KEEPALIVE long dst_error_at() { return errorAt; }

}  // extern "C"
