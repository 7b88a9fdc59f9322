/// @file
/// Directory record types shared by the directory service types and the platform
/// serializer.
#ifndef PHONEBOOK_RECORD_H
#define PHONEBOOK_RECORD_H

#include <string>
#include <utility>
#include <vector>

/// One field of a directory record: field name and value, both arbitrary bytes.
using RecordField = std::pair<std::string, std::string>;

/// One directory record: its fields in order. Names may repeat; a record may be empty.
using PhonebookRecord = std::vector<RecordField>;

/// An ordered list of records, numbered from 0.
using PhonebookRecordList = std::vector<PhonebookRecord>;

#endif
