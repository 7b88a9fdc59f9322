// Data types of the directory service: call groups, the table of sixteen call groups,
// the phonebook's group dimensions and the result set of a directory search, each with a
// flat text form (through Serializer) and, where it has one, an XML form.
#ifndef DIRECTORY_SERVICE_TYPES_H
#define DIRECTORY_SERVICE_TYPES_H

#include <string>

#include "PhonebookRecord.h"

#define DST_API __attribute__((visibility("default")))

/// One call group: identifier, name and ring tone (a file path). A group whose name is
/// empty is spare; any other group is used. Nothing else is enforced.
class DST_API PhonebookGroup {
public:
    /// A spare group with identifier 0.
    PhonebookGroup();
    PhonebookGroup(int id, std::string name, std::string ringTone);
    PhonebookGroup(const PhonebookGroup&) = default;
    PhonebookGroup& operator=(const PhonebookGroup&) = default;
    virtual ~PhonebookGroup();

    virtual int getId();
    virtual std::string getName();
    virtual std::string getRingTone();
    virtual void setId(int id);
    virtual void setName(std::string name);
    virtual void setRingTone(std::string ringTone);
    /// Empties name and ring tone through the virtual setters; the identifier stays.
    virtual void setSpare();
    /// True exactly when the name is not empty.
    virtual bool validateGroup();

    /// Name then ring tone, each an encoded string; the identifier is not written.
    std::string serialize();
    /// Drops everything up to and including the first ':' of `text` (if any), then reads
    /// name and ring tone from its front. A value that does not decode leaves that field
    /// and the rest of `text` as they were. The identifier is not changed.
    void deserialize(std::string& text);
    /// One `Entry` element: identifier, name, and the ring tone split at its last '/'
    /// into directory and file name. Name and ring tone are cut at their first NUL and
    /// escaped for XML; bytes XML cannot carry become U+FFFD.
    std::string serialize_xml();

    /// Decimal text of `index`.
    static std::string groupIndexToTag(int index);
    /// The integer `tag` begins with, read as strtol does in base 10 (leading blanks,
    /// optional sign); 0 when it begins with no number; clamped to the int range.
    static int groupTagToIndex(const std::string& tag);

private:
    int id;
    std::string name;
    std::string ringTone;
};

#endif
