// JSON written as it is produced, and the shapes of the kinds in it.
#ifndef DST_TOOLS_JSON_WRITER_H
#define DST_TOOLS_JSON_WRITER_H

#include <string_view>
#include <vector>

#include "PhonebookRecord.h"
#include "core.h"

namespace dstypes {

/// A JSON document written as it is produced, laid out as nlohmann's dump(2) (or dump()
/// when compact) would lay out the same tree. Onto an Output that discards, it writes
/// nothing at all, so that a reading that only checks costs no more than the reading.
class JsonWriter {
public:
    JsonWriter(Output& out, bool compact) : out_(out), compact_(compact), silent_(out.discards()) {}
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }
    void key(std::string_view k);
    void integer(long long v);
    /// Bytes: a string when they are valid UTF-8, {"hex": "<two lower-case digits a byte>"} otherwise.
    void bytes(std::string_view s);
    void end() {
        if (!silent_) out_.put('\n');
    }

private:
    void element();  // before any value or key: the separator and the indentation
    void open(char c);
    void close(char c);
    void newline(std::size_t level);
    void quoted(std::string_view s);

    Output& out_;
    const bool compact_, silent_;
    bool afterKey_ = false;
    std::vector<bool> depth_;  // per open container: nothing written in it yet
};

// The members and elements that the kinds share.
void writeRecord(JsonWriter& j, const PhonebookRecord& record);
void writeGroupFields(JsonWriter& j, std::string_view name, std::string_view ringTone);
void writeGroup(JsonWriter& j, int slot, std::string_view name, std::string_view ringTone);
void writeDimensionsFields(JsonWriter& j, int numEntries, int maxNumEntries, int groupNameLimit);

}  // namespace dstypes

#endif
