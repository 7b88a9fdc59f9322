// The viewer's script: the global dstypes object (the tool's conversions, run by the
// WebAssembly module) and the page around it, in plain DOM. The page is a reader first: the
// records as a table that renders only the rows on screen, the capture's bytes with their
// structure (from the spans of the strict reading), and edits that replace exactly the bytes
// of the value edited.
'use strict';
(() => {
  const utf8 = new TextEncoder();
  const text = new TextDecoder('utf-8', {ignoreBOM: true});
  const strictUtf8 = new TextDecoder('utf-8', {ignoreBOM: true, fatal: true});
  const kCompact = 1, kLenient = 2, kXml = 4;  // dst_decode's flags
  // The roles of the spans (dst_spans): what each range of the capture is.
  const MARKER = 0, HEADER = 1, INTEGER = 2, STRING = 3, RECORD = 4;
  let m;  // the module, once instantiated
  const kinds = [], logged = [];  // logged: the library's log lines during a call

  const bytesOf = (input) => typeof input === 'string' ? utf8.encode(input) : new Uint8Array(input);
  const cString = (at) => text.decode(m.HEAPU8.subarray(at, m.HEAPU8.indexOf(0, at)));

  // One conversion of the module on `input`: its output as bytes and its notes (the library's
  // log lines first, as the tool writes them to standard error at once), or an Error
  // with the tool's message (and `byte`, where the strict reading of a text stopped).
  function call(input, convert) {
    if (!m) throw new Error('dstypes is not ready yet: wait for dstypes.ready');
    const bytes = bytesOf(input);
    m.HEAPU8.set(bytes, m._dst_input(bytes.length) >>> 0);
    logged.length = 0;
    const status = convert();
    const at = m._dst_result() >>> 0, out = m.HEAPU8.slice(at, at + (m._dst_size() >>> 0));
    const notes = [...logged, ...cString(m._dst_notes() >>> 0).split('\n').filter(Boolean)];
    if (status === 0) return {out, notes};
    const error = new Error(text.decode(out));
    if (m._dst_error_at() >= 0) error.byte = m._dst_error_at();
    throw Object.assign(error, {notes});
  }
  function kindNumber(kind, detect) {
    if (detect && (kind === undefined || kind === '')) return -1;
    const n = kinds.indexOf(kind);
    if (n < 0) throw new Error(`unknown kind ${kind}: one of ${kinds.join(', ')}`);
    return n;
  }
  function run(input, {as, compact = true, lenient = false, xml = false} = {}) {
    const flags = (compact ? kCompact : 0) | (lenient ? kLenient : 0) | (xml ? kXml : 0);
    const kind = kindNumber(as, true);
    return call(input, () => m._dst_decode(kind, flags));
  }
  // The strict reading of `input` as compact JSON, with the spans of every piece it takes
  // (those before the fault, on the Error, when it fails).
  function readSpans(input, as) {
    const kind = kindNumber(as, true);
    let result, error;
    try {
      result = call(input, () => m._dst_read(kind));
    } catch (e) {
      error = e;
    }
    const n = m._dst_span_count() >>> 0, at = (m._dst_spans() >>> 0) / 4, all = m.HEAP32.subarray(at, at + 5 * n);
    const column = (c) => {
      const out = new Int32Array(n);
      for (let k = 0; k < n; ++k) out[k] = all[5 * k + c];
      return out;
    };
    const spans = {start: column(0), body: column(1), end: column(2), role: column(3), element: column(4), n,
      pointer: n ? cString(m._dst_pointers() >>> 0).split('\n', n) : []};
    spans.first = new Int32Array(n ? spans.element[n - 1] + 1 : 0).fill(-1);  // each element's first span
    for (let k = n - 1; k >= 0; --k) if (spans.element[k] >= 0) spans.first[spans.element[k]] = k;
    if (error) throw Object.assign(error, {spans});
    return {...result, spans};
  }

  const dstypes = window.dstypes = {
    kinds,
    // Resolves once the module runs: the inlined bytes are gunzipped and instantiated.
    ready: (async () => {
      const packed = Uint8Array.from(atob(dstypesWasm), (c) => c.charCodeAt(0));
      const wasmBinary = await new Response(new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
      m = await createDstypesModule({wasmBinary, printErr: (line) => logged.push(line)});
      for (let n = 0, at; (at = m._dst_kind(n)); ++n) kinds.push(cString(at));
      return dstypes;
    })(),
    // What `dstypes decode` prints for `input` (a string, or bytes): options as (a kind; else
    // detected), compact (true unless false), lenient, xml; bytes: a Uint8Array, not a string.
    decode(input, options = {}) {
      const {out} = run(input, options);
      return options.bytes ? out : text.decode(out);
    },
    // What `dstypes encode KIND` prints for `json` (a string, or an object to stringify).
    encode(kind, json, options = {}) {
      const n = kindNumber(kind, false);
      const {out} = call(typeof json === 'string' ? json : JSON.stringify(json), () => m._dst_encode(n));
      return options.bytes ? out : text.decode(out);
    },
    // Loads a capture into the page, as pasting or opening it does; kind: as in decode.
    show(input, kind) {
      if (kind !== undefined) $('kind').value = kind;
      setCapture(bytesOf(input), true);
    },
    // What the page holds and shows: the capture as it now stands (bytes), the kind read,
    // the JSON and XML of its panes, the notes, and the strict reading's message and byte.
    view() {
      return {bytes: s.bytes, kind: s.doc && s.doc.kind, json: jsonText(), xml: xmlText(), notes: s.notes,
        message: s.fault ? s.fault.message : '', at: s.fault ? s.fault.byte : undefined};
    },
  };

  // --- bytes as they are shown ---------------------------------------------------------------

  const $ = (id) => document.getElementById(id);
  function el(tag, props = {}, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(props)) k.startsWith('aria-') || k.startsWith('data-') ? e.setAttribute(k, v) : (e[k] = v);
    e.append(...children.filter((c) => c !== null && c !== undefined && c !== false));
    return e;
  }
  const hex2 = (b) => b.toString(16).toUpperCase().padStart(2, '0');
  // The length of the UTF-8 sequence at `i` (1 to 4), or 0 when the byte there starts none.
  function utf8At(b, i, end) {
    const c = b[i];
    if (c < 0x80) return 1;
    const n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (!n || i + n > end) return 0;
    for (let k = 1; k < n; ++k) if ((b[i + k] & 0xC0) !== 0x80) return 0;
    const c1 = b[i + 1];
    if ((c === 0xE0 && c1 < 0xA0) || (c === 0xED && c1 > 0x9F) || (c === 0xF0 && c1 < 0x90) || (c === 0xF4 && c1 > 0x8F)) return 0;
    return n;
  }
  // The bytes [a, b) as pieces: [from, to, what], what 'text' (UTF-8 to show as it is),
  // 'byte' (a byte that is not UTF-8, or a control byte: shown \xNN), 'cr', 'lf' or 'tab'.
  function pieces(b, a, end, put) {
    let run = a;
    const flush = (i) => { if (i > run) put(run, i, 'text'); };
    for (let i = a; i < end;) {
      const c = b[i];
      if (c >= 0x20 && c < 0x7F) { ++i; continue; }
      const special = c === 0x0D ? 'cr' : c === 0x0A ? 'lf' : c === 0x09 ? 'tab' : null;
      const n = special || c < 0x20 || c === 0x7F ? 0 : utf8At(b, i, end);
      if (n) { i += n; continue; }
      flush(i);
      put(i, i + 1, special || 'byte');
      run = ++i;
    }
    flush(end);
  }
  // A value's bytes as nodes to read: line breaks as they are (a CR marked \r), other bytes that
  // are not text as \xNN; the words of the search marked.
  function shownNodes(b, limit) {
    const out = [];
    const end = Math.min(b.length, limit);
    pieces(b, 0, end, (from, to, what) => {
      if (what === 'text') out.push(...marked(text.decode(b.subarray(from, to))));
      else if (what === 'lf') out.push('\n');
      else if (what === 'tab') out.push('\t');
      else if (what === 'cr') out.push(el('span', {className: 'cr', textContent: '\\r'}));
      else out.push(el('span', {className: 'byte', textContent: '\\x' + hex2(b[from])}));
    });
    if (end < b.length) out.push(el('span', {className: 'more', textContent: ` … ${b.length - end} more bytes`}));
    return out;
  }
  // A value's bytes as the text of an edit box, and for each character of that text the byte
  // it starts (-1 inside a character that stands for several bytes: \xNN, or CR LF as one
  // line break, since a text box keeps only LF).
  function shownText(b) {
    let t = '';
    const at = [];
    pieces(b, 0, b.length, (from, to, what) => {
      let s;
      if (what === 'text') s = text.decode(b.subarray(from, to));
      else if (what === 'byte') s = '\\x' + hex2(b[from]);
      else if (what === 'cr' && b[to] === 0x0A) return;  // the LF after it stands for both
      else s = what === 'tab' ? '\t' : '\n';
      const start = what === 'lf' && from > 0 && b[from - 1] === 0x0D ? from - 1 : from;
      if (what !== 'text') { at.push(start, ...Array(s.length - 1).fill(-1)); t += s; return; }
      for (let i = from; i < to;) {  // a character per UTF-8 sequence: one or two code units
        const n = utf8At(b, i, to), ch = text.decode(b.subarray(i, i + n));
        at.push(i, ...Array(ch.length - 1).fill(-1));
        t += ch;
        i += n;
      }
    });
    at.push(b.length);
    return {text: t, at};
  }
  // The bytes of a JSON value of the tool: a string, {"hex": ...} for bytes that are not UTF-8.
  const valueBytes = (v) => typeof v === 'string' ? utf8.encode(v) : typeof v === 'object' && v && 'hex' in v ?
    Uint8Array.from(v.hex.match(/../g) || [], (h) => parseInt(h, 16)) : utf8.encode(String(v));
  function jsonValue(b) {
    try {
      return strictUtf8.decode(b);
    } catch {
      return {hex: Array.from(b, (x) => x.toString(16).padStart(2, '0')).join('')};
    }
  }
  const isLeaf = (v) => v === null || typeof v !== 'object' || ('hex' in v && Object.keys(v).length === 1);

  // --- the page's state --------------------------------------------------------------------

  const s = {
    bytes: new Uint8Array(), as: '', doc: null, strict: false, fault: null, notes: [],
    spans: null,  // {start, body, end, role, element, first: Int32Array, pointer: string[], n}
    items: [], itemsKey: '', order: null,  // the big array of the JSON, and the rows shown
    columns: [], selected: '', undo: [],
  };
  // The span of the value that becomes the member at `pointer`, or -1.
  function spanAt(pointer) {
    const sp = s.spans, e = elementIndex(pointer);
    if (!sp || (e >= 0 && !(e < sp.first.length && sp.first[e] >= 0))) return -1;
    for (let k = e < 0 ? 0 : sp.first[e]; k < sp.n && (e < 0 || sp.element[k] === e); ++k) {
      if (sp.role[k] !== MARKER && sp.pointer[k] === pointer) return k;
    }
    return -1;
  }
  const elementIndex = (pointer) => {
    const e = elementOf(pointer);
    return e ? Number(e.slice(s.itemsKey.length + 1)) : -1;
  };
  const parsePointer = (p) => p.split('/').slice(1).map((k) => k.replace(/~1/g, '/').replace(/~0/g, '~'));
  function get(pointer) {
    let o = s.doc;
    for (const k of parsePointer(pointer)) o = o == null ? undefined : o[k];
    return o;
  }
  function put(pointer, value) {
    const keys = parsePointer(pointer), last = keys.pop();
    keys.reduce((o, k) => o[k], s.doc)[last] = value;
  }

  // --- a list that renders only the rows on screen -----------------------------------------

  // Rows of fixed height in a scrolling box, between two spacers; `render(i)` makes row i.
  // Scrolling adds and removes rows at the edges and leaves the others in place, so the
  // row that has the focus keeps it.
  function virtualRows(box, inner, render, options = {}) {
    let count = 0, height = 0, first = 0, last = -1, pending = 0;
    const shown = new Map();  // row number -> its element, now in the page
    const spacer = () => el(options.spacer || 'div', {className: 'spacer', 'aria-hidden': 'true'},
      options.spacer === 'tr' && el('td'));
    const top = spacer(), bottom = spacer();
    inner.replaceChildren(top, bottom);
    const v = {
      setCount(n) { count = n; v.clear(); },
      // Every row made again, as what they show has changed.
      clear() {
        for (const node of shown.values()) node.remove();
        shown.clear();
        v.update();
      },
      invalidate(i) {
        if (shown.has(i)) shown.get(i).remove(), shown.delete(i);
        v.update();
      },
      rowHeight() {
        if (!height) {
          const probe = inner.insertBefore(render(-1), bottom);
          height = probe.getBoundingClientRect().height || 20;
          probe.remove();
        }
        return height;
      },
      resized() { height = 0; v.clear(); },
      update() {
        const h = v.rowHeight(), over = 8;
        first = Math.max(0, Math.floor(box.scrollTop / h) - over);
        last = Math.min(count - 1, Math.ceil((box.scrollTop + box.clientHeight) / h) + over);
        for (const [i, node] of shown) if (i < first || i > last) node.remove(), shown.delete(i);
        for (let i = first, ref = top; i <= last; ++i) {
          if (!shown.has(i)) ref.after(shown.set(i, render(i)).get(i));
          ref = shown.get(i);
        }
        top.style.height = `${first * h}px`;
        bottom.style.height = `${Math.max(0, count - 1 - last) * h}px`;
      },
      schedule() { if (!pending) pending = requestAnimationFrame(() => { pending = 0; v.update(); }); },
      scrollTo(i) {
        const h = v.rowHeight();
        if (i * h < box.scrollTop || (i + 1) * h > box.scrollTop + box.clientHeight) box.scrollTop = Math.max(0, i * h - box.clientHeight / 3);
        v.update();
      },
    };
    box.addEventListener('scroll', () => v.schedule());
    return v;
  }

  // A text in rows of at most `width` bytes, broken also after each LF and at `breaks`
  // (sorted offsets); rows start where a character starts.
  function wrap(b, width, breaks = []) {
    const rows = [0];
    for (let a = 0, k = 0, lf = b.indexOf(10); a < b.length;) {
      while (k < breaks.length && breaks[k] <= a) ++k;
      while (lf !== -1 && lf < a) lf = b.indexOf(10, lf + 1);
      let next = Math.min(a + width, k < breaks.length ? breaks[k] : Infinity, lf === -1 ? Infinity : lf + 1);
      if (next >= b.length) break;
      if (next === a + width) while (next > a + 1 && (b[next] & 0xC0) === 0x80) --next;
      rows.push(next);
      a = next;
    }
    return Int32Array.from(rows);
  }
  // The first index of the sorted `a` whose value is greater than x, less one.
  function floorIndex(a, x, n = a.length) {
    let lo = 0, hi = n;
    while (lo < hi) { const mid = (lo + hi) >> 1; a[mid] <= x ? (lo = mid + 1) : (hi = mid); }
    return lo - 1;
  }

  // A box that shows bytes in rows, marked by `classOf(offset)` ranges; used for the capture
  // (with its spans) and for the JSON and the XML.
  function byteView(box, marking) {
    const inner = box.appendChild(el('div', {className: 'rows'}));
    let b = new Uint8Array(), rows = new Int32Array(1), width = 0;
    const v = virtualRows(box, inner, (i) => {
      const row = el('div', {className: 'row'});
      if (i < 0) return row.appendChild(document.createTextNode('0')) && row;
      const from = rows[i], to = i + 1 < rows.length ? rows[i + 1] : b.length;
      row.append(...(marking ? marking.render(b, from, to) : plainRow(b, from, to)));
      return row;
    });
    const columns = () => {
      const probe = inner.appendChild(el('span', {textContent: '0'.repeat(20)}));
      const w = probe.getBoundingClientRect().width / 20 || 8;
      probe.remove();
      return Math.max(16, Math.floor((box.clientWidth - 24) / w));
    };
    const view = {
      set(bytes) {
        b = bytes;
        width = columns();
        rows = wrap(b, width, marking ? marking.breaks() : []);
        v.setCount(rows.length);
      },
      update: () => v.clear(),
      showByte(at) { v.scrollTo(Math.max(0, floorIndex(rows, at))); },
      // A new width wraps the rows again: the byte at the top stays there, or the selection in view.
      resized() {
        const top = rows[Math.min(rows.length - 1, Math.floor(box.scrollTop / v.rowHeight()))];
        if (columns() !== width) view.set(b);
        else v.resized();
        box.scrollTop = Math.max(0, floorIndex(rows, top)) * v.rowHeight();
        v.update();
        if (marking && marking.resized) marking.resized();
      },
    };
    new ResizeObserver(() => view.resized()).observe(box);
    return view;
  }
  function plainRow(b, from, to) {
    const out = [];
    pieces(b, from, to, (a, z, what) => out.push(what === 'text' ? text.decode(b.subarray(a, z)) : what === 'lf' ? '' :
      what === 'tab' ? '\t' : el('span', {className: 'byte', textContent: '\\x' + hex2(b[a])})));
    return out;
  }

  // The capture's structure: each span's head and body in its class, the bytes no reading
  // took as 'rest', escapes within bodies, the selected value and the offending byte marked.
  const capture = {
    resized() { if (s.selected) select(s.selected); },
    // The offsets at which rows start: each element of the big array on a row of its own.
    breaks() {
      const out = [];
      if (!s.spans) return out;
      for (let k = 0, element = -2; k < s.spans.n; element = s.spans.element[k++]) {
        if (s.spans.element[k] !== element) out.push(s.spans.start[k]);
      }
      return out;
    },
    render(b, from, to) {
      const out = [], sp = s.spans, sel = s.selected ? spanAt(s.selected) : -1;
      const selFrom = sel < 0 ? -1 : sp.start[sel], selTo = sel < 0 ? -1 : sp.end[sel];
      const faultAt = s.fault && s.fault.byte !== undefined ? s.fault.byte : -1;
      const emit = (a, z, cls) => {
        if (a >= z) return;
        for (const cut of [selFrom, selTo, faultAt, faultAt + 1]) {  // split where a marking starts or ends
          if (cut > a && cut < z) { emit(a, cut, cls); emit(cut, z, cls); return; }
        }
        if (a === faultAt) {
          const mark = el('mark', {textContent: a < b.length ? byteName(b[a]) : 'end', title: 'the strict reading stops here'});
          mark.dataset.byte = a;
          return out.push(mark);
        }
        const node = el('span', {className: cls + (a >= selFrom && z <= selTo ? ' sel' : '')});
        node.dataset.at = a;
        if (cls === 'body') {
          for (let i = a; i < z;) {  // %XX escapes, in their own class
            const e = b.indexOf(37, i);
            const stop = e < 0 || e >= z ? z : e;
            if (stop > i) node.append(...plainRow(b, i, stop));
            if (stop === z) break;
            node.append(el('span', {className: 'esc', textContent: text.decode(b.subarray(stop, Math.min(stop + 3, z)))}));
            i = Math.min(stop + 3, z);
          }
        } else {
          node.append(...plainRow(b, a, z));
          if (cls === 'rest') for (const lf of node.childNodes) if (lf.nodeValue === '') lf.replaceWith(el('span', {className: 'ws', textContent: '↵'}));
          if (cls === 'rest' && b[a] === 10 && z === a + 1) node.replaceChildren(el('span', {className: 'ws', textContent: '↵'}));
        }
        out.push(node);
      };
      let pos = from;
      if (sp) {
        for (let k = Math.max(0, floorIndex(sp.start, from, sp.n) - 1); k < sp.n && sp.start[k] < to; ++k) {
          const r = sp.role[k], a = sp.start[k], h = sp.body[k], z = r === RECORD ? h : sp.end[k];
          if (z <= from) continue;
          if (a > pos) emit(pos, Math.min(a, to), 'rest');
          const headTo = r === MARKER || r === HEADER ? a : h;
          emit(Math.max(pos, a), Math.min(headTo, to), 'head');
          emit(Math.max(pos, headTo), Math.min(z, to), r === MARKER ? 'marker' : r === HEADER ? 'header' : r === INTEGER ? 'int' : 'body');
          pos = Math.max(pos, Math.min(z, to));
        }
      }
      if (pos < to) emit(pos, to, 'rest');
      if (faultAt === b.length && to === b.length) emit(faultAt, faultAt + 1, 'rest');
      return out;
    },
  };
  // A byte as the tool's messages show it: printable ASCII as itself, else \xNN.
  const byteName = (c) => c >= 0x20 && c < 0x7F && c !== 0x22 && c !== 0x5C ? String.fromCharCode(c) : '\\x' + c.toString(16).padStart(2, '0');

  // The element of the big array a pointer lies in ("/records/12"), or ''.
  function elementOf(pointer) {
    if (!s.itemsKey || !pointer.startsWith(s.itemsKey + '/')) return '';
    const slash = pointer.indexOf('/', s.itemsKey.length + 1);
    return slash < 0 ? pointer : pointer.slice(0, slash);
  }

  // --- the records -------------------------------------------------------------------------

  // What an element of the big array shows: its entries, each a label and a value with their
  // JSON pointers. A record (an array of name and value pairs) gives one entry per field;
  // an object, one per member (a member holding a record gives that record's fields).
  function entries(value, pointer) {
    if (Array.isArray(value)) {
      return value.map((f, i) => ({label: f.name, labelAt: `${pointer}/${i}/name`, value: f.value, at: `${pointer}/${i}/value`, field: i, record: pointer}));
    }
    if (isLeaf(value)) return [{label: '', value, at: pointer}];
    return Object.entries(value).flatMap(([k, v]) => Array.isArray(v) ? entries(v, `${pointer}/${k}`) : [{label: k, value: v, at: `${pointer}/${k}`}]);
  }
  const labelText = (l) => typeof l === 'string' ? l : text.decode(valueBytes(l));
  // The columns of the table: the labels most elements have, at most four.
  function chooseColumns(items) {
    const seen = new Map();
    for (const item of items.slice(0, 2000)) {
      const labels = new Set(entries(item, '').map((e) => labelText(e.label)));
      for (const l of labels) seen.set(l, (seen.get(l) || 0) + 1);
    }
    const objectKind = items.length && !Array.isArray(items[0]) && !isLeaf(items[0]) && Object.keys(items[0]).length === 1;
    if (objectKind) return [{kind: true}, {label: null}];  // {"integer": ...}, {"string": ...}: its member and its value
    return [...seen.entries()].sort((x, y) => y[1] - x[1]).slice(0, 4).map(([label]) => ({label}));
  }

  const table = $('table');
  const grid = table.appendChild(el('table', {className: 'records'}));
  const head = grid.appendChild(el('thead'));
  const body = grid.appendChild(el('tbody'));
  const expanded = new Set();  // elements shown with all their entries
  let focusRow = -1;           // the position (in s.order) of the row last focused

  const rows = virtualRows(table, body, (pos) => rowOf(pos), {spacer: 'tr'});
  // Expanded rows do not fit the fixed height: each shows its entries in a panel outside the
  // table's flow (the row stays one row high), so the list's arithmetic stays exact.
  function rowOf(pos) {
    if (pos < 0) return el('tr', {className: 'record'}, el('td', {textContent: '0'}));
    const i = s.order[pos], item = s.items[i], all = entries(item, `${s.itemsKey}/${i}`);
    const tr = el('tr', {className: 'record', tabIndex: 0, 'aria-rowindex': pos + 2,
      'aria-expanded': String(expanded.has(i)), 'data-pos': pos, 'data-item': i});
    tr.append(el('th', {scope: 'row', className: 'n'}, el('button', {type: 'button', tabIndex: -1, className: 'toggle',
      'aria-label': `${expanded.has(i) ? 'Hide' : 'Show'} all ${all.length} entries of ${one()} ${i}`, textContent: expanded.has(i) ? '▾' : '▸',
      onclick: () => toggle(i, pos)}), String(i)));
    for (const c of s.columns) {
      let e;
      if (c.kind) e = {label: '', value: Object.keys(item)[0], at: ''};
      else if (c.label === null) e = {value: Object.values(item)[0], at: `${s.itemsKey}/${i}/${Object.keys(item)[0]}`};
      else e = all.find((x) => labelText(x.label) === c.label);
      const td = el('td', {tabIndex: -1});
      if (e) {
        if (e.at) td.dataset.at = e.at;
        td.append(...cellNodes(e.value));
      }
      tr.append(td);
    }
    tr.append(el('td', {className: 'count', textContent: String(all.length)}));
    tr.setAttribute('aria-label', `${one()} ${i}: ${all.slice(0, 2).map((e) => labelText(e.value).slice(0, 40)).join(', ')}`);
    return tr;
  }
  function cellNodes(v) {
    if (!isLeaf(v)) return [`${v.length} field${v.length === 1 ? "" : "s"}`];
    const b = valueBytes(v), lf = b.indexOf(10), cr = b.indexOf(13);
    const cut = Math.min(160, ...[lf, cr].filter((x) => x >= 0));
    return shownNodes(b, cut).concat(cut < b.length && (lf >= 0 || cr >= 0) && cut < 160 ? [el('span', {className: 'more', textContent: ' ⏎ …'})] : []);
  }

  // The panel of an expanded element: every entry in full, editable where the strict reading
  // took its bytes.
  const panel = $('records').insertBefore(el('div', {id: 'panel', hidden: true}), table.nextSibling);
  // Makes the rows of these elements again.
  const refresh = (...items) => items.forEach((i) => rows.invalidate(s.order.indexOf(i)));
  function toggle(i, pos) {
    const was = [...expanded];
    expanded.has(i) ? expanded.delete(i) : (expanded.clear(), expanded.add(i));
    focusRow = pos;
    refresh(i, ...was);
    showPanel();
    const tr = body.querySelector(`tr[data-pos="${pos}"]`);
    if (tr) tr.focus();
  }
  function showPanel() {
    const [i] = expanded;
    panel.hidden = i === undefined;
    if (i === undefined) return panel.replaceChildren();
    const pointer = `${s.itemsKey}/${i}`, all = entries(s.items[i], pointer);
    panel.replaceChildren(el('h3', {textContent: `${one()} ${i}: ${all.length} entr${all.length === 1 ? 'y' : 'ies'}`}),
      entryList(all), el('div', {className: 'controls'},
        Array.isArray(s.items[i]) && s.strict && el('button', {type: 'button', textContent: 'Add a field', onclick: () => addField(pointer)}),
        concatenates() && s.strict && el('button', {type: 'button', textContent: `Remove ${one()} ${i}`, onclick: () => removeElement(i)}),
        el('button', {type: 'button', textContent: 'Close', onclick: () => { expanded.clear(); refresh(i); showPanel(); focusCurrent(); }})));
  }
  function entryList(all) {
    const dl = el('dl', {className: 'entries'});
    for (const e of all) {
      const name = e.labelAt ? item(e.label, e.labelAt) : el('dt', {className: 'label', textContent: e.label});
      const value = item(e.value, e.at);
      const row = el('div', {className: 'entry'}, name.tagName === 'DT' ? name : el('dt', {}, name), el('dd', {}, value));
      if (e.field !== undefined && s.strict) {
        row.append(el('dd', {className: 'actions'}, el('button', {type: 'button', tabIndex: -1, textContent: 'Remove',
          'aria-label': `Remove field ${e.field}`, onclick: () => removeField(e.record, e.field)})));
      }
      dl.append(row);
    }
    return dl;
  }
  // One name or value: focus selects its bytes; Enter or a double click edits it.
  function item(v, at) {
    const node = el('div', {className: 'value', tabIndex: -1}, ...(isLeaf(v) ? shownNodes(valueBytes(v), 1 << 20) : [`${v.length} fields`]));
    node.dataset.at = at;
    if (editable(at)) {
      node.classList.add('editable');
      node.addEventListener('dblclick', () => edit(node));
    }
    return node;
  }
  const editable = (at) => s.strict && spanAt(at) >= 0 && s.spans.role[spanAt(at)] !== RECORD;

  // --- editing -----------------------------------------------------------------------------

  // Edits a value in a text box of as many lines as it has; each change replaces the value's
  // bytes in the capture, and only those: the text box's change is found by comparing it
  // with what it held, and only the characters changed are turned back into bytes.
  function edit(node) {
    const at = node.dataset.at;
    let b = valueBytes(get(at)), shown = shownText(b);
    const crlf = b.some((c, i) => c === 13 && b[i + 1] === 10);
    const box = el('textarea', {className: 'edit', value: shown.text, spellcheck: false, 'aria-label': `Edit ${at}`});
    box.rows = Math.min(20, shown.text.split('\n').length);
    const before = s.bytes;
    node.replaceWith(box);
    box.focus();
    let problem = null;
    box.addEventListener('input', () => {
      const next = box.value, old = shown.text;
      let p = 0, q = 0;
      while (p < old.length && p < next.length && old[p] === next[p]) ++p;
      while (q < old.length - p && q < next.length - p && old[old.length - 1 - q] === next[next.length - 1 - q]) ++q;
      while (p > 0 && shown.at[p] < 0) --p;  // to whole characters of the old text
      while (q > 0 && shown.at[old.length - q] < 0) --q;
      const typed = utf8.encode(next.slice(p, next.length - q).replace(/\n/g, crlf ? '\r\n' : '\n'));
      const from = shown.at[p], to = shown.at[old.length - q];
      const nb = spliced(b, from, to, typed);
      try {
        setValue(at, nb);
        b = nb;
        shown = shownText(b);
        if (shown.text !== next) {  // a character the box cannot hold as typed (a control byte)
          const caret = box.selectionStart;
          box.value = shown.text;
          box.selectionStart = box.selectionEnd = caret;
        }
        if (problem) problem.remove(), problem = null;
      } catch (e) {
        if (!problem) box.after(problem = el('p', {className: 'error'}));
        problem.textContent = e.message;
      }
    });
    const done = () => {
      if (!box.isConnected) return;
      if (s.bytes !== before) pushUndo(before, `the edit of ${at}`);
      const shownAgain = item(get(at), at);
      box.replaceWith(shownAgain);
      if (problem) problem.remove();
      return shownAgain;
    };
    box.addEventListener('keydown', (e) => {
      e.stopPropagation();
      if (e.key === 'Escape' || (e.key === 'Enter' && (e.ctrlKey || e.metaKey))) {
        e.preventDefault();
        done().focus();
      }
    });
    box.addEventListener('blur', () => setTimeout(done));
  }

  // Replaces the bytes of the value at `pointer` with those of `value` (bytes), encoded as the
  // reading took it: a string, an integer, or the header as it stands. The spans after it
  // move; a reading that then refuses the capture undoes it and throws.
  function setValue(pointer, value) {
    const k = spanAt(pointer), sp = s.spans, role = sp.role[k];
    const json = jsonValue(value);
    let encoded;
    if (role === HEADER) {
      encoded = value;
    } else {
      const number = Number(text.decode(value));
      if (role === INTEGER && !(text.decode(value).trim() !== '' && Number.isInteger(number))) throw new Error('expected an integer');
      encoded = dstypes.encode('values', {kind: 'values', values: [role === INTEGER ? {integer: number} : {string: json}]}, {bytes: true});
    }
    const a = sp.start[k], z = sp.end[k], head = role === STRING ? encoded.indexOf(44) + 1 : sp.body[k] - a;
    const old = s.bytes, oldValue = get(pointer);
    splice(a, z, encoded);
    sp.body[k] = a + head;
    put(pointer, role === INTEGER ? Number(text.decode(value)) : json);
    if (role !== STRING) {  // a string takes any bytes; anything else the reading checks
      try {
        run(s.bytes, {as: s.doc.kind});
      } catch (e) {
        splice(a, a + encoded.length, old.subarray(a, z));
        sp.body[k] = a + head;
        put(pointer, oldValue);
        throw e;
      }
    }
    changed(pointer);
  }
  // `old` with its bytes from a to z replaced by `ins`.
  function spliced(old, a, z, ins) {
    const nb = new Uint8Array(old.length - (z - a) + ins.length);
    nb.set(old.subarray(0, a));
    nb.set(ins, a);
    nb.set(old.subarray(z), a + ins.length);
    return nb;
  }
  function splice(a, z, bytes) {
    const delta = bytes.length - (z - a);
    s.bytes = spliced(s.bytes, a, z, bytes);
    const {start, body: bodies, end, n} = s.spans;
    for (let k = 0; k < n; ++k) {
      if (start[k] >= z && !(start[k] === a && z === a)) start[k] += delta, bodies[k] += delta, end[k] += delta;
      else if (end[k] >= z) end[k] += delta;
    }
  }
  // After an edit: the row, the capture's bytes and the outputs follow.
  function changed(pointer) {
    jsonCache = xmlCache = null;
    view.set(s.bytes);
    select(s.selected, false, false);
    const i = elementIndex(pointer);
    if (i >= 0) {
      hay[i] = undefined;
      refresh(i);
    }
    outputsLater();
    $('undo').disabled = false;
  }
  function pushUndo(bytes, what) {
    s.undo.push({bytes, what});
    if (s.undo.length > 100) s.undo.shift();
    $('undo').disabled = false;
  }
  // Structural edits encode the changed element alone and read the capture again.
  // An element of the big array, in words: "record", "group", "value".
  const one = () => s.itemsKey.slice(1).replace(/s$/, '');
  const concatenates = () => s.strict && s.itemsKey && (() => {
    try { return dstypes.encode(s.doc.kind, {kind: s.doc.kind, [s.itemsKey.slice(1)]: []}, {bytes: true}).length === 0; } catch { return false; }
  })();
  function spanOfElement(i) {
    const sp = s.spans;
    let z = -1, k = sp.first[i];
    for (; k < sp.n && sp.element[k] === i; ++k) z = Math.max(z, sp.end[k]);
    return [sp.start[sp.first[i]], z];
  }
  function replaceBytes(a, z, bytes, what) {
    const old = s.bytes;
    pushUndo(old, what);
    setCapture(spliced(old, a, z, bytes), false, true);
  }
  function recordBytes(fields) {
    return dstypes.encode('values', {kind: 'values', values: [{record: fields}]}, {bytes: true});
  }
  function addField(pointer) {
    const k = spanAt(pointer), fields = [...get(pointer), {name: '', value: ''}];
    replaceBytes(s.spans.start[k], s.spans.end[k], recordBytes(fields), `the field added to ${pointer}`);
    const name = document.querySelector(`#panel [data-at="${pointer}/${fields.length - 1}/name"]`);
    if (name) name.focus();
  }
  function removeField(pointer, n) {
    const k = spanAt(pointer), fields = get(pointer).filter((_, i) => i !== n);
    replaceBytes(s.spans.start[k], s.spans.end[k], recordBytes(fields), `the removal of field ${n} of ${pointer}`);
  }
  function elementBytes(e) {
    return dstypes.encode(s.doc.kind, {kind: s.doc.kind, [s.itemsKey.slice(1)]: [e]}, {bytes: true});
  }
  function removeElement(i) {
    const [a, z] = spanOfElement(i);
    expanded.clear();
    replaceBytes(a, z, new Uint8Array(), `the removal of ${one()} ${i}`);
  }
  // A new element shaped as the first: its strings empty, its numbers 0, its records of one field.
  function blank(v) {
    if (Array.isArray(v)) return v.length && v[0] && 'name' in v[0] ? [{name: '', value: ''}] : [];
    if (isLeaf(v)) return typeof v === 'number' ? 0 : '';
    return Object.fromEntries(Object.entries(v).map(([k, x]) => [k, blank(x)]));
  }
  function addElement() {
    const n = s.items.length, e = n ? blank(s.items[0]) : [{name: '', value: ''}];
    const end = n ? spanOfElement(n - 1)[1] : 0;
    replaceBytes(end, end, elementBytes(e), `the ${one()} added`);
    expanded.clear();
    expanded.add(n);
    search.value = '';
    filter();
    focusRow = s.order.length - 1;
    rows.scrollTo(focusRow);
    showPanel();
    focusCurrent();
  }
  function undo() {
    const last = s.undo.pop();
    if (!last) return;
    setCapture(last.bytes, false, true);
    $('status').textContent = `Undone: ${last.what}.`;
    $('undo').disabled = !s.undo.length;
  }

  // --- search ------------------------------------------------------------------------------

  const search = $('search');
  let hay = [], words = [];
  // The text a search looks through: every label and value of the element, in lower case.
  function hayOf(i) {
    if (hay[i] === undefined) hay[i] = entries(s.items[i], '').map((e) => `${labelText(e.label)}\u0000${labelText(e.value)}`).join('\u0000').toLowerCase();
    return hay[i];
  }
  function filter() {
    words = search.value.toLowerCase().split(/\s+/).filter(Boolean);
    const order = [];
    for (let i = 0; i < s.items.length; ++i) if (!words.length || words.every((w) => hayOf(i).includes(w))) order.push(i);
    s.order = order;
    focusRow = order.length ? Math.min(Math.max(focusRow, 0), order.length - 1) : -1;
    $('matches').textContent = words.length ? `${order.length} of ${s.items.length} match` : '';
    table.scrollTop = 0;
    rows.setCount(order.length);
  }
  // Text with the words of the search marked.
  function marked(t) {
    if (!words.length || !t) return [t];
    const lower = t.toLowerCase(), out = [];
    let at = 0;
    for (;;) {
      let best = -1, len = 0;
      for (const w of words) {
        const k = lower.indexOf(w, at);
        if (k >= 0 && (best < 0 || k < best)) best = k, len = w.length;
      }
      if (best < 0 || lower.length !== t.length) break;
      out.push(t.slice(at, best), el('mark', {className: 'hit', textContent: t.slice(best, best + len)}));
      at = best + len;
    }
    out.push(t.slice(at));
    return out;
  }

  // --- keyboard: one tab stop per row, arrows inside ----------------------------------------

  function focusCurrent() {
    if (focusRow < 0) return;
    rows.scrollTo(focusRow);
    const tr = body.querySelector(`tr[data-pos="${focusRow}"]`);
    if (tr) tr.focus();
  }
  function moveTo(pos) {
    if (!s.order.length) return;
    focusRow = Math.max(0, Math.min(s.order.length - 1, pos));
    focusCurrent();
  }
  body.addEventListener('keydown', (e) => {
    const tr = e.target.closest('tr.record');
    if (!tr) return;
    const pos = Number(tr.dataset.pos), onRow = e.target === tr;
    const cells = [...tr.querySelectorAll('td[tabindex]')];
    const page = Math.max(1, Math.floor(table.clientHeight / rows.rowHeight()) - 1);
    const keys = {
      ArrowDown: () => onRow ? moveTo(pos + 1) : sameCell(pos + 1, cells.indexOf(e.target)),
      ArrowUp: () => onRow ? moveTo(pos - 1) : sameCell(pos - 1, cells.indexOf(e.target)),
      PageDown: () => moveTo(pos + page), PageUp: () => moveTo(pos - page),
      Home: () => onRow ? moveTo(0) : cells[0].focus(), End: () => onRow ? moveTo(s.order.length - 1) : cells.at(-1).focus(),
      ArrowRight: () => (onRow ? cells[0] : cells[cells.indexOf(e.target) + 1] || e.target).focus(),
      ArrowLeft: () => (cells.indexOf(e.target) > 0 ? cells[cells.indexOf(e.target) - 1] : tr).focus(),
      Enter: () => { toggle(s.order[pos], pos); if (!onRow && e.target.dataset.at) focusPanel(e.target.dataset.at); },
      ' ': () => onRow && toggle(s.order[pos], pos),
      Escape: () => tr.focus(),
    };
    if (!keys[e.key]) return;
    e.preventDefault();
    keys[e.key]();
  });
  function sameCell(pos, column) {
    moveTo(pos);
    const tr = body.querySelector(`tr[data-pos="${focusRow}"]`);
    const cell = tr && tr.querySelectorAll('td[tabindex]')[column];
    if (cell) cell.focus();
  }
  function focusPanel(at) {
    const node = panel.querySelector(`[data-at="${at}"]`);
    if (node) node.focus();
  }
  body.addEventListener('focusin', (e) => {
    const tr = e.target.closest('tr.record');
    if (!tr) return;
    focusRow = Number(tr.dataset.pos);
    if (e.target.dataset.at) select(e.target.dataset.at);
  });
  // In the panel and the members: arrows move between the names, values and buttons.
  function entryKeys(container) {
    container.addEventListener('keydown', (e) => {
      const stops = [...container.querySelectorAll('.value, button')];
      const k = stops.indexOf(e.target);
      if (k < 0) return;
      const step = {ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1}[e.key];
      if (step) {
        e.preventDefault();
        (stops[k + step] || e.target).focus();
      } else if (e.key === 'Enter' && e.target.classList.contains('editable')) {
        e.preventDefault();
        edit(e.target);
      } else if (e.key === 'Escape' && container === panel) {
        e.preventDefault();
        focusCurrent();
      }
    });
    container.addEventListener('focusin', (e) => { if (e.target.dataset.at) select(e.target.dataset.at); });
  }
  entryKeys(panel);
  entryKeys($('members'));

  // The selected value: its bytes marked in the capture, and said in words.
  // `redraw` false: the caller has just drawn the rows again itself.
  function select(at, scroll = true, redraw = true) {
    s.selected = at;
    const k = spanAt(at);
    if (k < 0) {
      $('selection').textContent = '';
    } else {
      const a = s.spans.start[k], z = s.spans.end[k];
      $('selection').textContent = `${at}: bytes ${a} to ${z - 1} of the capture (${z - a} bytes, the head ${s.spans.body[k] - a}).`;
      if (scroll) view.showByte(a);
    }
    if (redraw) view.update();
  }

  // --- reading a capture ---------------------------------------------------------------------

  const view = byteView($('view'), capture);
  const jsonView = byteView($('json')), xmlView = byteView($('xml'));
  let jsonCache = null, xmlCache = null, outputsTimer = 0;
  // The JSON pane: the strict reading, or what a receiver holds, as `dstypes decode` prints it.
  function jsonText() {
    if (jsonCache === null) {
      try {
        jsonCache = text.decode(run(s.bytes, {as: s.as, compact: false, lenient: !!s.fault}).out);
      } catch (e) {
        jsonCache = s.fault ? '' : e.message;
      }
    }
    return jsonCache;
  }
  function xmlText() {
    if (xmlCache === null) {
      try {
        xmlCache = text.decode(run(s.bytes, {as: s.as, xml: true}).out);
      } catch (e) {
        xmlCache = e.message;
      }
    }
    return xmlCache;
  }
  function outputs() {
    if ($('json-pane').open) jsonView.set(utf8.encode(jsonText()));
    if ($('xml-pane').open) xmlView.set(utf8.encode(xmlText()));
  }
  function outputsLater() {
    clearTimeout(outputsTimer);
    outputsTimer = setTimeout(() => { outputs(); fillBox(s.bytes); }, 300);
  }

  // Reads the capture strictly; when that fails, shows the fault and what a receiver holds.
  // `keep`: the same capture after an edit, so the rows, the search and the panel stay.
  function read(keep) {
    const as = $('kind').value;
    s.as = as;
    let json = null, notes = [], fault = null, spans = null;
    try {
      ({out: json, notes, spans} = readSpans(s.bytes, as));
    } catch (e) {
      fault = e;
      spans = e.spans && e.spans.n ? e.spans : null;
      try {
        ({out: json, notes} = run(s.bytes, {as, lenient: true}));
      } catch (e2) {
        json = null, notes = [e2.message];
      }
    }
    s.fault = fault, s.notes = notes, s.strict = !fault;
    s.doc = json && JSON.parse(text.decode(json));
    s.spans = spans;
    const big = s.doc ? Object.keys(s.doc).find((k) => Array.isArray(s.doc[k])) : undefined;
    s.items = big ? s.doc[big] : [];
    s.itemsKey = big ? '/' + big : '';
    jsonCache = xmlCache = null;
    hay = [];
    if (!keep) {
      expanded.clear();
      s.selected = '';
      $('selection').textContent = '';
      search.value = '';
      focusRow = 0;
    }
    const size = s.bytes.length;
    $('status').textContent = fault ? 'The strict reading refuses this capture.' :
      `Read as ${s.doc.kind} (${as ? 'given' : 'detected'})${big ? `: ${s.items.length} ${big}` : ''}, ${size.toLocaleString('en')} bytes.`;
    $('records-title').textContent = fault ? 'What a receiver holds (the library’s lenient reading)' : big ? `${big[0].toUpperCase()}${big.slice(1)}` : s.doc.kind;
    $('fault').hidden = !fault;
    if (fault) {
      $('message').textContent = fault.message;
      $('goto').hidden = fault.byte === undefined;
      $('adopt').hidden = !s.doc;
    }
    $('notes').replaceChildren(...notes.map((n) => el('li', {textContent: n})));
    renderMembers();
    s.columns = chooseColumns(s.items);
    head.replaceChildren(el('tr', {}, el('th', {scope: 'col', textContent: '#'}),
      ...s.columns.map((c) => el('th', {scope: 'col', textContent: c.kind ? 'member' : c.label === null ? 'value' : c.label})),
      el('th', {scope: 'col', textContent: 'fields'})));
    $('search-label').textContent = `Search the ${big || 'records'}`;
    $('add').textContent = `Add a ${one()}`;
    grid.setAttribute('aria-rowcount', s.items.length + 1);
    for (const td of body.querySelectorAll('tr.spacer td')) td.colSpan = s.columns.length + 2;
    $('find').hidden = table.hidden = !big;
    $('keys').hidden = !big;
    $('add').hidden = !concatenates();
    if (keep) {
      const top = table.scrollTop;
      filterKeep();
      table.scrollTop = top;
      rows.update();
    } else {
      filter();
    }
    showPanel();
    view.set(s.bytes);
    if (fault && fault.byte !== undefined) view.showByte(fault.byte);
    outputs();
    $('save').disabled = $('copy').disabled = false;
  }
  function filterKeep() {
    const top = focusRow;
    filter();
    focusRow = Math.min(top, s.order.length - 1);
  }
  // The members of the JSON outside its big array (a header, the figures): entries of their own.
  function renderMembers() {
    const box = $('members');
    if (!s.doc) return box.replaceChildren();
    const members = Object.entries(s.doc).filter(([k, v]) => k !== 'kind' && !Array.isArray(v));
    box.replaceChildren(...(members.length ? [entryList(members.map(([k, v]) => ({label: k, value: v, at: `/${k}`})))] : []));
  }

  // The capture in the box, when it is small enough to edit there as text.
  function fillBox(bytes) {
    const small = bytes.length <= 1 << 16;
    $('text').value = small ? text.decode(bytes) : '';
    $('text').placeholder = small ? '' : `The capture (${bytes.length.toLocaleString('en')} bytes) is shown below; paste here to replace it.`;
    $('lossy').hidden = !small || firstNotUtf8(bytes) < 0;
  }
  // A new capture (`intoBox`: shown in the box too), or (`keep`) the capture after an edit.
  function setCapture(bytes, intoBox, keep) {
    s.bytes = bytes;
    if (intoBox || keep) fillBox(bytes);
    if (intoBox) {
      s.undo = [];
      $('undo').disabled = true;
    }
    read(keep);
  }

  async function openFile(file) {
    if (file) setCapture(new Uint8Array(await file.arrayBuffer()), true);
  }

  // Copies the capture as it now stands when it is text; bytes that are not UTF-8 cannot go
  // through a text clipboard, so then the page says so and offers the file.
  async function copyBytes(bytes, what) {
    let t;
    try {
      t = strictUtf8.decode(bytes);
    } catch {
      const bad = firstNotUtf8(bytes);
      $('status').textContent = `The ${what} holds bytes that are not UTF-8 (the first at byte ${bad}), which a text clipboard cannot carry: save it as a file instead.`;
      $('save').focus();
      return;
    }
    try {
      await navigator.clipboard.writeText(t);
    } catch {
      const area = document.body.appendChild(el('textarea', {value: t}));
      area.select();
      document.execCommand('copy');
      area.remove();
    }
    $('status').textContent = `Copied the ${what} (${bytes.length.toLocaleString('en')} bytes).`;
  }
  function firstNotUtf8(b) {
    for (let i = 0, n; i < b.length; i += n) if (!(n = utf8At(b, i, b.length))) return i;
    return -1;
  }

  dstypes.ready.then(() => {
    for (const k of kinds) $('kind').append(el('option', {value: k, textContent: k}));
    let timer;
    $('text').addEventListener('input', () => {
      clearTimeout(timer);
      timer = setTimeout(() => { $('lossy').hidden = true; setCapture(utf8.encode($('text').value), false); }, 200);
    });
    $('kind').addEventListener('change', () => read());
    $('file').addEventListener('change', (e) => openFile(e.target.files[0]));
    document.addEventListener('dragover', (e) => { e.preventDefault(); document.body.classList.add('dropping'); });
    document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
    document.addEventListener('drop', (e) => { e.preventDefault(); document.body.classList.remove('dropping'); openFile(e.dataTransfer.files[0]); });
    search.addEventListener('input', () => filter());
    $('goto').addEventListener('click', () => {
      view.showByte(s.fault.byte);
      const mark = $('view').querySelector('mark');
      if (mark) mark.scrollIntoView({block: 'nearest'});
      $('view').focus();
    });
    $('adopt').addEventListener('click', () => setCapture(dstypes.encode(s.doc.kind, s.doc, {bytes: true}), true));
    $('save').addEventListener('click', () => {
      const a = el('a', {href: URL.createObjectURL(new Blob([s.bytes])), download: `capture-${s.doc ? s.doc.kind : 'text'}.txt`});
      a.click();
      setTimeout(() => URL.revokeObjectURL(a.href), 1000);
    });
    $('copy').addEventListener('click', () => copyBytes(s.bytes, 'text'));
    for (const b of document.querySelectorAll('[data-copy]')) {
      b.addEventListener('click', () => copyBytes(utf8.encode(b.dataset.copy === 'json' ? jsonText() : xmlText()), b.dataset.copy.toUpperCase()));
    }
    for (const pane of ['json-pane', 'xml-pane']) $(pane).addEventListener('toggle', () => outputs());
    $('add').addEventListener('click', () => addElement());
    $('undo').addEventListener('click', () => undo());
    document.addEventListener('keydown', (e) => {
      if ((e.ctrlKey || e.metaKey) && e.key === 'z' && !/^(TEXTAREA|INPUT)$/.test(e.target.tagName) && s.undo.length) {
        e.preventDefault();
        undo();
      }
    });
    setCapture(new Uint8Array(), false);
    $('status').textContent = 'Ready: paste a capture, drop a file or open one.';
  }, (e) => { $('status').textContent = `The viewer cannot start in this browser: ${e.message}`; });
})();
