// The browser page in headless Chromium, driven through puppeteer-core: documents given
// to it are converted, and what it offers for download is byte for byte what the native
// command line writes of the same documents, in both modes. A damaged file gets its line
// and the next still converts, a Word 97-2003 document gets its message, and the page
// makes no request beyond its own folder.
//   node page_test.mjs PAGE_FOLDER SINGLE_FILE.html NATIVE_CONVERTER WORK_FOLDER
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {openPage, serveFolder, startBrowser} from './browser.mjs';

const [pageFolder, singleFile, converter, work] = process.argv.slice(2).map(p => path.resolve(p));
const here = path.dirname(new URL(import.meta.url).pathname);
const repo = path.resolve(here, '../..');
const deadline = setTimeout(() => {
    console.error('FAIL: the browser test ran past its deadline (5 minutes)');
    process.exit(2);
}, 5 * 60 * 1000);

let failures = 0;
function check(ok, what) {
    console.log((ok ? 'ok   ' : 'FAIL ') + what);
    if (!ok) ++failures;
}

// ---- the documents ----
fs.rmSync(work, {recursive: true, force: true});
const inputs = path.join(work, 'in');
fs.mkdirSync(inputs, {recursive: true});
function place(from, name) {
    const to = path.join(inputs, name);
    fs.copyFileSync(from, to);
    return to;
}
const corpus = path.resolve(repo, '../shared/corpus');
const peers = fs.existsSync(corpus) && !process.env.TOLVARIN_NO_PEER_CORPUS
    ? [path.join(corpus, 'pandoc/formatting.rtf'), path.join(corpus, 'libreoffice/fdo49666.rtf')]
    : [path.join(repo, 'tests/data/word_style.rtf'), path.join(repo, 'tests/data/libreoffice_style.rtf')];
const office = path.join(repo, 'tests/data/office');
const letterDocx = fs.readFileSync(path.join(office, 'letter.docx'));
fs.writeFileSync(path.join(inputs, 'damaged.docx'), letterDocx.subarray(0, Math.floor(letterDocx.length / 2)));
fs.writeFileSync(path.join(inputs, 'old.doc'),
                 Buffer.concat([Buffer.from([0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1]), Buffer.alloc(2040)]));
const files = [
    place(path.join(repo, "samples/letter.rtf"), "letter.rtf"),
    place(path.join(office, 'letter.docx'), 'letter.docx'),
    path.join(inputs, 'damaged.docx'),
    place(path.join(office, 'letter.odt'), 'letter.odt'),
    place(peers[0], 'peer-' + path.basename(peers[0])),
    place(peers[1], 'peer-' + path.basename(peers[1])),
    path.join(inputs, 'old.doc'),
    ...['letter.pptx', 'letter.xlsx', 'letter.odp', 'letter.ods'].map(name => place(path.join(office, name), name)),
];
const good = files.filter(f => !/damaged|old\.doc/.test(f));

// What the command line makes of `input`: its bytes, or its error line.
function native(input, args) {
    const out = path.join(work, 'native', args.join('_').replace(/[^A-Za-z0-9]+/g, '-'), path.basename(input));
    fs.mkdirSync(path.dirname(out), {recursive: true});
    try {
        execFileSync(converter, ['-q', ...args, '-o', out, input], {stdio: ['ignore', 'ignore', 'pipe']});
        return {bytes: fs.readFileSync(out)};
    } catch (e) {
        return {error: String(e.stderr).trim().replace(/^[^:]*: [^:]*: /, '')};
    }
}

// ---- a server for the page's folder, and the browser ----
const requested = [];
const {server, origin} = await serveFolder(pageFolder, requested);
const browser = await startBrowser(path.join(work, 'profile'));
const seen = [];  // every request the browser made, from its own log
browser.on('targetcreated', async target => {
    const session = await target.createCDPSession().catch(() => null);
    if (!session) return;
    session.on('Network.requestWillBeSent', event => seen.push(event.request.url));
    await session.send('Network.enable').catch(() => {});
});

// Downloads finished, by the name the page gave them: the file's path (Chromium names it
// by its id, so a download is read only once it is complete).
const finished = new Map();

async function openWithDownloads(url, downloads) {
    fs.mkdirSync(downloads, {recursive: true});
    const page = await openPage(browser, url, request => seen.push(request));
    page.on('pageerror', error => check(false, 'the page raised no error: ' + error.message));
    const session = await page.createCDPSession();
    const named = new Map();
    session.on('Browser.downloadWillBegin', event => named.set(event.guid, event.suggestedFilename));
    session.on('Browser.downloadProgress', event => {
        if (event.state === 'completed') finished.set(named.get(event.guid), path.join(downloads, event.guid));
        if (event.state === 'canceled') finished.set(named.get(event.guid), null);
    });
    await session.send('Browser.setDownloadBehavior',
                       {behavior: 'allowAndName', downloadPath: downloads, eventsEnabled: true});
    return page;
}

// Clicks the link `selector` as a person does (the mouse, on the link) and returns what
// it downloads: the first click must start it, however soon after the last download.
async function download(page, selector) {
    const name = await page.$eval(selector, a => a.download);
    await page.click(selector);
    return waitForDownload(name, 60000);
}

async function waitForDownload(name, wait) {
    const until = Date.now() + wait;
    while (Date.now() < until) {
        if (finished.has(name)) {
            const file = finished.get(name);
            finished.delete(name);
            return file ? fs.readFileSync(file) : null;
        }
        await new Promise(r => setTimeout(r, 50));
    }
    return null;
}

// Converts everything on the page in the mode given; returns each document's line and
// download (by input name).
async function convertAll(page, mode, downloads, font) {
    if (font) await page.select('#legacy-font', font);
    await page.click(`input[value=${mode}]`);
    await page.click('#convert');
    await page.waitForFunction(() => /converted/.test(document.getElementById('status').textContent) &&
                                     !document.getElementById('convert').disabled, {timeout: 120000});
    const items = await page.$$eval('#list .file', list => list.map(li => ({
        name: li.querySelector('.name').textContent.replace(/ \([0-9.]+ [KM]B\)$/, ''),
        line: li.querySelector('.line').textContent,
        download: li.querySelector('.download').hidden ? null : li.querySelector('.download a').download,
    })));
    finished.clear();
    const result = {};
    for (const [i, item] of items.entries()) {
        result[item.name] = {line: item.line, bytes: null};
        if (!item.download) continue;
        result[item.name].bytes = await download(page, `#list .file:nth-child(${i + 1}) .download a`);
    }
    if (await page.$('#all a')) result['(all)'] = {bytes: await download(page, '#all a')};
    return result;
}

function zipMembers(zip) {
    const file = path.join(work, 'all.zip');
    fs.writeFileSync(file, zip);
    const listing = execFileSync('python3', ['-c', `
import sys, zipfile, base64, json
z = zipfile.ZipFile(sys.argv[1])
assert z.testzip() is None
print(json.dumps({i.filename: base64.b64encode(z.read(i)).decode() for i in z.infolist()}))`, file]);
    return Object.fromEntries(Object.entries(JSON.parse(listing)).map(([k, v]) => [k, Buffer.from(v, 'base64')]));
}

function compare(results, args, mode) {
    for (const input of good) {
        const name = path.basename(input);
        const mine = results[name];
        const theirs = native(input, args);
        check(mine && mine.bytes && theirs.bytes && Buffer.compare(mine.bytes, theirs.bytes) === 0,
              `${mode}: ${name} downloads as the command line writes it (${mine && mine.line})` + (mine && mine.bytes ? '' : ' [no download]'));
    }
    const damaged = native(path.join(inputs, 'damaged.docx'), args);
    check(results['damaged.docx'].line === 'damaged.docx: ' + damaged.error && !results['damaged.docx'].bytes,
          `${mode}: damaged.docx says what the command line says (${results['damaged.docx'].line})`);
    check(results['old.doc'].line === 'old.doc: Word 97-2003 documents need the desktop program',
          `${mode}: old.doc says it needs the desktop program`);
    const all = results['(all)'];
    check(all && all.bytes, `${mode}: one zip of all the converted documents is offered`);
    if (all && all.bytes) {
        const members = zipMembers(all.bytes);
        const expected = good.map(f => results[path.basename(f)]).filter(r => r && r.bytes);
        check(Object.keys(members).length === good.length &&
              expected.every(r => Object.values(members).some(m => Buffer.compare(m, r.bytes) === 0)),
              `${mode}: the zip holds each converted document as downloaded (${Object.keys(members).join(', ')})`);
    }
}

try {
    // The folder, served.
    const downloads = path.join(work, 'downloads');
    let page = await openWithDownloads(origin + '/', downloads);
    const input = await page.$('#files');
    await input.uploadFile(...files);
    await page.waitForFunction(n => [...document.querySelectorAll('#list .state')].filter(s => s.textContent &&
                               !/Reading/.test(s.textContent)).length === n, {timeout: 60000}, files.length);
    const letter = await page.$eval('#list .file:nth-child(1)', li => ({
        is: li.querySelector('tbody tr td:nth-child(3)').textContent,
        sample: li.querySelector('tbody tr td:nth-child(4)').textContent,
    }));
    check(letter.is === 'PANCHARI' && /[\u0D00-\u0D7F]{5}/.test(letter.sample),
          `letter.rtf shows its font PANCHARI with a sample in Malayalam (${letter.sample})`);

    compare(await convertAll(page, 'revathi', downloads), [], 'ML-TTRevathi');
    compare(await convertAll(page, 'unicode', downloads), ['--unicode'], 'Unicode');
    compare(await convertAll(page, 'font', downloads, 'ML-TTKarthika'), ['--to', 'ML-TTKarthika'], 'ML-TTKarthika');
    fs.mkdirSync(path.join(work, '..'), {recursive: true});
    const screenshot = path.join(path.dirname(work), 'web-page-after-conversion.png');
    await page.screenshot({path: screenshot, fullPage: true});
    check(fs.existsSync(screenshot), 'a screenshot of the page after converting: ' + screenshot);

    // A font of another name said to be PANCHARI, as --legacy-font says it.
    const peer = path.basename(files[4]);
    const font = await page.$eval('#list .file:nth-child(5) select', select => select.closest('tr').cells[0].textContent);
    await page.select('#list .file:nth-child(5) select', 'PANCHARI');
    await page.waitForFunction(() => document.querySelector('#list .file:nth-child(5) .state').textContent.startsWith('Text in'),
                               {timeout: 60000});
    const named = await convertAll(page, 'unicode', downloads);
    const theirs = native(files[4], ['--unicode', '--legacy-font', font + '=PANCHARI']);
    check(named[peer].bytes && Buffer.compare(named[peer].bytes, theirs.bytes) === 0,
          `the font "${font}" of ${peer} named PANCHARI converts as --legacy-font converts it (${named[peer].line})`);

    // The licence and the libraries' notices travel with the page.
    const carried = await page.evaluate(() => ({
        licence: document.getElementById('licence').textContent,
        notices: document.getElementById('notices').textContent,
    }));
    check(carried.licence.includes('GNU GENERAL PUBLIC LICENSE') && carried.licence.includes('Version 3') &&
          ['libzip', 'Expat', 'zlib', 'libdeflate', 'Emscripten'].every(l => carried.notices.includes(l)) &&
          fs.existsSync(path.join(pageFolder, 'LICENSE.txt')) && fs.existsSync(path.join(pageFolder, 'NOTICES.txt')),
          'the page carries the GPL and the notices of its libraries, and its folder holds them too');

    // The encodings come from the engine: the lead sentence and each font's choice list them all.
    const listed = await page.$eval('#encodings', span => span.textContent);
    const choices = await page.$$eval('#list .file:nth-child(5) select option', options => options.map(o => o.value));
    check(/PANCHARI, ML-TT, Matweb/.test(listed) && choices.includes('Matweb') && choices.includes('Chowara'),
          `the page lists the engine's encodings (${listed}; the choice: ${choices.join(', ')})`);

    // Legacy text whose font name was lost: the letter's ML-TTRevathi codes set in Calibri.
    const lost = path.join(inputs, 'lost.rtf');
    fs.writeFileSync(lost, native(files[0], []).bytes.toString('latin1').replace(/ML-TTRevathi|Arial/g, 'Calibri'), 'latin1');
    await page.click('#clear');
    await (await page.$('#files')).uploadFile(lost);
    await page.waitForFunction(() => /reads as/.test(document.querySelector('#list .file .state').textContent), {timeout: 60000});
    const finding = await page.$eval('#list .file', li => ({
        is: li.querySelector('tbody tr td:nth-child(3)').textContent,
        sample: li.querySelector('tbody tr td:nth-child(4)').textContent,
    }));
    check(/[0-9,]+ of its characters read as ML-TT/.test(finding.is) && /[\u0D00-\u0D7F]{5}/.test(finding.sample),
          `text in Calibri is shown to read as ML-TT, with its sample in Malayalam (${finding.is}: ${finding.sample})`);
    const plain = await convertAll(page, 'unicode', downloads);
    check(Buffer.compare(plain['lost.rtf'].bytes, fs.readFileSync(lost)) === 0,
          'without the choice, the found text is left as it was (' + plain['lost.rtf'].line + ')');
    if (!await page.$eval('#detect', box => box.checked)) await page.click('#detect');
    const detected = await convertAll(page, 'unicode', downloads);
    check(Buffer.compare(detected['lost.rtf'].bytes, native(lost, ['--unicode', '--detect']).bytes) === 0,
          'with the choice, the found text converts as --unicode --detect converts it (' + detected['lost.rtf'].line + ')');
    await page.click('#detect');

    // A PDF: this build cannot read one, and says which can.
    const pdf = path.join(inputs, 'roll.pdf');
    fs.copyFileSync(path.join(repo, 'tests/data/pdf/two_pages.pdf'), pdf);
    await page.click('#clear');
    await (await page.$('#files')).uploadFile(pdf);
    await page.waitForFunction(() => /Cannot be converted/.test(document.querySelector('#list .file .state').textContent),
                               {timeout: 60000});
    const pdfState = await page.$eval('#list .file .state', s => s.textContent);
    check(/PDF.*the Linux build converts them to Unicode text/.test(pdfState), 'a PDF is refused, saying which build converts it: ' + pdfState);

    // By keyboard alone: Tab reaches each control in order, and Enter on Convert converts.
    await page.bringToFront();
    await page.evaluate(() => window.scrollTo(0, 0));
    await page.click('h1');
    const order = [];
    for (let i = 0; i < 8; ++i) {
        await page.keyboard.press('Tab');
        order.push(await page.evaluate(() => document.activeElement.id || document.activeElement.name || document.activeElement.tagName));
    }
    const wanted = ['files', 'mode', 'unicode-font', 'legacy-font', 'convert'];
    check(wanted.every((id, i) => order.indexOf(id) >= 0 && (i === 0 || order.indexOf(id) > order.indexOf(wanted[i - 1]))),
          'Tab goes through the controls in order: ' + order.join(', '));
    await page.focus('#convert');
    await page.evaluate(() => { document.getElementById('status').textContent = ''; });
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => /converted/.test(document.getElementById('status').textContent), {timeout: 120000});
    check(true, 'Enter on Convert converts');

    // 320 px wide and in the browser's dark mode: nothing wider than the screen, light text on dark.
    await page.setViewport({width: 320, height: 900});
    await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: 'dark'}]);
    const narrow = await page.evaluate(() => ({
        width: document.documentElement.scrollWidth,
        back: getComputedStyle(document.body).backgroundColor,
        text: getComputedStyle(document.body).color,
    }));
    const light = colour => colour.match(/\d+/g).slice(0, 3).reduce((a, b) => a + Number(b), 0);
    check(narrow.width <= 320, `at 320 px nothing is wider than the screen (${narrow.width} px)`);
    check(light(narrow.back) < 150 && light(narrow.text) > 500, `dark mode: ${narrow.text} on ${narrow.back}`);
    await page.screenshot({path: path.join(path.dirname(work), 'web-page-320px-dark.png'), fullPage: true});
    await page.emulateMediaFeatures([]);
    await page.setViewport({width: 900, height: 1400});

    // The mode is remembered.
    await page.reload({waitUntil: 'load'});
    check(await page.$eval('input[value=unicode]', r => r.checked), 'the mode chosen is remembered');
    await page.waitForFunction(() => document.getElementById('legacy-font').options.length > 100, {timeout: 60000});
    check(await page.$eval('#legacy-font', s => s.value) === 'ML-TTKarthika' &&
          await page.$eval('#legacy-font', s => [...s.options].slice(0, 3).map(o => o.value).join()) === 'ML-TTKarthika,ML-TTNandini,PANCHARI',
          'the legacy fonts are listed, the common ones first, and the one chosen is remembered');
    // The text pane against the command line: Unicode typed in shows the codes --to writes
    // of the same text, and those codes typed in read as --from reads them.
    const typed = 'കേരളം സ്ത്രീ ഐശ്വര്യം';
    fs.writeFileSync(path.join(work, 'typed.txt'), typed);
    const codes = new TextDecoder('windows-1252').decode(native(path.join(work, 'typed.txt'), ['--to', 'ML-TTKarthika']).bytes);
    await page.select('#text-font', 'ML-TTKarthika');
    await page.type('#text-unicode', typed);
    const paneShows = (box, want) => page.waitForFunction((id, text) => document.getElementById(id).value === text,
                                                          {timeout: 20000}, box, want).then(() => true, () => false);
    check(await paneShows('text-codes', codes), `the text pane shows the codes --to writes (${codes})`);
    await page.$eval('#text-codes', box => { box.value = ''; });
    await page.$eval('#text-unicode', box => { box.value = ''; });
    await page.type('#text-codes', codes);
    check(await paneShows('text-unicode', typed), 'codes typed in the text pane read as the command line reads them');

    await (await page.$('#files')).uploadFile(files[0]);
    await page.waitForFunction(() => !document.getElementById('convert').disabled, {timeout: 60000});
    await page.click('#clear');
    check(await page.$eval('#list', l => l.children.length === 0) && await page.$eval('#convert', b => b.disabled),
          'Clear the list empties it');
    await page.close();

    // The single file, opened from disk.
    const singleDownloads = path.join(work, 'downloads-single');
    page = await openWithDownloads('file://' + singleFile, singleDownloads);
    await (await page.$('#files')).uploadFile(files[0], files[1]);
    await page.waitForFunction(() => [...document.querySelectorAll('#list .state')].every(s => /Text in/.test(s.textContent)) &&
                               document.querySelectorAll('#list .state').length === 2, {timeout: 60000});
    check((await page.$eval('#licence', p => p.textContent)).includes('GNU GENERAL PUBLIC LICENSE') &&
          (await page.$eval('#notices', p => p.textContent)).includes('libdeflate'),
          'the single file carries the GPL and the notices of its libraries');
    const single = await convertAll(page, 'revathi', singleDownloads);
    for (const f of [files[0], files[1]]) {
        const name = path.basename(f);
        check(single[name].bytes && Buffer.compare(single[name].bytes, native(f, []).bytes) === 0,
              `the single file, from disk: ${name} downloads as the command line writes it`);
    }
    await page.close();

    const foreign = seen.filter(url => !url.startsWith(origin + '/') && !url.startsWith('blob:') &&
                                       !url.startsWith('data:') && url !== 'file://' + singleFile && url !== 'about:blank');
    check(seen.length > 0 && foreign.length === 0,
          `no request beyond the page's own folder (${seen.length} requests seen${foreign.length ? ': ' + foreign.join(' ') : ''})`);
    check(requested.every(url => ['/', '/page.css', '/page.js', '/worker.js', '/tolvarin.wasm', '/favicon.ico'].includes(url)),
          'the server was asked only for the page\'s own files: ' + [...new Set(requested)].join(' '));
} catch (e) {
    check(false, 'the test ran through: ' + (e.stack || e));
} finally {
    await browser.close();
    server.close();
    clearTimeout(deadline);
}
console.log(failures ? `${failures} checks failed` : 'all checks passed');
process.exit(failures ? 1 : 0);
