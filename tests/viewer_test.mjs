// The browser viewer in Debian's Chromium, against the tool: for each capture in DATA, its prefixes (detected and given)
// and each text with a byte left out, and each decode and encode from standard input in the tool's cases (tool_cases.txt), the page
// shows what dstypes prints (JSON, compact JSON, XML, the message with its byte marked, what a receiver holds, notes); an
// edit saves what dstypes encode writes; no request leaves the page. Usage: node viewer_test.mjs PAGE DSTYPES TESTS [PNG]
import {chromium} from 'playwright-core';
import {execFile, execFileSync} from 'node:child_process';
import fs from 'node:fs';
import {pathToFileURL} from 'node:url';

const [page, tool, tests, screenshot] = process.argv.slice(2), url = pathToFileURL(page).href, requests = [];
let passed = 0, failed = 0;
const check = (ok, what) => ok ? ++passed : (++failed, console.log(`FAIL: ${what}`));
const dstypes = (args, input) => new Promise((resolve) => execFile(tool, args, {encoding: 'buffer', maxBuffer: 1 << 26}, (e, out, err) =>
  resolve({code: e ? e.code : 0, out: out.toString(), err: err.toString().replace(/^dstypes: (standard input: )?/gm, '').trim()})).stdin.end(input));
const files = fs.readdirSync(`${tests}/data`).filter((f) => f.endsWith('.txt')).map((f) => [f.slice(0, -4), fs.readFileSync(`${tests}/data/${f}`)]);
const cases = files.flatMap(([kind, text]) => [...text, 0].flatMap((_, i) => [[text.subarray(0, i), ''], [text.subarray(0, i), kind],
  [Buffer.concat([text.subarray(0, i), text.subarray(i + 1)]), '']])), encodes = [];
for (const row of fs.readFileSync(`${tests}/tool_cases.txt`, 'utf8').split('\n').filter((r) => r && !r.startsWith('#'))) {
  const [, , , format, args] = row.split('|'), [command, ...words] = args.split(' '), as = /--as (\S+)/.exec(args)?.[1];
  const input = execFileSync('bash', ['-c', 'printf "$1"', '-', format], {maxBuffer: 1 << 26});
  if (/^decode (--(as [a-z-]+|lenient|compact|xml) )*-$/.test(args) && (!as || files.some(([k]) => k === as))) cases.push([input, as || '']);
  if (command === 'encode' && words[1] === '-') encodes.push([words[0], input.toString()]);
}

const profile = fs.mkdtempSync('/tmp/viewer-test-'), browser = await chromium.launchPersistentContext(profile, {executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync']});
browser.on('request', (r) => r.url() !== url && requests.push(r.url()));
const tab = browser.pages()[0];
tab.on('pageerror', (e) => check(false, `error on the page: ${e.message}`));
await tab.setViewportSize({width: 1280, height: 900});
await tab.goto(url);
await tab.evaluate(() => dstypes.ready);
// What the page shows for a capture it is given (bytes as a Latin-1 string).
const shown = (bytes, as) => tab.evaluate(([latin1, as]) => {
  const bytes = Uint8Array.from(latin1, (c) => c.charCodeAt(0)), $ = (id) => document.getElementById(id), text = (id) => $(id).textContent;
  dstypes.show(bytes, as);
  const mark = $('fault').hidden ? null : $('marked').querySelector('mark'), compact = (() => { try { return dstypes.decode(bytes, {as}); } catch (e) { return e.message; } })();
  return {json: text('json'), compact, xml: text('xml'), notes: [...$('notes').children].map((li) => li.textContent).join('\n'),
    message: $('fault').hidden ? '' : text('message'), mark: mark && [Number(mark.dataset.byte), mark.textContent]};
}, [bytes.toString('latin1'), as]);

const byteName = (b) => b >= 0x20 && b < 0x7F && b !== 0x22 && b !== 0x5C ? String.fromCharCode(b) : '\\x' + b.toString(16).padStart(2, '0');
for (const [input, as] of cases) {
  const args = as ? ['--as', as, '-'] : ['-'], decode = (option) => dstypes(['decode', option, ...args].filter(Boolean), input);
  const [got, strict, compact, xml, lenient] = await Promise.all([shown(input, as), decode(''), decode('--compact'), decode('--xml'), decode('--lenient')]);
  const receiver = strict.code ? lenient : strict, at = Number((/^bad \S+ text .* at byte (\d+): /.exec(strict.err) || [])[1]);
  const expected = {json: receiver.out, compact: compact.code ? compact.err : compact.out, xml: xml.code ? xml.err.split('\n').at(-1) : xml.out,
    notes: receiver.err, message: strict.code ? strict.err : '', mark: strict.code ? [at, at < input.length ? byteName(input[at]) : 'end'] : null};
  const wrong = Object.keys(expected).filter((k) => JSON.stringify(got[k]) !== JSON.stringify(expected[k]));
  check(!wrong.length, `${JSON.stringify(input.toString('latin1').slice(0, 80))} ${as}: ${wrong.map((k) => `${k} ${JSON.stringify(got[k])}, not ${JSON.stringify(expected[k])}`)}`);
}
for (const [kind, json] of encodes) {
  const [got, native] = await Promise.all([tab.evaluate(([k, j]) => { try { return dstypes.encode(k, j); } catch (e) { return e.message; } }, [kind, json]), dstypes(['encode', kind, '-'], json)]);
  check(got === (native.code ? native.err : native.out), `encode ${kind}: ${got.slice(0, 200)}`);
}
for (const [kind, text] of files) {  // edit the first and the last field of each table, then save the text
  const doc = JSON.parse((await dstypes(['decode', '--as', kind, '-'], text)).out);
  await shown(text, kind);
  for (const input of [tab.locator('#table input').first(), tab.locator('#table input').last()]) {
    const numeric = await input.getAttribute('inputmode'), path = (await input.getAttribute('data-path')).split('/').slice(1), key = path.pop();
    path.reduce((o, k) => o[k], doc)[key] = numeric ? -7 : 'Edited ✓ \\x';
    await input.fill(numeric ? '-7' : 'Edited ✓ \\x');
  }
  const [download] = await Promise.all([tab.waitForEvent('download'), tab.click('#save')]);
  const saved = fs.readFileSync(await download.path()), native = execFileSync(tool, ['encode', kind, '-'], {input: JSON.stringify(doc)});
  check(saved.equals(native), `edited ${kind}: saved ${JSON.stringify(saved.toString())}, not ${JSON.stringify(native.toString())}`);
}
if (screenshot) {  // a decoded table, on a page fresh from its file
  await tab.reload();
  await tab.evaluate(() => dstypes.ready).then(() => shown(files.find(([k]) => k === 'group-list')[1], ''));
  await tab.screenshot({path: screenshot});
}
await browser.close();
fs.rmSync(profile, {recursive: true});
check(!requests.length, `requests left the page: ${requests}`);
console.log(`page ${fs.statSync(page).size} bytes; ${cases.length} captures, ${encodes.length} encodings, ${files.length} edits`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
