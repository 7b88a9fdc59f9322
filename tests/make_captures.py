#!/usr/bin/env python3
"""Writes a result set of realistic, awkward directory records as the JSON `dstypes encode
search-results` reads: `make_captures.py RECORDS [PHOTO_BYTES]`. The same records on every
run. With `OUT` after them, writes instead, a record a line: OUT.ndjson (a result set's
compact JSON, as `dstypes decode --lines` prints it), OUT.txt (its text, by a plain encoder
here), OUT.bad.txt (that text with a fault planted in each line: a raw ':' in the middle of
the last value, a lower-case escape, a name's length one short) and OUT.expected (what
`dstypes decode --lines OUT.bad.txt` must say of each, up to its excerpt). Line 3 is blank. Each record is a contact as vCards carry them: folded and quoted-printable lines, a
base64 photo (up to PHOTO_BYTES, default 49 152), CR/LF and tabs inside values, values dense
in ':', ';' and '%', empty values, and Latin-1 and Shift-JIS bytes that are not UTF-8."""
import base64, json, random, sys

records, photo = int(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 49152
out = sys.argv[3] if len(sys.argv) > 3 else None
rng = random.Random(2026)
first = ["Anna", "Björn", "Zoë", "José", "Ingrid", "Søren", "Łukasz", "Иван", "王芳", "さくら"]
last = ["Müller", "O'Brien", "Nguyễn", "Smith", "Ødegård", "García", "Kowalski", "Петров", "李", "佐藤"]


def text(value):
    """Bytes as the tool's JSON holds them: a string when UTF-8, else {"hex": ...}."""
    try:
        return value.decode("utf-8")
    except UnicodeDecodeError:
        return {"hex": value.hex()}


def contact(i):
    given, family = rng.choice(first), rng.choice(last)
    fields = [("FN", f"{given} {family}"), ("N", f"{family};{given};;;"),
              ("TEL;TYPE=CELL", f"+44 {rng.randrange(10**9):09d}"), ("EMAIL;TYPE=INTERNET", f"{i}@example.org"),
              ("ADR;TYPE=HOME", f";;{rng.randrange(1, 200)} High St;Town;;AB{i % 90} 1CD;UK"),
              ("URL", f"https://example.org/~{i}?a=1&b=50%25:x"), ("X-EMPTY", "")]
    if i % 3 == 0:
        fields.append(("NOTE", "line 1\r\nline 2\twith a tab\r\n folded: continued; 100%\r\n"))
    if i % 5 == 0:
        fields.append(("NOTE;ENCODING=QUOTED-PRINTABLE", "caf=C3=A9 =\r\nsoft break=3D;"))
    if i % 7 == 0:
        fields.append(("X-LATIN1", b"Jos\xe9 M\xfcller".decode("latin-1").encode("latin-1")))
        fields.append(("X-SJIS", "東京都".encode("shift_jis")))
    if i % 11 == 0:
        size = rng.randrange(photo // 2, photo + 1)
        fields.append(("PHOTO;ENCODING=b;TYPE=JPEG", base64.b64encode(rng.randbytes(size * 3 // 4))))
    return [{"name": text(n.encode()), "value": text(v if isinstance(v, bytes) else v.encode())} for n, v in fields]


def escaped(b):
    return b"".join(b"%%%02X" % c if c < 32 or c == 127 or c in b"%:;" else bytes([c]) for c in b)


def encoded(b):
    return b"s%d,%s" % (len(escaped(b)), escaped(b))


def faulty(line, fields):
    """The line with a fault in the record's last field, or its second value, and what it is."""
    starts, at = [], 4 + len(b"r%d," % len(fields))  # where each name and value begins
    for name, value in fields:
        starts += [at, at + len(encoded(name))]
        at += len(encoded(name)) + len(encoded(value))
    last, kind = len(fields) - 1, len(starts) % 3
    if kind == 0:  # a raw ':' amid the last value's body, off any escape
        body = starts[-1] + len(b"s%d," % len(escaped(fields[-1][1])))
        i = body + len(escaped(fields[-1][1])) // 2
        while b"%" in line[i - 2:i + 1]:
            i += 1
        return line[:i] + b":" + line[i + 1:], i, f"':' must be written %3A inside a value (record 0, the value of field {last})"
    if kind == 1:  # the first escape of the second value in lower case
        i = line.index(b"%", starts[3])
        return line[:i + 2] + line[i + 2:i + 3].lower() + line[i + 3:], i, "an escape's hex digits are upper-case: " + \
            f"{line[i:i + 3].decode()}, not {line[i:i + 3].lower().decode()} (record 0, the value of field 1)"
    n = len(escaped(fields[-1][0]))  # the last name's length one short: its last byte is then read as the value's tag
    i = starts[-2] + len(b"s%d," % (n - 1)) + n - 1
    return line[:starts[-2]] + encoded(fields[-1][0]).replace(b"s%d," % n, b"s%d," % (n - 1), 1) + line[starts[-1]:], \
        i - (len(str(n)) - len(str(n - 1))), f"expected a string, found '{chr(line[starts[-1] - 1])}' (record 0, the value of field {last})"


captures = [contact(i) for i in range(records)]
if not out:
    json.dump({"kind": "search-results", "records": captures}, sys.stdout, ensure_ascii=False)
    sys.stdout.write("\n")
    sys.exit()
raw = lambda t: bytes.fromhex(t["hex"]) if isinstance(t, dict) else t.encode()
with open(out + ".ndjson", "wb") as nd, open(out + ".txt", "wb") as txt, open(out + ".bad.txt", "wb") as bad, \
        open(out + ".expected", "w") as expected:
    for n, record in enumerate(captures, 1):
        if n == 3:
            nd.write(b"\n"), txt.write(b"\n"), bad.write(b"\n")
            continue
        fields = [(raw(f["name"]), raw(f["value"])) for f in record]
        line = b"rec;r%d,%srecEnd;" % (len(fields), b"".join(encoded(k) + encoded(v) for k, v in fields))
        doc = json.dumps({"kind": "search-results", "records": [record]}, ensure_ascii=False, separators=(",", ":"))
        nd.write(doc.encode() + b"\n"), txt.write(line + b"\n")
        broken, at, cause = faulty(line, fields)
        bad.write(broken + b"\n")
        expected.write(f"dstypes: {out}.bad.txt:{n}:{at + 1}: bad search-results text (the likeliest kind; no kind "
                       f"reads this text) at byte {at}: {cause}\n")
