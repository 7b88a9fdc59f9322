#!/usr/bin/env python3
"""Writes the conformance vectors of our text form (docs/wire-format.md) as JSON files.

Usage: make_vectors.py [DIR]   (default: the vectors/ folder beside this script)

The encoder here is written independently of platform/Serializer.cpp, a byte at a time, so
that the vectors and our serializer check each other. The output is deterministic: run it
again after a change and commit what differs.
"""
import json
import os
import random
import re
import sys

INT_MIN, INT_MAX = -2147483648, 2147483647


def serializer_sizes():
    """The sizes of our serializer's codec, each line `constexpr std::size_t kName = ...;` of
    platform/serializer/sizes.h evaluated in turn: the edges these vectors probe."""
    here = os.path.dirname(os.path.abspath(__file__))
    text = open(os.path.join(here, "..", "platform", "serializer", "sizes.h"), encoding="ascii").read()
    sizes = {}
    for name, expression in re.findall(r"^constexpr std::size_t (k\w+) = ([^;]+);", text, re.M):
        arithmetic = re.sub(r"\bk\w+\b", lambda m: str(sizes[m.group()]), expression)
        assert re.fullmatch(r"[0-9 +*/()-]+", arithmetic), (name, expression)
        sizes[name] = eval(arithmetic.replace("/", "//"))
    return sizes


SIZES = serializer_sizes()
ON_STACK, DECODED_ON_STACK, SCRATCH = SIZES["kLongestOnStack"], SIZES["kLongestDecodedOnStack"], SIZES["kScratch"]
ESCAPED_PRINTABLE = b"%:;"


def must_escape(c):
    return c < 0x20 or c == 0x7F or c in ESCAPED_PRINTABLE


def enc_int(v):
    return b"i%d." % v


def enc_str(value):
    body = b"".join(b"%%%02X" % c if must_escape(c) else bytes([c]) for c in value)
    return b"s%d,%s" % (len(body), body)


def enc_rec(fields):
    return b"r%d," % len(fields) + b"".join(enc_str(n) + enc_str(v) for n, v in fields)


ENCODERS = {"integer": enc_int, "string": enc_str, "record": enc_rec}


def as_json(data):
    """Bytes as a JSON string when all are printable ASCII, else as {"hex": ...}."""
    if all(0x20 <= c <= 0x7E for c in data):
        return data.decode("ascii")
    return {"hex": data.hex()}


def value_json(kind, value):
    if kind == "integer":
        return value
    if kind == "string":
        return as_json(value)
    return [[as_json(n), as_json(v)] for n, v in value]


class File:
    def __init__(self, name, description):
        self.name, self.description, self.cases, self.ids = name, description, [], set()

    def add(self, case_id, case):
        assert case_id not in self.ids, case_id
        self.ids.add(case_id)
        self.cases.append(dict(id=case_id, **case))

    def encode(self, case_id, kind, value):
        self.add(case_id, {"op": "encode", "kind": kind, "value": value_json(kind, value),
                           "text": as_json(ENCODERS[kind](value))})

    def accept(self, case_id, kind, value, rest=b""):
        self.add(case_id, {"op": "decode", "kind": kind, "input": as_json(ENCODERS[kind](value) + rest),
                           "result": "accept", "value": value_json(kind, value), "rest": as_json(rest)})

    def both(self, case_id, kind, value, rest=b"i1."):
        """The encoding of `value`, and its decoding with `rest` behind it."""
        self.encode(case_id + "-encode", kind, value)
        self.accept(case_id + "-decode", kind, value, rest)

    def reject(self, case_id, kind, text):
        self.add(case_id, {"op": "decode", "kind": kind, "input": as_json(text), "result": "reject"})

    def write(self, folder):
        with open(os.path.join(folder, self.name), "w", encoding="ascii") as out:
            # One case a line, so that a change shows as the cases it touches.
            out.write('{"description": %s,\n "cases": [\n  ' % json.dumps(self.description))
            out.write(",\n  ".join(json.dumps(case) for case in self.cases))
            out.write("\n ]\n}\n")


def integers():
    f = File("integers.json", "Integers: 'i', canonical decimal of a 32-bit signed value, '.'.")
    for v in [0, 1, -1, 7, 9, 10, -10, 99, 100, -100, 12345, 1000000000, -1000000000,
              INT_MAX - 1, INT_MAX, INT_MIN + 1, INT_MIN]:
        f.both("integer-%s" % (v if v >= 0 else "minus-%d" % -v), "integer", v)
    for rest in [b"", b"s1,a", b"x", b":", b"i2."]:
        f.accept("integer-16-then-%s" % (rest.hex() or "nothing"), "integer", 16, rest)
    bad = {"empty": b"", "tag-only": b"i", "no-digits": b"i.", "sign-only": b"i-.", "minus-end": b"i-",
           "no-dot": b"i12", "no-tag": b"12.", "upper-tag": b"I1.", "plus": b"i+1.", "leading-zero": b"i01.",
           "double-zero": b"i00.", "minus-zero": b"i-0.", "minus-leading-zero": b"i-01.", "blank-before": b"i 1.",
           "blank-after": b"i1 .", "letter": b"i1x.", "hex": b"i0x1.", "comma": b"i1,", "leading-blank": b" i1.",
           "above-range": b"i2147483648.", "below-range": b"i-2147483649.", "2-to-32": b"i4294967296.",
           "huge": b"i99999999999999999999.", "string": b"s1,a", "record": b"r0,", "cut": b"i214748364"}
    for name, text in bad.items():
        f.reject("integer-reject-" + name, "integer", text)
    return f


def strings():
    f = File("strings.json", "Strings: 's', the body's length, ',', the body with '%', ':', ';', "
                             "bytes below 0x20 and 0x7F escaped as '%' and two upper-case hex digits.")
    f.both("string-empty", "string", b"")
    for c in range(256):
        f.both("string-byte-%02x" % c, "string", bytes([c]))
    f.both("string-every-byte", "string", bytes(range(256)))
    for name, value in {"colon-inside": b"a:b", "percent-last": b"50%", "utf-8": "Zo\u00eb".encode(),
                        "frame-markers": b"rec;recEnd;", "header": b"PhonebookGroupList:",
                        "escapes-make-two-digits": b"%%%%", "nine": b"abcdefghi", "ten": b"abcdefghij",
                        "escapes-reach-99": b"%" * 33, "escapes-pass-99": b"%" * 34, "plain-99": b"x" * 99,
                        "plain-100": b"x" * 100, "nul-between": b"a\0b", "crlf": b"line\r\n"}.items():
        f.both("string-" + name, "string", value)
    f.accept("string-then-string", "string", b"a", enc_str(b"b"))
    f.accept("string-then-junk", "string", b"abc", b"rest")
    f.accept("string-then-colon", "string", b"", b":")
    bad = {"empty": b"", "tag-only": b"s", "no-length": b"s,", "no-comma": b"s1", "no-body": b"s1,",
           "leading-zero": b"s01,a", "negative": b"s-1,", "plus": b"s+1,a", "blank": b"s 1,a",
           "semicolon-for-comma": b"s1;a", "cut-body": b"s5,abcd", "length-past-end": b"s2147483647,abc",
           "length-past-64-bits": b"s18446744073709551617,", "upper-tag": b"S0,", "integer": b"i1.",
           "record": b"r0,", "lone-percent": b"s1,%", "cut-escape": b"s2,%3", "lowercase-hex": b"s3,%3a",
           "not-hex": b"s3,%GG", "not-hex-high": b"s3,%G0", "not-hex-low": b"s3,%0G",
           "length-cuts-escape": b"s3,a%3Ab", "raw-between-escapes": b"s8,ab:%3A%3Acd"}
    for name, text in bad.items():
        f.reject("string-reject-" + name, "string", text)
    for c in range(256):
        if must_escape(c):
            f.reject("string-reject-raw-%02x" % c, "string", b"s1," + bytes([c]))
            for low in {b"%02x" % c, b"%02X" % c} - {b"%02X" % c}:
                f.reject("string-reject-lowercase-%02x" % c, "string", b"s3,%" + low)
        else:
            f.reject("string-reject-escaped-%02x" % c, "string", b"s3,%%%02X" % c)
    return f


def chunks():
    """Lengths around the sixteen-byte chunks, and the scratches of our encoder and decoder."""
    f = File("string-lengths.json", "Strings of lengths around 16, 32, 48 and 64 bytes and around our "
                                    "%d-byte scratches, with escapes at the chunk borders." % SCRATCH)
    rng = random.Random(4096)
    for n in [1, 2, 3, 4, 7, 8, 9, 12, 15, 16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65, 95, 96, 97]:
        f.both("length-%d-plain" % n, "string", b"a" * n)
        f.both("length-%d-all-escaped" % n, "string", b";" * n)
        f.both("length-%d-random" % n, "string", bytes(rng.randrange(256) for _ in range(n)))
        for at in sorted({0, n // 2, n - 1} | {b - d for b in (16, 32, 48, 64) for d in (1, 0) if 0 <= b - d < n}):
            value = bytearray(b"b" * n)
            value[at] = ord(":")
            f.both("length-%d-escape-at-%d" % (n, at), "string", bytes(value))
            f.reject("length-%d-raw-colon-at-%d" % (n, at), "string", b"s%d," % n + bytes(value))
        f.reject("length-%d-cut" % n, "string", b"s%d," % (n + 1) + b"a" * n)
    # A bad escape at every offset of a chunk and its two digits past it, with plain text
    # or escapes before it: digits just outside 0-9 and A-F, lower case, a byte that needs no
    # escape, a raw escaped-class byte as a digit or two, such a byte before the digits of one.
    for name, bad in {"digit-past-f": b"%1G", "digit-before-a": b"%@1", "digit-before-0": b"%/1",
                      "digit-past-9": b"%1:", "lowercase": b"%3a", "needless": b"%7E", "escaped-class-digits": b"%;;",
                      "raw-byte-before-digits": b";3B"}.items():
        for at in range(18):
            for before, prefix in {"plain": b"p" * at, "escapes": b"p" * (at % 3) + b"%3B" * (at // 3)}.items():
                body = prefix + bad + b"q" * (40 - at)
                f.reject("bad-escape-%s-after-%s-at-%d" % (name, before, at), "string", b"s%d," % len(body) + body)
    # Our encoder writes a value in one pass on the stack while its worst case fits there,
    # and counts its escapes first beyond.
    for n in [ON_STACK - 1, ON_STACK, ON_STACK + 1, ON_STACK + 2, SCRATCH, SCRATCH + 1]:
        f.both("length-%d-plain" % n, "string", b"c" * n)
        f.both("length-%d-escapes" % n, "string", b"%:" * (n // 2) + b"x" * (n % 2))
        f.both("length-%d-escape-last" % n, "string", b"d" * (n - 1) + b";")
    # Our decoder decodes a body in one pass on the stack while it fits there with room to
    # spare, and checks a longer one whole before decoding it.
    for n in [DECODED_ON_STACK, DECODED_ON_STACK + 1, 5000]:
        f.reject("length-%d-bad-escape-last" % n, "string", b"s%d," % n + b"e" * (n - 3) + b"%3a")
        f.reject("length-%d-raw-colon-last" % n, "string", b"s%d," % n + b"e" * (n - 1) + b":")
    return f


def records():
    f = File("records.json", "Records: 'r', the field count, ',', then each field's name and value as strings.")
    f.both("record-empty", "record", [])
    f.both("record-one", "record", [(b"name", b"Alice")])
    f.both("record-empty-field", "record", [(b"", b"")])
    f.both("record-two", "record", [(b"name", b"Alice"), (b"tel", b"101")])
    f.both("record-escapes", "record", [(b"a:b", b"c;d%"), (b"\0", b"\x7f\x1f")])
    f.both("record-frame-markers", "record", [(b"rec;", b"recEnd;"), (b"recEnd;", b"rec;")])
    f.both("record-repeated-names", "record", [(b"x", b"1"), (b"x", b"2")])
    f.both("record-every-byte", "record", [(bytes([c]), bytes([255 - c])) for c in range(256)])
    for n in [9, 10, 31, 32, 33, 100]:
        f.both("record-%d-fields" % n, "record", [(b"f%d" % i, b"v:%d" % i) for i in range(n)])
    for n in [ON_STACK, ON_STACK + 1, 2100]:  # around and past the scratch, in one field and in two
        f.both("record-field-of-%d" % n, "record", [(b"k", b";" * n)])
        f.both("record-fields-of-%d" % n, "record", [(b"a" * (n // 2), b"b" * (n // 2)), (b"c", b":" * n)])
    f.accept("record-then-record", "record", [(b"a", b"b")], enc_rec([]))
    f.accept("record-then-junk", "record", [], b"recEnd;")
    bad = {"empty": b"", "tag-only": b"r", "no-count": b"r,", "no-comma": b"r1", "no-fields": b"r1,",
           "leading-zero": b"r01,s0,s0,", "negative": b"r-1,", "blank": b"r 1,", "cut-field": b"r1,s0,",
           "cut-value": b"r1,s1,as1,", "count-past-end": b"r2,s0,s0,", "integer-name": b"r1,i1.s0,",
           "integer-value": b"r1,s0,i1.", "bad-name": b"r1,s1,:s0,", "bad-value": b"r1,s0,s3,%3a",
           "forged-count": b"r2147483647,s0,s0,", "count-2-to-32": b"r4294967297,s0,s0,",
           "count-past-64-bits": b"r18446744073709551616,", "upper-tag": b"R0,", "string": b"s0,",
           "integer": b"i0."}
    for name, text in bad.items():
        f.reject("record-reject-" + name, "record", text)
    return f


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "vectors")
    for f in [integers(), strings(), chunks(), records()]:
        f.write(folder)
        print("%s: %d cases" % (f.name, len(f.cases)))


if __name__ == "__main__":
    main()
