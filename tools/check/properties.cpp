// The required checks: the properties the directory service types rely on (docs/platform.md),
// which hold for any encoding, and the round trips, over generated values of every kind.
#include <climits>
#include <memory>

#include "WireFormat.h"
#include "check.h"

namespace dstcheck {

namespace {

// The first failure of `check` over `values`, noting each value for a crash report.
template <typename F>
std::string firstFailure(const std::vector<Value>& values, F check) {
    for (const Value& v : values) {
        doing("with " + describe(v));
        const std::string failure = check(v);
        if (!failure.empty()) return failure;
    }
    return "";
}

std::string appendsOnly(const std::vector<Value>& values) {
    const std::vector<std::string> prefixes = {
        "x", std::string(1, '\0'), "PhonebookGroupList:", encoding(16) + encoding(std::string("name"))};
    return firstFailure(values, [&](const Value& v) -> std::string {
        const std::string alone = encoding(v);
        for (const std::string& prefix : prefixes) {
            std::string b = prefix;
            encodeValue(b, v);
            if (b != prefix + alone)
                return "encoding " + describe(v) + " behind " + quote(prefix) + " gave " + quote(b) + ", not " +
                       quote(prefix + alone);
        }
        return "";
    });
}

// `check(v, text, follower, out, result)` after decoding a value of v's kind from the
// encoding of v followed by each follower; "" for the empty follower too when `alone`.
template <typename F>
std::string decodeFollowed(const std::vector<Value>& values, bool alone, F check) {
    std::vector<std::string> after = followers();
    if (alone) after.insert(after.begin(), "");
    return firstFailure(values, [&](const Value& v) -> std::string {
        for (const std::string& follower : after) {
            const std::string text = encoding(v) + follower;
            std::string b = text;
            Value out = otherThan(v);
            const bool result = decodeValue(b, out);
            const std::string failure =
                check(v, "decoding " + describe(v) + " from " + quote(text), b, follower, out, result);
            if (!failure.empty()) return failure;
        }
        return "";
    });
}

std::string selfDelimiting(const std::vector<Value>& values) {
    return decodeFollowed(values, false,
        [](const Value& v, const std::string& what, const std::string&, const std::string&, const Value& out, bool) {
            return out == v ? "" : what + " gave " + describe(out);
        });
}

std::string removesOneValue(const std::vector<Value>& values) {
    return decodeFollowed(values, true,
        [](const Value&, const std::string& what, const std::string& b, const std::string& follower, const Value&,
            bool) { return b == follower ? "" : what + " left " + quote(b) + ", not " + quote(follower); });
}

std::string noColon(const std::vector<Value>& values) {
    return firstFailure(values, [](const Value& v) -> std::string {
        const std::string text = encoding(v);
        const std::size_t at = text.find(':');
        return at == std::string::npos ? ""
                                       : "the encoding of " + describe(v) + " is " + quote(text) +
                                             ", with a ':' at byte " + std::to_string(at);
    });
}

std::string noRecEnd(const std::vector<Value>& values) {
    return firstFailure(values, [](const Value& v) -> std::string {
        if (v.index() != 2) return "";
        const std::string text = encoding(v);
        const std::size_t at = text.find(dst::kFrameClose);
        return at == std::string::npos ? ""
                                       : "the encoding of " + describe(v) + " is " + quote(text) +
                                             ", with \"recEnd;\" at byte " + std::to_string(at);
    });
}

std::string boolResult(const std::vector<Value>& values) {
    for (const Value& sentinel : kSentinels) {
        std::string b;
        Value out = sentinel;
        const std::string what = "decoding " + aKindOf(sentinel) + " from the empty working string";
        doing(what);
        if (decodeValue(b, out)) return what + " returned true";
    }
    return decodeFollowed(values, true,
        [](const Value&, const std::string& what, const std::string&, const std::string&, const Value&, bool result) {
            return result ? "" : what + " returned false";
        });
}

std::string failureUnchanged(const std::vector<Value>& values) {
    for (const std::string& text : damagedTexts(values)) {
        for (const Value& sentinel : kSentinels) {
            const std::string what = "decoding " + aKindOf(sentinel) + " from " + quote(text);
            doing(what);
            std::string b = text;
            Value out = sentinel;
            if (decodeValue(b, out)) continue;
            if (out != sentinel)
                return what + " returned false but changed the out-argument from " + describe(sentinel) + " to " +
                       describe(out);
            if (b != text) return what + " returned false but changed the working string to " + quote(b);
        }
    }
    return "";
}

std::string roundTrips(const std::vector<Value>& values) {
    return firstFailure(values, [](const Value& v) -> std::string {
        std::string b = encoding(v);
        Value out = otherThan(v);
        decodeValue(b, out);
        return out == v ? "" : "decoding the encoding of " + describe(v) + " gave " + describe(out);
    });
}

}  // namespace

std::vector<Check> requiredChecks() {
    auto values = std::make_shared<std::vector<Value>>(propertyValues());
    auto over = [values](std::string (*property)(const std::vector<Value>&)) {
        return [values, property] { return property(*values); };
    };
    std::vector<Check> checks = {
        {"appends-only", "An encoder appends its value's encoding and leaves what was there untouched.",
            "Texts are corrupted; nothing in the library can make up for it.", true, over(appendsOnly)},
        {"self-delimiting", "A decoder finds the end of a value from the value alone.",
            "Values run into each other and read back wrongly.", true, over(selfDelimiting)},
        {"removes-one-value", "A decoder removes exactly one value from the front of the working string.",
            "Later values are read from the wrong place.", true, over(removesOneValue)},
        {"no-colon", "No ':' in any encoding.",
            "A value holding a colon, fed back without a header, loses everything up to that colon; with a header, "
            "reading starts inside the header's first value.",
            true, over(noColon)},
        {"no-recEnd", "No \"recEnd;\" in any record encoding.",
            "A record whose encoding holds \"recEnd;\" is cut there and does not decode: it is skipped, and the rest "
            "of its "
            "frame is read as stray text.",
            true, over(noRecEnd)},
        {"bool-result", "The decoders' bool result is true exactly when a value was decoded and removed.",
            "A damaged group table text is applied pair by pair as the decoder leaves things: slots after the damage "
            "may "
            "be overwritten instead of keeping what they held.",
            true, over(boolResult)},
        {"failure-unchanged", "A decoder that finds no value leaves the working string and its out-argument unchanged.",
            "The field, count or text takes whatever the platform decoder leaves there.", true, over(failureUnchanged)},
    };
    for (int kind = 0; kind < 3; ++kind) {
        const std::string plural = std::string(kKinds[kind]) + "s";
        checks.push_back({"round-trip-" + plural,
            "Every " + std::string(kKinds[kind]) + " decodes to what was encoded.",
            "Values read back differ from those written.", true, [kind] { return roundTrips(roundTripValues(kind)); }});
    }
    return checks;
}

}  // namespace dstcheck
