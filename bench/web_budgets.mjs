// The browser page's budgets, measured (not a test): its size gzipped; in headless
// Chromium, the engine's time on the generated 10 MB RTF and DOCX in both modes against
// the native engine's for the same call (bench/convert_call), and the WebAssembly memory
// each needs; with --huge MB, that a DOCX too big for the browser's memory gets the
// engine's "not enough memory" line and the page goes on converting.
//   node bench/web_budgets.mjs PAGE_FOLDER NATIVE_BIN_FOLDER [--huge MB]
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import {openPage, serveFolder, startBrowser} from '../tests/web/browser.mjs';

const [pageFolder, bin] = process.argv.slice(2, 4).map(p => path.resolve(p));
const hugeAt = process.argv.indexOf('--huge');
const hugeMegabytes = hugeAt > 0 ? Number(process.argv[hugeAt + 1]) : 0;
const runs = 5;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tolvarin-web-bench-'));

// Size: every file of the page, gzipped at level 9, as a server would send it.
let total = 0;
for (const name of fs.readdirSync(pageFolder)) {
    const size = zlib.gzipSync(fs.readFileSync(path.join(pageFolder, name)), {level: 9}).length;
    total += size;
    console.log(`${name}: ${fs.statSync(path.join(pageFolder, name)).size} bytes, ${size} gzipped`);
}
console.log(`the page in all: ${total} bytes gzipped (${(total / 1024).toFixed(0)} KB; budget 400 KB)`);

const documents = {
    'book.rtf': ['make_sample', path.join(work, 'book.rtf'), '10'],
    'book.docx': ['make_sample', '--docx', path.join(work, 'book.docx'), '10'],
};
for (const [, [tool, ...args]] of Object.entries(documents)) execFileSync(path.join(bin, tool), args);

function nativeBest(file, unicode, oneThread) {
    const out = execFileSync(path.join(bin, 'convert_call'),
                             [...(unicode ? ['--unicode'] : []), ...(oneThread ? ['--one-thread'] : []), file, String(runs)]);
    return Number(/best: ([0-9.]+) ms/.exec(out.toString())[1]);
}

const {server, origin} = await serveFolder(pageFolder);
const browser = await startBrowser(path.join(work, 'profile'));
const budgets = {'book.rtf': 1.5, 'book.docx': 2.5};
try {
    for (const name of Object.keys(documents)) {
        for (const unicode of [false, true]) {
            // A fresh page each time: its memory is what this document alone needed.
            const page = await openPage(browser, origin + '/');
            await page.click(unicode ? 'input[value=unicode]' : 'input[value=revathi]');
            await (await page.$('#files')).uploadFile(path.join(work, name));
            await page.waitForFunction(() => /Text in/.test(document.querySelector('#list .state').textContent),
                                       {timeout: 120000});
            const times = [];
            let memory = 0;
            for (let run = 0; run < runs; ++run) {
                await page.evaluate(() => { document.getElementById('status').textContent = ''; });
                await page.click('#convert');
                await page.waitForFunction(() => /converted/.test(document.getElementById('status').textContent),
                                           {timeout: 300000});
                const data = await page.$eval('#list .file', li => ({...li.dataset}));
                times.push(Number(data.elapsed));
                memory = Number(data.memory);
            }
            await page.close();
            const best = Math.min(...times);
            const native = nativeBest(path.join(work, name), unicode, false);
            const nativeOne = nativeBest(path.join(work, name), unicode, true);
            console.log(`${name} ${unicode ? 'Unicode' : 'ML-TTRevathi'}: Chromium best of ${runs} ${best.toFixed(1)} ms ` +
                        `(runs ${times.map(t => t.toFixed(0)).join(' ')}); native ${native.toFixed(1)} ms ` +
                        `(one thread ${nativeOne.toFixed(1)} ms); ${(best / native).toFixed(2)}x native ` +
                        `(budget ${budgets[name]}x); WebAssembly memory ${(memory / 1048576).toFixed(0)} MiB`);
        }
    }
    if (hugeMegabytes) {
        const huge = path.join(work, 'huge.docx');
        execFileSync(path.join(bin, 'make_sample'), ['--docx', huge, String(hugeMegabytes)]);
        const page = await openPage(browser, origin + '/');
        await page.click('input[value=unicode]');
        await (await page.$('#files')).uploadFile(huge, path.join(path.dirname(bin), '../samples/letter.rtf'));
        await page.waitForFunction(() => [...document.querySelectorAll('#list .state')].length === 2 &&
                                         [...document.querySelectorAll('#list .state')].every(s => /Text in|Cannot/.test(s.textContent)),
                                   {timeout: 600000});
        await page.click('#convert');
        await page.waitForFunction(() => /converted/.test(document.getElementById('status').textContent), {timeout: 600000});
        const lines = await page.$$eval('#list .file', ls => ls.map(l => l.querySelector('.line').textContent +
            (l.dataset.memory ? ` (WebAssembly memory then ${(l.dataset.memory / 1048576).toFixed(0)} MiB)` : '')));
        console.log(`a ${hugeMegabytes} MB DOCX to Unicode, then the letter:\n  ${lines.join('\n  ')}`);
        await page.close();
    }
} finally {
    await browser.close();
    server.close();
    fs.rmSync(work, {recursive: true, force: true});
}
