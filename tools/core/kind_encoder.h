// A kind's part in reading JSON (encode): json_reader.cpp reads the document as a stream of
// events and hands each kind's encoder the members and elements that are its own.
#ifndef DST_TOOLS_KIND_ENCODER_H
#define DST_TOOLS_KIND_ENCODER_H

#include <string>

#include "json_values.h"

namespace dstypes {

class KindEncoder {
public:
    virtual ~KindEncoder() = default;
    /// A member of the top object other than "kind" and the big array, read into the
    /// encoder; false when the kind has no member of that name.
    virtual bool member(const std::string& key, const Json& value, const std::string& path) = 0;
    /// One element of the big array at `path`: its text onto `text`.
    virtual void element(const Json& e, const std::string& path, std::string& text) = 0;
    /// After the whole document, `arraySeen` telling whether the big array was there: the
    /// rest of the text onto `text`, or a BadInput naming what is missing.
    virtual void finish(bool arraySeen, std::string& text) = 0;
};

}  // namespace dstypes

#endif
