/// @file
/// The data types of the directory service: a call group (PhonebookGroup), the table of
/// sixteen call groups (PhonebookGroupList), the phonebook's group dimensions
/// (PhonebookGroupDimensions) and the result set of a directory search
/// (PhonebookSearchResults). Each has a flat text form, written and read through
/// Serializer; all but the search results also have an XML form.
#ifndef DIRECTORY_SERVICE_TYPES_H
#define DIRECTORY_SERVICE_TYPES_H

#include <string>

#include "PhonebookRecord.h"

#define DST_API __attribute__((visibility("default")))

/// One call group: an identifier, a name and a ring tone.
///
/// A group whose name is empty is *spare*; any other group is *used*. Nothing else is
/// enforced: any identifier, name and ring tone can be stored. The ring tone is usually a
/// file path with `/` between directories (serialize_xml() splits it there).
///
/// The accessors are virtual, and setSpare() calls the virtual setters, so a derived
/// class's overrides take effect there; serialize(), deserialize() and serialize_xml()
/// read and write the fields directly.
///
/// No member throws on its own account: only `std::bad_alloc` from copying a string, and
/// whatever Serializer throws, pass through. Such an exception leaves the group valid (the
/// basic guarantee), and a setter or serialize() leaves it as it was; deserialize() may have
/// read the name when the ring tone fails. A group is a plain value: one object is used by
/// one thread at a time, distinct objects are independent, and the static members keep no
/// state.
class DST_API PhonebookGroup {
public:
    /// A spare group: identifier 0, empty name and ring tone.
    PhonebookGroup();
    /// A group holding the three values as given, unchecked.
    /// @param id the identifier, any value
    /// @param name the name; empty makes the group spare
    /// @param ringTone the ring tone, any text, may be empty
    PhonebookGroup(int id, std::string name, std::string ringTone);
    /// Copies identifier, name and ring tone.
    PhonebookGroup(const PhonebookGroup&) = default;
    /// Copies identifier, name and ring tone; no setter is called.
    /// @return this group
    PhonebookGroup& operator=(const PhonebookGroup&) = default;
    /// Releases name and ring tone. Virtual: a derived group may be destroyed through a
    /// pointer to this class.
    virtual ~PhonebookGroup();

    /// @return the identifier
    virtual int getId();
    /// @return a copy of the name; empty when the group is spare
    virtual std::string getName();
    /// @return a copy of the ring tone
    virtual std::string getRingTone();
    /// Replaces the identifier.
    /// @param id the new identifier, any value; there is no range check
    virtual void setId(int id);
    /// Replaces the name.
    /// @param name the new name; empty makes the group spare, anything else used
    virtual void setName(std::string name);
    /// Replaces the ring tone; spare or used does not depend on it.
    /// @param ringTone the new ring tone, any text
    virtual void setRingTone(std::string ringTone);
    /// Makes the group spare: calls setName() and then setRingTone(), each with an empty
    /// string, through virtual calls. The identifier stays.
    virtual void setSpare();
    /// Tells whether the group is used. Only the name is looked at: a name of blanks
    /// counts, and the identifier and ring tone play no part.
    /// @return true exactly when the name is not empty
    virtual bool validateGroup();

    /// The group's text form: the name, then the ring tone, each an encoded string. The
    /// identifier is not written, so groups that differ only in it have the same text.
    /// @return the text form; the group is not changed
    std::string serialize();
    /// Reads name and ring tone from the front of a text form.
    ///
    /// First drops everything up to and including the first `:` of `text`, if it has one,
    /// without looking at it, so a header such as `PhonebookGroup:` may stand in front.
    /// Then decodes the name and the ring tone, removing what it reads. A value that does
    /// not decode leaves its field, and `text` from that point on, as they were. The
    /// identifier never changes, and nothing is reported.
    /// @param text the working string; on return it holds whatever followed the values read
    void deserialize(std::string& text);
    /// The group's XML entry, one line with no declaration:
    /// @code{.unparsed}
    /// <Entry><CallGroup>3</CallGroup><CallGroupName>Family</CallGroupName><fileinfo directory="/usr/share/sounds/" name="ring1.wav" /></Entry>
    /// @endcode
    /// `CallGroup` holds groupIndexToTag() of the identifier. The ring tone is split at its
    /// last `/`: `directory` is everything up to and including it, `name` what follows.
    /// A ring tone without `/`, or whose only `/` is its first character, gives two empty
    /// attributes.
    ///
    /// The name, directory and file name end at their first NUL byte and are escaped so
    /// that an XML parser reads them back exactly: `&`, `<`, `>` and the double quote
    /// become entity references, a carriage return becomes `&#13;`, and inside the
    /// attributes a tab or line feed becomes `&#9;` or `&#10;`. Each byte that XML 1.0
    /// cannot carry (a control byte, a byte of ill-formed UTF-8, or of U+FFFE or U+FFFF)
    /// becomes U+FFFD. The apostrophe and DEL stay as they are.
    /// @return the entry; the group is not changed
    std::string serialize_xml();

    /// The decimal text of a number. It is written as a default `std::ostringstream`
    /// writes it under the global locale: in the classic locale, digits with a leading `-`
    /// when negative, no `+` and no leading zeros.
    /// @param index any value
    /// @return its text, such as `16` or `-1`
    static std::string groupIndexToTag(int index);
    /// The number a text begins with. The text is read as `std::strtol` reads base 10:
    /// leading white space is skipped, an optional sign taken, then digits up to the first
    /// other character. No base prefix is recognised: `0x1A` gives 0, `010` gives 10.
    /// @param tag any text; it is read up to its first NUL
    /// @return the number, clamped to the range of int; 0 when the text does not begin
    ///         with a number, which nothing tells apart from a text that says 0
    static int groupTagToIndex(const std::string& tag);

private:
    friend class PhonebookGroupList;  // writes its groups' texts straight into its own
    int id;
    std::string name;
    std::string ringTone;
};

/// The phonebook's table of sixteen call groups, in slots numbered 1 to 16.
///
/// The table holds its sixteen PhonebookGroup records by value for its whole life. A slot
/// is spare while its group's name is empty, used otherwise. A group is taken into a slot
/// with updateGroup() and freed with makeGroupSpare(); groups never move between slots. A
/// slot number outside 1 to 16 is no error: it is answered with false or -1 and changes
/// nothing.
///
/// isGroupListEmpty(), countUsedGroups() and findNonSpareGroup() ask the table's own
/// virtual isGroupSpare() about each slot, so a derived class that overrides it changes
/// all three. updateGroup() works on its argument through the argument's virtual
/// operations.
///
/// No member throws on its own account: only `std::bad_alloc` from copying a string, and
/// whatever Serializer throws, pass through. Such an exception leaves every slot a valid
/// group (the basic guarantee): deserialize() applies the text slot by slot through the
/// virtual setters, so the slots before the failure hold what the text gave them, and
/// updateGroup() may have copied part of the group into its slot. A table is a plain value:
/// one object is used by one thread at a time; distinct objects are independent.
class DST_API PhonebookGroupList {
public:
    /// A table whose slot k holds identifier k, an empty name and an empty ring tone:
    /// every slot spare.
    PhonebookGroupList();
    /// A table of sixteen default groups: every slot spare, and every slot's identifier 0
    /// until updateGroup() writes that slot. Lookups still answer slot numbers 1 to 16.
    /// Not explicit: a string converts to a table.
    /// @param unused not read
    PhonebookGroupList(std::string unused);
    /// Destroys the sixteen groups.
    virtual ~PhonebookGroupList();

    /// @return 16, the number of slots
    virtual int getSize();
    /// Copies a slot's group out.
    /// @param slot a slot number
    /// @param out receives the slot's identifier, name and ring tone by copy assignment
    ///        (none of its setters is called); untouched when `slot` is outside 1 to 16
    /// @return true when copied; false when `slot` is outside 1 to 16
    virtual bool getGroup(int slot, PhonebookGroup& out);
    /// Stores a group in the slot that its identifier names.
    ///
    /// When `group.getName()` is empty, `group.setSpare()` is called first, so the caller's
    /// group loses its ring tone even if it is then refused. Then `group.getId()` picks
    /// the slot, which takes the group by copy assignment: the identifier, name and ring
    /// tone as the group holds them. Nothing checks whether another slot has the same name.
    /// @param group the group to store; made spare when its name is empty
    /// @return true when stored; false, with no slot changed, when the identifier is
    ///         outside 1 to 16
    virtual bool updateGroup(PhonebookGroup& group);
    /// @return the lowest slot number whose group's name is empty; -1 when all sixteen
    ///         slots are used
    virtual int getSpareGroup();
    /// Finds a group by its name: the same bytes, so case-sensitive and untrimmed.
    /// @param name the name sought; an empty name finds the first spare slot
    /// @return the lowest slot number whose group's name equals `name`; -1 when none does
    virtual int getGroupWithName(std::string name);
    /// @param slot a slot number
    /// @return true when `slot` is 1 to 16 and its group's name is empty; false for a used
    ///         slot and for every number outside 1 to 16
    virtual bool isGroupSpare(int slot);
    /// Finds the n-th used slot, counting the slots that isGroupSpare() calls used from
    /// slot 1 upward.
    /// @param n the rank: 1 for the lowest used slot
    /// @return its slot number; -1 when fewer than `n` slots are used, and for every `n`
    ///         below 1
    virtual int findNonSpareGroup(int n);
    /// Frees a slot: its group's setSpare() empties name and ring tone; the identifier
    /// stays.
    /// @param slot a slot number
    /// @return true when freed (also when it was spare already); false, with nothing
    ///         changed, when `slot` is outside 1 to 16
    virtual bool makeGroupSpare(int slot);
    /// @return true when isGroupSpare() calls all sixteen slots spare
    virtual bool isGroupListEmpty();
    /// @return the number of slots that isGroupSpare() calls used, 0 to 16
    virtual int countUsedGroups();

    /// The table's text form: the literal `PhonebookGroupList:`, the count 16 as an
    /// encoded integer, then each slot's name and ring tone as encoded strings, slot 1
    /// first. Every slot is written, spare or used. Identifiers are not written: a pair's
    /// position names its slot.
    /// @return the text form; the table is not changed
    std::string serialize();
    /// Reads a text form from the front of `text` into the slots.
    ///
    /// 1. Drops everything up to and including the first `:` of `text`, without comparing
    ///    it with `PhonebookGroupList:`; without a `:`, reading starts at the front.
    /// 2. Decodes the count. A count that does not decode counts as 0; a count below 1
    ///    leaves the table unchanged.
    /// 3. Applies name and ring tone pairs to slots 1, 2, ... up to the count, and never
    ///    beyond slot 16: further pairs stay in `text`, unread.
    /// 4. Stops at the first pair whose name or ring tone does not decode: that slot and
    ///    every later one keep what they held, so a damaged text never wipes the slots it
    ///    no longer describes. A name read before an undecodable ring tone is gone from
    ///    `text` all the same.
    ///
    /// A pair is applied as it stands: an empty name with a ring tone leaves its slot
    /// spare but holding that ring tone. Identifiers never change.
    /// @param text the working string; on return it holds whatever followed the last
    ///        value read
    void deserialize(std::string& text);
    /// @return the sixteen groups' XML entries (PhonebookGroup::serialize_xml()), slot 1
    ///         first, end to end with nothing around or between them; the table is not
    ///         changed
    std::string serialize_xml();

private:
    PhonebookGroup groups[16];
};

/// The phonebook's group dimensions: entry count, maximum and group name limit.
///
/// The count and the maximum are shared by every instance in the process. Both are 0 when
/// the library is loaded and change only through the setters and a deserialize() that
/// finds the tag. Nothing relates or checks them: either may be negative, and the count
/// may exceed the maximum. The limit is the constant 15; nothing in the library measures
/// a name against it. Instances hold nothing, so constructing or destroying one touches
/// nothing.
///
/// No member throws on its own account: only `std::bad_alloc`, and whatever Serializer
/// throws, pass through. The counts are plain process-wide integers without any
/// synchronisation: callers that use them from several threads hold a lock of their own
/// around the setters, the getters of the counts, serialize(), deserialize() and
/// serialize_xml().
class DST_API PhonebookGroupDimensions {
public:
    /// Does nothing: every instance sees the same counts.
    PhonebookGroupDimensions();
    /// Does nothing: the counts outlive every instance.
    ~PhonebookGroupDimensions();

    /// @return the process-wide entry count
    int getNumEntries();
    /// @return the process-wide maximum entry count
    int getMaxNumEntries();
    /// @return 15, the group name limit, whatever was set or read before
    int getgroupNameLimit();
    /// Sets the process-wide entry count, for every instance.
    /// @param count the new count, stored as given (negative, or above the maximum,
    ///        included)
    void setNumEntries(int count);
    /// Sets the process-wide maximum entry count, for every instance.
    /// @param count the new maximum, stored as given (negative, or below the count,
    ///        included)
    void setMaxNumEntries(int count);

    /// The text form: the tag `PhonebookGroupDimensions` as an encoded string, then the
    /// count, the maximum and 15 as encoded integers.
    /// @return the text form
    std::string serialize();
    /// Reads the count and the maximum from a text form at the front of `text`.
    ///
    /// An empty `text` is rejected with the log line "Zero length string. Cannot
    /// Deserialise" (line 448) and changes nothing. Otherwise the front is decoded as a
    /// string and compared whole, case-sensitively, with the tag. Any other front is
    /// rejected with the log line "Attempting to deserialise a non PhonebookGroupDimensions
    /// string into a PhonebookGroupDimensions object" (line 443) and changes neither
    /// count; a string of another tag is gone from `text`, a front that is no string at
    /// all stays. After the tag the count and then the maximum are decoded into the
    /// process-wide values; one that does not decode keeps its value. The encoded 15 is
    /// not read: it stays at the front of `text`, followed by whatever followed the form.
    ///
    /// The log lines go through logAppUni() with module `DirectoryServiceTypes`, file
    /// `./src/DirectoryServiceTypes` and level 2; they are the library's only log output.
    /// @param text the working string
    void deserialize(std::string& text);
    /// The XML form, one line with no declaration; with a count of 3 and a maximum of 100:
    /// @code{.unparsed}
    /// <groupDimension><numEntries>3</numEntries><maxEntries>100</maxEntries><fieldSize name="group">15</fieldSize></groupDimension>
    /// @endcode
    /// The numbers are written as PhonebookGroup::groupIndexToTag() writes them.
    /// @return the XML form
    std::string serialize_xml();

private:
    static int numEntries;
    static int maxNumEntries;
};

/// The records of a directory search.
///
/// The set holds copies of its records, numbered from 0 in the order they were added
/// (after deserialize(), in the order of their frames). Records go in and out as copies;
/// nothing hands out a reference into the set. The set never looks inside a record,
/// except that reading its text form skips records without fields.
///
/// Only the range form of getRecordList() throws on its own account; `std::bad_alloc`,
/// and whatever Serializer throws, pass through. Every member but the one-argument
/// getRecordList() gives the strong guarantee: when it throws, the set and `out` are as
/// they were. A set is a plain value: one object is used by one thread at a time, though
/// its const members may run concurrently with each other; distinct objects are
/// independent.
class DST_API PhonebookSearchResults {
public:
    /// An empty set.
    PhonebookSearchResults();
    /// Releases all records.
    ~PhonebookSearchResults();

    /// Appends a record at the end. Nothing is checked: a record without fields, or one
    /// equal to a record already held, is appended like any other.
    /// @param record the record; later changes to the caller's copy do not reach the set
    void addPhonebookRecord(PhonebookRecord record);
    /// @return the number of records held
    unsigned int getRecordCount() const;
    /// Copies all records out.
    /// @param out replaced: afterwards it holds copies of all records, in order, and
    ///        nothing of what it held before; if memory runs out, some records (the basic
    ///        guarantee)
    void getRecordList(PhonebookRecordList& out) const;
    /// Appends copies of records `first` through `last` (both included) to `out`:
    /// - nothing when last < first;
    /// - when first == last, record `first` if it exists, and nothing otherwise (never an
    ///   exception: (-1, -1), the "last record" of an empty set, yields nothing);
    /// - nothing when last >= getRecordCount() (a range running past the end yields
    ///   nothing, not a shorter range), and nothing when last <= -2;
    /// - otherwise a negative `first` throws, before anything is appended (so does a
    ///   `first` below -1 with a `last` of -1, even on an empty set).
    /// @param out receives the records behind what it held, which stays; the whole range
    ///        or nothing: unchanged when the call throws, `std::bad_alloc` included
    /// @param first the index of the first record wanted
    /// @param last the index of the last record wanted
    /// @throws std::out_of_range for a negative `first`, as above; `out` is unchanged
    void getRecordList(PhonebookRecordList& out, int first, int last) const;

    /// The text form: one frame per record, in order, each `rec;`, the record's encoding,
    /// `recEnd;`, with nothing before, between or after. A set without records gives the
    /// empty string. Not const because the encoder takes each record by non-const
    /// reference; no record is changed.
    /// @return the text form
    std::string serialize();
    /// Replaces the records with those framed in `text`.
    ///
    /// Empty text changes nothing. Any other text first removes every record, then adds
    /// one for each frame: a `rec;` up to the first `recEnd;` after it, whose body is
    /// decoded as one record (what follows that record inside the frame is ignored).
    /// Text before, between and after frames is skipped; a `rec;` with no `recEnd;` after
    /// it ends the reading; a frame whose body decodes to no fields adds nothing, so
    /// records without fields do not survive a round trip. Nothing is reported or logged.
    /// Reading takes time linear in the length of `text`. The records are read aside and
    /// take the old ones' place at the end: if memory runs out, the set is as it was.
    /// @param text the text form; not changed
    void deserialize(std::string& text);

private:
    PhonebookRecordList records;
};

#endif
