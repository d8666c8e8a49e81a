// What the page's test and benchmark share: a local server for the page's folder, and
// Debian's Chromium started headless, as offline as it can be.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

// Serves `folder` on 127.0.0.1; every path asked for is pushed onto `requested`.
export async function serveFolder(folder, requested = []) {
    const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm'};
    const server = http.createServer((req, res) => {
        requested.push(req.url);
        let file = path.join(folder, decodeURIComponent(new URL(req.url, 'http://x').pathname));
        if (file.startsWith(folder) && fs.existsSync(file) && fs.statSync(file).isDirectory())
            file = path.join(file, 'index.html');
        if (!file.startsWith(folder) || !fs.existsSync(file)) {
            res.writeHead(404).end();
            return;
        }
        res.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
        fs.createReadStream(file).pipe(res);
    });
    await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
    return {server, origin: 'http://127.0.0.1:' + server.address().port};
}

export function startBrowser(profile) {
    return puppeteer.launch({
        executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
        headless: true,
        userDataDir: profile,
        protocolTimeout: 600000,
        // No sandbox: CI runs as root. The rest keeps Chromium from calling home.
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
               '--disable-component-update', '--disable-sync'],
    });
}

// Opens the page at `url` and waits until its converter is ready.
export async function openPage(browser, url, onRequest) {
    const page = await browser.newPage();
    if (onRequest) page.on('request', request => onRequest(request.url()));
    await page.setViewport({width: 900, height: 1400});
    await page.goto(url, {waitUntil: 'load', timeout: 60000});
    await page.waitForFunction(() => document.getElementById('status').textContent === 'Ready.', {timeout: 60000});
    return page;
}
