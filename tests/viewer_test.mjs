// The browser viewer in Debian's Chromium, held against dstypes as README.md says. Usage: node viewer_test.mjs PAGE DSTYPES TESTS [PNG]
import {chromium} from 'playwright-core';
import {execFile, execFileSync} from 'node:child_process';
import fs from 'node:fs';
import {pathToFileURL} from 'node:url';

const [page, tool, tests, screenshot] = process.argv.slice(2), url = pathToFileURL(page).href, requests = [];
let passed = 0, failed = 0, check = (ok, what) => ok ? ++passed : (++failed, console.log(`FAIL: ${what}`));
const dstypes = (args, input) => new Promise((resolve) => execFile(tool, args, {encoding: 'buffer', maxBuffer: 1 << 26}, (e, out, err) =>
  resolve({code: e ? e.code : 0, out: out.toString(), err: err.toString().replace(/^dstypes: (standard input: )?/gm, '').trim()})).stdin.end(input));
const encode = (kind, json) => execFileSync(tool, ['encode', kind, '-'], {input: JSON.stringify(json), maxBuffer: 1 << 26});
const files = fs.readdirSync(`${tests}/data`).filter((f) => f.endsWith('.txt')).map((f) => [f.slice(0, -4), fs.readFileSync(`${tests}/data/${f}`)]);
const cases = files.flatMap(([kind, text]) => [...text, 0].flatMap((_, i) => [[text.subarray(0, i), ''], [text.subarray(0, i), kind],
  [Buffer.concat([text.subarray(0, i), text.subarray(i + 1)]), '']]));
cases.push(...fs.readFileSync(`${tests}/tool_cases.txt`, 'utf8').split('\n').filter((r) => r && !r.startsWith('#')).map((r) => r.split('|'))
  .map(([, , , format, args]) => [format, args, /--as (\S+)/.exec(args)?.[1] || '']).filter(([, args, as]) => /^decode (--(as [a-z-]+|lenient|compact|xml) )*-$/.test(args)
    && (!as || files.some(([k]) => k === as))).map(([format, , as]) => [execFileSync('bash', ['-c', 'printf "$1"', '-', format], {maxBuffer: 1 << 26}), as]));

const profile = fs.mkdtempSync('/tmp/viewer-test-'), browser = await chromium.launchPersistentContext(profile, {executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync']});
const tab = browser.pages()[0].on('pageerror', (e) => check(false, `error on the page: ${e.message}`)), key = (...keys) => keys.reduce((p, k) => p.then(() => tab.keyboard.press(k)), Promise.resolve());
await tab.addInitScript(() => Object.assign(window, {said: () => document.getElementById('status').textContent, timed: async (f) => { const t = performance.now(); f();
  await new Promise((r) => requestAnimationFrame(() => setTimeout(r))); return performance.now() - t; }, typed: (c) => timed(() => { search.value += c; search.dispatchEvent(new Event('input')); })}));
await browser.on('request', (r) => r.url() !== url && requests.push(r.url())).grantPermissions(['clipboard-read', 'clipboard-write']).then(() => tab.goto(url));
const show = (bytes, as, quick) => tab.evaluate(async ([latin1, as, quick]) => {  // bytes as Latin-1: the ms taken if quick, else what the page holds
  document.querySelectorAll('details').forEach((pane) => pane.open = !quick);
  const bytes = Uint8Array.from(latin1, (c) => c.charCodeAt(0)), ms = await dstypes.ready.then(() => timed(() => dstypes.show(bytes, as))), v = !quick && dstypes.view();
  const mark = document.querySelector('#view mark'), compact = quick || (() => { try { return dstypes.decode(bytes, {as}); } catch (e) { return e.message; } })();
  return quick ? ms : {json: v.json, compact, xml: v.xml, notes: v.notes.join('\n'), message: v.message, mark: mark && [Number(mark.dataset.byte), mark.textContent]};
}, [bytes.toString('latin1'), as, quick]);
const saved = async () => fs.readFileSync(await (await Promise.all([tab.waitForEvent('download'), tab.click('#save')]))[0].path());

const byteName = (b) => b >= 0x20 && b < 0x7F && b !== 0x22 && b !== 0x5C ? String.fromCharCode(b) : '\\x' + b.toString(16).padStart(2, '0');
for (const [input, as] of cases) {
  const args = as ? ['--as', as, '-'] : ['-'], decode = (option) => dstypes(['decode', option, ...args].filter(Boolean), input);
  const [got, strict, compact, xml, lenient] = await Promise.all([show(input, as), decode(''), decode('--compact'), decode('--xml'), decode('--lenient')]);
  const receiver = strict.code ? lenient : strict, at = Number((/^bad \S+ text .* at byte (\d+): /.exec(strict.err) || [])[1]);
  const expected = {json: receiver.out, compact: compact.code ? compact.err : compact.out, xml: xml.code ? xml.err.split('\n').at(-1) : xml.out,
    notes: receiver.err, message: strict.code ? strict.err : '', mark: strict.code ? [at, at < input.length ? byteName(input[at]) : 'end'] : null};
  check(JSON.stringify(got) === JSON.stringify(expected), `${JSON.stringify(input.toString('latin1').slice(0, 80))} ${as}: ${JSON.stringify(got)}, not ${JSON.stringify(expected)}`);
}
const edit = (at, typed, all) => tab.focus(`.value[data-at="${at}"]`).then(() => key('Enter', all ? 'Control+A' : 'Control+End')).then(() => tab.keyboard.type(typed)).then(() => key('Escape'));
for (const [kind, text] of files) {  // the first two values the page lets one edit (in the first row's panel, if it has rows), each replaced
  const doc = JSON.parse((await dstypes(['decode', '--as', kind, '-'], text)).out);
  await show(text, kind) && await tab.locator('tr.record').count() && await tab.focus('tr.record').then(() => key('Enter'));
  for (const at of await tab.$$eval('.value.editable', (all) => all.slice(0, 2).map((v) => v.dataset.at))) {
    const path = at.split('/').slice(1), last = path.pop(), owner = path.reduce((o, k) => o[k], doc);
    await edit(at, String(owner[last] = typeof owner[last] === 'number' ? -7 : 'Edited ✓ \\x'), true);
  }
  check((await saved()).equals(encode(kind, doc)), `edited ${kind}: not what dstypes encode writes`);
}

const sets = [35, 3500].map((n) => JSON.parse(execFileSync('python3', [`${tests}/make_captures.py`, n, 1000], {maxBuffer: 1 << 26}))), words = ['ødegård', 'folded'];
const texts = sets.map((set) => encode('search-results', set)), times = texts.map(() => ({load: [], keystroke: []})), median = (a) => a.sort((x, y) => x - y)[a.length >> 1];
for (let round = 0; round < 5; ++round) for (const n of round % 2 ? [1, 0] : [0, 1]) {  // alternating; each keystroke of a search timed to the frame after it
  times[n].load.push(await tab.setViewportSize({width: 1280, height: 900}).then(() => show(texts[n], '', true)));
  for (const c of words.join(' ')) times[n].keystroke.push(await tab.evaluate((c) => typed(c), c));
  if (round < 4) continue;  // then, in the last round: the rows found, a value's bytes, an edit and its undo, copy, 200 % zoom
  const set = sets[n], matching = set.records.flatMap((r, i) => words.every((w) => r.some((f) => JSON.stringify(f).toLowerCase().includes(w))) ? [i] : []);
  const rows = await tab.$$eval('tr.record', (all) => all.map((tr) => Number(tr.dataset.item)));
  check(await tab.textContent('#matches') === `${matching.length} of ${set.records.length} match` && rows.join() === matching.slice(0, rows.length).join() && rows.length < 80, `search ${n}: ${rows}`);
  const i = rows[0], f = set.records[i].findIndex((x) => x.name === 'NOTE'), at = `/records/${i}/${f}/value`;  // by the keys, to record i's panel, then its NOTE
  await tab.focus('tr.record').then(() => key('Tab', 'Shift+Tab', 'ArrowDown', 'ArrowUp', 'Enter')).then(() => tab.focus(`#panel .value[data-at="${at}"]`));
  const bytes = await tab.$$eval('#view .sel', (all) => all.map((e) => e.textContent).join('')), value = set.records[i][f].value;
  check(bytes === encode('values', {values: [{string: value}]}).toString(), `the bytes of ${at}: ${bytes}`);
  if (screenshot && n) await tab.setViewportSize({width: 1280, height: 1540}).then(() => tab.screenshot({path: screenshot}));
  set.records[i][f].value += 'x\r\ny';  // typed as x, Enter, y: the value's line breaks are CR LF
  check((await edit(at, 'x\ny').then(saved)).equals(encode('search-results', set)), `${at} edited: not what dstypes encode writes`);
  check(await tab.click('#undo').then(saved).then((b) => b.equals(texts[n])), `${at} edited and undone: not the capture`);
  for (const text of [texts[n], encode('search-results', {records: set.records.filter((r) => !JSON.stringify(r).includes('"hex"'))})]) {  // UTF-8 copied, else refused
    const said = await show(text, '', true).then(() => tab.click('#copy')).then(() => tab.waitForFunction(() => /^Copied|not UTF-8/.test(said()))).then(() => tab.evaluate(() => said()));
    check(Buffer.from(text.toString()).equals(text) ? Buffer.from(await tab.evaluate(() => navigator.clipboard.readText())).equals(text) : /not UTF-8/.test(said), `copy: ${said}`);
  }
  check(await tab.setViewportSize({width: 640, height: 900}).then(() => tab.evaluate(() => document.documentElement.scrollWidth <= innerWidth)), 'wider than the window at 200 %');
}
check(await browser.close().then(() => fs.rmSync(profile, {recursive: true})) || !requests.length, `requests left the page: ${requests}`);
console.log([...times.map((t, n) => `${texts[n].length} bytes, ${sets[n].records.length} records: load ${median(t.load).toFixed(0)} ms, keystroke ${median(t.keystroke).toFixed(0)} ms (medians)`),
  `page ${fs.statSync(page).size} bytes; ${cases.length} captures, ${files.length} edits`, `${passed} passed, ${failed} failed`].join('\n'));
process.exit(failed ? 1 : 0);
