// The generated records as a protobuf message, for measurements beside protobuf.
#ifndef DST_BENCH_RECORDS_PROTO_H
#define DST_BENCH_RECORDS_PROTO_H

#include "bench_data.h"
#include "records.pb.h"

namespace bench {

inline dstbench::RecordSet protoOf(const PhonebookRecordList& records) {
    dstbench::RecordSet set;
    for (const PhonebookRecord& r : records) {
        dstbench::Record* out = set.add_records();
        for (const RecordField& f : r) {
            dstbench::Field* field = out->add_fields();
            field->set_name(f.first);
            field->set_value(f.second);
        }
    }
    return set;
}

}  // namespace bench

#endif
