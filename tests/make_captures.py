#!/usr/bin/env python3
"""Writes a result set of realistic, awkward directory records as the JSON `dstypes encode search-results`
reads: `make_captures.py RECORDS [PHOTO_BYTES [--lines]]` (--lines: a result set a line, as `dstypes decode
--lines` writes it, line 3 blank). The same records on every run. Each record is a contact as vCards carry
them: folded and quoted-printable lines, a base64 photo (up to PHOTO_BYTES, default 49 152), CR/LF and tabs
inside values, values dense in ':', ';' and '%', empty values, and Latin-1 and Shift-JIS bytes not UTF-8."""
import base64, json, random, sys

records, photo = int(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 49152
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


captures = [contact(i) for i in range(records)]
lines = ["" if n == 2 else json.dumps({"kind": "search-results", "records": [r]}, ensure_ascii=False, separators=(",", ":"))
         for n, r in enumerate(captures)] if len(sys.argv) > 3 else []
print("\n".join(lines) if lines else json.dumps({"kind": "search-results", "records": captures}, ensure_ascii=False))
