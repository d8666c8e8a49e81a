// The browser page in headless Chromium, driven through puppeteer-core: documents given
// to it are converted, and what it offers for download is byte for byte what the native
// command line writes of the same documents, in both modes. A damaged file gets its line
// and the next still converts, a Word 97-2003 document gets its message, and the page
// makes no request beyond its own folder.
//   node page_test.mjs PAGE_FOLDER SINGLE_FILE.html NATIVE_CONVERTER WORK_FOLDER
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

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
const peers = fs.existsSync(corpus)
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
const server = http.createServer((req, res) => {
    requested.push(req.url);
    const file = path.join(pageFolder, decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (!file.startsWith(pageFolder) || !fs.existsSync(file) || fs.statSync(file).isDirectory() && !fs.existsSync(path.join(file, 'index.html'))) {
        res.writeHead(404).end();
        return;
    }
    const target = fs.statSync(file).isDirectory() ? path.join(file, 'index.html') : file;
    const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm'};
    res.writeHead(200, {'Content-Type': types[path.extname(target)] || 'application/octet-stream'});
    fs.createReadStream(target).pipe(res);
});
await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
const origin = 'http://127.0.0.1:' + server.address().port;

const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: path.join(work, 'profile'),
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
});
const seen = [];  // every request the browser made, from its own log
browser.on('targetcreated', async target => {
    const session = await target.createCDPSession().catch(() => null);
    if (!session) return;
    session.on('Network.requestWillBeSent', event => seen.push(event.request.url));
    await session.send('Network.enable').catch(() => {});
});

async function openPage(url, downloads) {
    const page = await browser.newPage();
    page.on('request', request => seen.push(request.url()));
    page.on('pageerror', error => check(false, 'the page raised no error: ' + error.message));
    await page.setViewport({width: 900, height: 1400});
    const session = await page.createCDPSession();
    fs.mkdirSync(downloads, {recursive: true});
    await session.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads});
    await page.goto(url, {waitUntil: 'load', timeout: 60000});
    await page.waitForFunction(() => document.getElementById('status').textContent === 'Ready.', {timeout: 60000});
    return page;
}

async function waitForFile(file) {
    const until = Date.now() + 60000;
    while (Date.now() < until) {
        if (fs.existsSync(file) && !fs.existsSync(file + '.crdownload')) return fs.readFileSync(file);
        await new Promise(r => setTimeout(r, 100));
    }
    return null;
}

// Converts everything on the page in the mode given; returns each document's line and
// download (by input name).
async function convertAll(page, unicode, downloads) {
    await page.click(unicode ? 'input[value=unicode]' : 'input[value=revathi]');
    await page.click('#convert');
    await page.waitForFunction(() => /converted/.test(document.getElementById('status').textContent) &&
                                     !document.getElementById('convert').disabled, {timeout: 120000});
    const items = await page.$$eval('#list .file', list => list.map(li => ({
        name: li.querySelector('.name').textContent.replace(/ \([0-9.]+ [KM]B\)$/, ''),
        line: li.querySelector('.line').textContent,
        download: li.querySelector('.download').hidden ? null : li.querySelector('.download a').download,
    })));
    for (const f of fs.readdirSync(downloads)) fs.rmSync(path.join(downloads, f));
    const result = {};
    for (const [i, item] of items.entries()) {
        result[item.name] = {line: item.line, bytes: null};
        if (!item.download) continue;
        await page.click(`#list .file:nth-child(${i + 1}) .download a`);
        result[item.name].bytes = await waitForFile(path.join(downloads, item.download));
    }
    const all = await page.$('#all a');
    if (all) {
        const name = await page.$eval('#all a', a => a.download);
        await all.click();
        result['(all)'] = {bytes: await waitForFile(path.join(downloads, name)), name};
    }
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
              `${mode}: ${name} downloads as the command line writes it (${mine && mine.line})`);
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
    let page = await openPage(origin + '/', downloads);
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

    compare(await convertAll(page, false, downloads), [], 'ML-TTRevathi');
    compare(await convertAll(page, true, downloads), ['--unicode'], 'Unicode');
    fs.mkdirSync(path.join(work, '..'), {recursive: true});
    const screenshot = path.join(path.dirname(work), 'web-page-after-conversion.png');
    await page.screenshot({path: screenshot, fullPage: true});
    check(fs.existsSync(screenshot), 'a screenshot of the page after converting: ' + screenshot);

    // A font of another name said to be PANCHARI, as --legacy-font says it.
    const peer = path.basename(files[4]);
    const font = await page.$eval('#list .file:nth-child(5) tbody tr td', td => td.textContent);
    await page.select('#list .file:nth-child(5) select', 'PANCHARI');
    await page.waitForFunction(() => document.querySelector('#list .file:nth-child(5) .state').textContent.startsWith('Text in'),
                               {timeout: 60000});
    const named = await convertAll(page, true, downloads);
    const theirs = native(files[4], ['--unicode', '--legacy-font', font + '=PANCHARI']);
    check(named[peer].bytes && Buffer.compare(named[peer].bytes, theirs.bytes) === 0,
          `the font "${font}" of ${peer} named PANCHARI converts as --legacy-font converts it (${named[peer].line})`);

    // The mode is remembered.
    await page.reload({waitUntil: 'load'});
    check(await page.$eval('input[value=unicode]', r => r.checked), 'the mode chosen is remembered');
    await page.close();

    // The single file, opened from disk.
    const singleDownloads = path.join(work, 'downloads-single');
    page = await openPage('file://' + singleFile, singleDownloads);
    await (await page.$('#files')).uploadFile(files[0], files[1]);
    await page.waitForFunction(() => [...document.querySelectorAll('#list .state')].every(s => /Text in/.test(s.textContent)) &&
                               document.querySelectorAll('#list .state').length === 2, {timeout: 60000});
    const single = await convertAll(page, false, singleDownloads);
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
