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
/// A plain value: one object is used by one thread at a time; distinct objects are independent.
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
    friend class PhonebookGroupList;  // writes its groups' texts straight into its own
    int id;
    std::string name;
    std::string ringTone;
};

/// The phonebook's table of sixteen call groups, held by value, in slots numbered 1 to 16.
/// Lookups and counts visit slot 1 to 16 and go through the groups' and the table's own
/// virtual operations, so overrides in derived classes take effect. Numbers outside 1 to
/// 16 are answered with false or -1.
/// A plain value: one object is used by one thread at a time; distinct objects are independent.
class DST_API PhonebookGroupList {
public:
    /// Slot k holds id k, an empty name and an empty ring tone, set through the virtual setters.
    PhonebookGroupList();
    /// Sixteen default groups (id 0 each); the string is not read.
    PhonebookGroupList(std::string unused);
    virtual ~PhonebookGroupList();

    /// Always 16.
    virtual int getSize();
    /// Copies slot `slot` into `out` by assignment; false (out untouched) outside 1 to 16.
    virtual bool getGroup(int slot, PhonebookGroup& out);
    /// Stores `group` in the slot its id names. A group with an empty name is first made
    /// spare (the caller's group loses its ring tone), even when its id is then refused.
    /// False when the id lies outside 1 to 16.
    virtual bool updateGroup(PhonebookGroup& group);
    /// The lowest slot whose name is empty, or -1.
    virtual int getSpareGroup();
    /// The lowest slot whose name equals `name` exactly (an empty name finds the first
    /// spare slot), or -1.
    virtual int getGroupWithName(std::string name);
    /// True when `slot` is 1 to 16 and its name is empty.
    virtual bool isGroupSpare(int slot);
    /// The slot of the n-th used slot counted from slot 1 (n = 1 is the lowest), or -1.
    virtual int findNonSpareGroup(int n);
    /// Makes the slot spare; false outside 1 to 16.
    virtual bool makeGroupSpare(int slot);
    virtual bool isGroupListEmpty();
    virtual int countUsedGroups();

    /// "PhonebookGroupList:", the encoded count 16, then each slot's name and ring tone.
    /// Ids are not written.
    std::string serialize();
    /// Drops everything up to and including the first ':' of `text`, reads the count, then
    /// applies up to min(count, 16) name and ring-tone pairs to slots 1, 2, ... through the
    /// virtual setters. Reading stops at the first pair that does not decode: that slot and
    /// all later ones keep what they held. A count that does not decode counts as 0; pairs
    /// beyond slot 16 stay in `text`. Ids are never changed.
    void deserialize(std::string& text);
    /// The sixteen groups' XML entries, slot 1 first, end to end.
    std::string serialize_xml();

private:
    PhonebookGroup groups[16];
};

/// The phonebook's group dimensions: the entry count and maximum, shared by every instance
/// in the process (both 0 when the library loads), and the group name limit 15.
/// Nothing relates or checks the values. The counts are plain process-wide integers:
/// callers that share them across threads hold their own lock around every call.
class DST_API PhonebookGroupDimensions {
public:
    PhonebookGroupDimensions();
    ~PhonebookGroupDimensions();

    int getNumEntries();
    int getMaxNumEntries();
    /// Always 15.
    int getgroupNameLimit();
    void setNumEntries(int count);
    void setMaxNumEntries(int count);

    /// The encoded tag "PhonebookGroupDimensions", then the count, the maximum and 15 as
    /// encoded integers.
    std::string serialize();
    /// Reads the count and the maximum from a text form at the front of `text`, leaving the
    /// encoded 15 and whatever follows. Empty text is rejected with a log line and changes
    /// nothing. Any other front is decoded as a string and compared whole with the tag; a
    /// mismatch is logged and changes neither count (the decoded value is gone from `text`;
    /// a front that is no string at all stays). A count that does not decode after the tag
    /// keeps its value.
    void deserialize(std::string& text);
    /// `<groupDimension>` with numEntries, maxEntries and the group fieldSize, on one line.
    std::string serialize_xml();

private:
    static int numEntries;
    static int maxNumEntries;
};

/// The records of a directory search, copied in and out whole, in the order added.
/// A plain value: one object is used by one thread at a time (its const members may run
/// concurrently with each other); distinct objects are independent.
class DST_API PhonebookSearchResults {
public:
    PhonebookSearchResults();
    ~PhonebookSearchResults();

    /// Appends a copy; records without fields and duplicates are kept like any other.
    void addPhonebookRecord(PhonebookRecord record);
    unsigned int getRecordCount() const;
    /// Replaces the content of `out` with copies of all records.
    void getRecordList(PhonebookRecordList& out) const;
    /// Appends copies of records `first` through `last` (both included) to `out`:
    /// - nothing when last < first;
    /// - when first == last, record `first` if it exists, and nothing otherwise (never an
    ///   exception: (-1, -1), the "last record" of an empty set, yields nothing);
    /// - nothing when last >= getRecordCount() (a range running past the end yields
    ///   nothing, not a shorter range), and nothing when last <= -2;
    /// - otherwise a negative `first` throws std::out_of_range, before anything is appended.
    /// `out` keeps what it held in front of the new records.
    void getRecordList(PhonebookRecordList& out, int first, int last) const;

    /// One frame per record: "rec;", the encoded record, "recEnd;". No records: "".
    std::string serialize();
    /// Empty text changes nothing. Otherwise replaces the records with those of the frames
    /// found in `text`: text outside frames is skipped, a frame without "recEnd;" ends the
    /// reading, and frames that decode to no fields are dropped. `text` is not changed.
    void deserialize(std::string& text);

private:
    PhonebookRecordList records;
};

#endif
