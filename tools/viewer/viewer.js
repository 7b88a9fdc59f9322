// The viewer's script: the global dstypes object (the tool's conversions, run by the
// WebAssembly module) and the page around it, in plain DOM.
'use strict';
(() => {
  const utf8 = new TextEncoder();
  const text = new TextDecoder('utf-8', {ignoreBOM: true});
  const strictUtf8 = new TextDecoder('utf-8', {ignoreBOM: true, fatal: true});
  const kCompact = 1, kLenient = 2, kXml = 4;  // dst_decode's flags
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
  };

  // The page.
  const $ = (id) => document.getElementById(id);
  let capture = new Uint8Array(), doc = null, encoded = null;

  function el(tag, props = {}, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(props)) k.startsWith('aria-') ? e.setAttribute(k, v) : (e[k] = v);
    e.append(...children.filter((c) => c !== null && c !== undefined));
    return e;
  }
  // Bytes as text: UTF-8 as it is, any other byte as \xNN (in a span of class "byte").
  function shownBytes(bytes) {
    const parts = [];
    for (let i = 0; i < bytes.length;) {
      let end = i;
      while (end < bytes.length && bytes[end] < 0x80) ++end;
      if (end > i) { parts.push(text.decode(bytes.subarray(i, end))); i = end; continue; }
      const length = bytes[i] >= 0xF0 ? 4 : bytes[i] >= 0xE0 ? 3 : bytes[i] >= 0xC0 ? 2 : 1;
      try {
        parts.push(strictUtf8.decode(bytes.subarray(i, i + length)));
        i += length;
      } catch {
        parts.push(el('span', {className: 'byte', textContent: '\\x' + bytes[i++].toString(16).padStart(2, '0')}));
      }
    }
    return parts;
  }
  // A byte as the tool's messages show it: printable ASCII as itself, else \xNN.
  const byteName = (b) => b >= 0x20 && b < 0x7F && b !== 0x22 && b !== 0x5C ? String.fromCharCode(b) : '\\x' + b.toString(16).padStart(2, '0');

  // A value of the JSON: a string, or {"hex": ...} for bytes that are not UTF-8, shown with
  // \xNN for those bytes (and \\ for a backslash); edited text is read back the same way.
  const hexBytes = (hex) => Uint8Array.from(hex.match(/../g) || [], (h) => parseInt(h, 16));
  function shownValue(v) {
    if (typeof v !== 'object') return String(v);
    return shownBytes(hexBytes(v.hex)).map((p) => typeof p === 'string' ? p.replace(/\\/g, '\\\\') : p.textContent).join('');
  }
  function valueOf(shown) {
    const bytes = [];
    for (const [, escaped, hex, plain] of shown.matchAll(/\\(\\)|\\x([0-9a-fA-F]{2})|([^]+?(?=\\|$))/g)) {
      if (hex) bytes.push(parseInt(hex, 16));
      else bytes.push(...utf8.encode(escaped || plain));
    }
    try {
      return strictUtf8.decode(Uint8Array.from(bytes));
    } catch {
      return {hex: bytes.map((b) => b.toString(16).padStart(2, '0')).join('')};
    }
  }

  // An input for member `key` of `owner`, which an edit changes, then re-encodes the table.
  function field(owner, key, label, path, onEdit) {
    const hex = typeof owner[key] === 'object', integer = typeof owner[key] === 'number';
    const input = el('input', {type: 'text', value: shownValue(owner[key]), className: hex ? 'hex' : '',
      'aria-label': label + (hex ? ' (bytes that are not UTF-8 show as \\xNN)' : '')});
    input.dataset.path = path;
    if (integer) input.inputMode = 'numeric';
    input.addEventListener('input', () => {
      const n = Number(input.value);
      owner[key] = integer ? (input.value.trim() !== '' && Number.isInteger(n) ? n : input.value) : hex ? valueOf(input.value) : input.value;
      if (onEdit) onEdit();
      tableEdited();
    });
    return input;
  }
  const row = (...cells) => el('tr', {}, ...cells.map((c, i) => el(i ? 'td' : 'th', {scope: 'row'}, c)));
  const head = (...names) => el('thead', {}, el('tr', {}, ...names.map((n) => el('th', {scope: 'col', textContent: n}))));

  // A record's fields, each name and value editable, with buttons to remove and add fields.
  function recordTable(fields, caption, path) {
    const table = el('table', {}, el('caption', {textContent: caption + (fields.length ? '' : ': no fields (a receiver skips it)')}),
      head('Field', 'Name', 'Value', ''));
    fields.forEach((f, i) => table.append(row(String(i), field(f, 'name', `${caption}, field ${i}, name`, `${path}/${i}/name`),
      field(f, 'value', `${caption}, field ${i}, value`, `${path}/${i}/value`),
      el('button', {type: 'button', textContent: 'Remove', 'aria-label': `Remove field ${i} of ${caption.toLowerCase()}`,
        onclick: () => { fields.splice(i, 1); structureEdited(); }}))));
    const add = el('button', {type: 'button', textContent: `Add a field to ${caption.toLowerCase()}`,
      onclick: () => { fields.push({name: '', value: ''}); structureEdited(`${path}/${fields.length - 1}/name`); }});
    return [table, add];
  }

  // The table view of `doc`, the JSON of one text.
  function renderTable() {
    const box = $('table');
    box.replaceChildren();
    if (!doc) return;
    if ('header' in doc) box.append(el('label', {}, 'Header ', field(doc, 'header', 'Header', '/header')));
    const top = el('table');
    switch (doc.kind) {
      case 'group-list': {
        const slots = el('table', {}, el('caption', {textContent: 'The sixteen slots'}), head('Slot', 'Name', 'Ring tone', 'State'));
        doc.groups.forEach((g, i) => {
          const state = el('td'), name = field(g, 'name', `Slot ${g.slot}, name`, `/groups/${i}/name`, () => spare());
          const tr = row(String(g.slot), name, field(g, 'ringTone', `Slot ${g.slot}, ring tone`, `/groups/${i}/ringTone`));
          const spare = () => {
            const s = g.name === '';
            tr.classList.toggle('spare', s);
            state.textContent = s ? 'spare' : 'used';
            name.placeholder = s ? 'spare' : '';
          };
          tr.append(state);
          spare();
          slots.append(tr);
        });
        box.append(slots);
        break;
      }
      case 'group':
        top.append(row('Name', field(doc, 'name', 'Name', '/name')), row('Ring tone', field(doc, 'ringTone', 'Ring tone', '/ringTone')));
        box.append(top);
        break;
      case 'dimensions':
        top.append(row('numEntries', field(doc, 'numEntries', 'numEntries', '/numEntries')),
          row('maxNumEntries', field(doc, 'maxNumEntries', 'maxNumEntries', '/maxNumEntries')),
          row('groupNameLimit', String(doc.groupNameLimit) + ' (fixed)'));
        box.append(top);
        break;
      case 'search-results':
        box.append(el('p', {textContent: `${doc.records.length} record${doc.records.length === 1 ? '' : 's'}`}));
        doc.records.forEach((r, i) => box.append(...recordTable(r, `Record ${i}`, `/records/${i}`)));
        box.append(el('button', {type: 'button', textContent: 'Add a record',
          onclick: () => { doc.records.push([{name: '', value: ''}]); structureEdited(`/records/${doc.records.length - 1}/0/name`); }}));
        break;
      case 'values':
        top.append(head('Value', 'Kind', ''));
        doc.values.forEach((v, i) => {
          const [kind] = Object.keys(v), path = `/values/${i}/${kind}`;
          top.append(row(String(i), kind, kind === 'record' ? el('div', {}, ...recordTable(v.record, `Value ${i}`, path)) : field(v, kind, `Value ${i}, ${kind}`, path)));
        });
        box.append(top);
        break;
    }
  }
  function structureEdited(focusPath) {
    renderTable();
    tableEdited();
    if (focusPath) document.querySelector(`[data-path="${focusPath}"]`).focus();
  }
  // The text form of the table, as `dstypes encode` writes it.
  function tableEdited() {
    try {
      encoded = dstypes.encode(doc.kind, doc, {bytes: true});
      $('encoded').replaceChildren(...shownBytes(encoded));
      $('encoded').classList.remove('error');
    } catch (e) {
      encoded = null;
      $('encoded').textContent = e.message;
      $('encoded').classList.add('error');
    }
    $('use').disabled = $('save').disabled = !encoded;
  }

  // The capture around byte `at` (up to 2000 bytes each side), that byte marked.
  function marked(at) {
    const from = Math.max(0, at - 2000), to = Math.min(capture.length, at + 2001);
    const mark = el('mark', {textContent: at < capture.length ? byteName(capture[at]) : 'end'});
    mark.dataset.byte = at;
    $('marked').replaceChildren(from ? '…' : '', text.decode(capture.subarray(from, at)), mark,
      text.decode(capture.subarray(at + 1, to)), to < capture.length ? '…' : '');
  }

  // Reads the capture strictly; when that fails, shows the fault and what a receiver holds.
  function read() {
    const as = $('kind').value, given = as ? 'given' : 'detected';
    let json, notes = [], fault = null;
    try {
      ({out: json, notes} = run(capture, {as, compact: false}));
    } catch (e) {
      fault = e;
    }
    $('fault').hidden = !fault;
    if (fault) {
      $('message').textContent = fault.message;
      $('goto').hidden = fault.byte === undefined;
      if (fault.byte !== undefined) marked(fault.byte);
      try {
        ({out: json, notes} = run(capture, {as, compact: false, lenient: true}));
      } catch (e) {
        json = null, notes = [e.message];
      }
    }
    doc = json && JSON.parse(text.decode(json));
    $('status').textContent = fault ? 'The strict reading refuses this capture.' : `Read as ${doc.kind} (${given}).`;
    $('view-title').textContent = fault ? 'What a receiver holds (the library’s lenient reading)' : `Table: ${doc.kind}`;
    $('json-title').textContent = fault ? 'JSON of what a receiver holds (decode --lenient)' : 'JSON of the capture';
    $('notes').replaceChildren(...notes.map((n) => el('li', {textContent: n})));
    $('json').textContent = json ? text.decode(json) : '';
    try {
      $('xml').textContent = dstypes.decode(capture, {as, xml: true});
      $('xml').classList.remove('error');
    } catch (e) {
      $('xml').textContent = e.message;
      $('xml').classList.add('error');
    }
    renderTable();
    if (doc) tableEdited();
    else $('encoded').textContent = '';
  }

  function setCapture(bytes, intoBox) {
    capture = bytes;
    if (intoBox) {
      $('text').value = text.decode(bytes);
      try {
        $('lossy').hidden = strictUtf8.decode(bytes) !== null;
      } catch {
        $('lossy').hidden = false;
      }
    }
    read();
  }

  async function openFile(file) {
    if (file) setCapture(new Uint8Array(await file.arrayBuffer()), true);
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
    document.addEventListener('dragover', (e) => { e.preventDefault(); $('text').classList.add('dropping'); });
    document.addEventListener('dragleave', () => $('text').classList.remove('dropping'));
    document.addEventListener('drop', (e) => { e.preventDefault(); $('text').classList.remove('dropping'); openFile(e.dataTransfer.files[0]); });
    $('goto').addEventListener('click', () => {
      const at = Number($('marked').querySelector('mark').dataset.byte), from = text.decode(capture.subarray(0, at)).length;
      $('text').focus();
      $('text').setSelectionRange(from, from + (at < capture.length ? text.decode(capture.subarray(at, at + 1)).length : 0));
    });
    $('use').addEventListener('click', () => encoded && setCapture(encoded, true));
    $('save').addEventListener('click', () => {
      const a = el('a', {href: URL.createObjectURL(new Blob([encoded])), download: `capture-${doc.kind}.txt`});
      a.click();
      setTimeout(() => URL.revokeObjectURL(a.href), 1000);
    });
    for (const b of document.querySelectorAll('[data-copy]')) {
      b.addEventListener('click', async () => {
        const shown = $(b.dataset.copy).textContent;
        try {
          await navigator.clipboard.writeText(shown);
        } catch {
          getSelection().selectAllChildren($(b.dataset.copy));
          document.execCommand('copy');
        }
        $('status').textContent = `Copied the ${b.dataset.copy === 'encoded' ? 'text form' : b.dataset.copy.toUpperCase()}.`;
      });
    }
    $('status').textContent = 'Ready: paste a capture, drop a file or open one.';
  }, (e) => { $('status').textContent = `The viewer cannot start in this browser: ${e.message}`; });
})();
