// The page: documents chosen or dropped are read here, converted by the worker, and
// offered back as downloads. Nothing is sent anywhere.
'use strict';
(() => {
    const $ = id => document.getElementById(id);
    const kSampleLength = 60;
    const kMimeTypes = {
        rtf: 'application/rtf',
        docx: 'application/vnd.openxmlformats-officedocument.wordprocessingml.document',
        odt: 'application/vnd.oasis.opendocument.text',
        pptx: 'application/vnd.openxmlformats-officedocument.presentationml.presentation',
        xlsx: 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet',
        odp: 'application/vnd.oasis.opendocument.presentation',
        ods: 'application/vnd.oasis.opendocument.spreadsheet',
        txt: 'text/plain;charset=utf-8',
    };
    const documents = [];
    const namedFonts = new Map();  // font name -> the legacy font the user says it is
    let encodings = [];  // the legacy encodings the engine knows, once it has started
    let worker = null;
    let ready = null;
    let nextId = 1;
    const waiting = new Map();
    let busy = false;
    let generation = 0;  // a list cleared while files are read takes none of them

    // ---- settings, remembered ----
    function remembered(key, fallback) {
        try {
            return localStorage.getItem('tolvarin.' + key) ?? fallback;
        } catch (e) {
            return fallback;
        }
    }
    function remember(key, value) {
        try {
            localStorage.setItem('tolvarin.' + key, value);
        } catch (e) {
            // A browser that keeps nothing: the choice lasts as long as the page.
        }
    }
    function mode() {
        return document.querySelector('input[name=mode]:checked').value;
    }
    function unicodeMode() {
        return mode() === 'unicode';
    }
    // What a conversion writes in, by the engine's name for it.
    function target() {
        return mode() === 'unicode' ? 'unicode' : mode() === 'font' ? $('legacy-font').value : 'ML-TTRevathi';
    }
    // The legacy fonts to write in, once the engine has said them (ML-TTRevathi and Unicode
    // have their own choices).
    function fillLegacyFonts(targets) {
        const select = $('legacy-font');
        const chosen = remembered('legacyFont', 'ML-TTKarthika');
        select.textContent = '';
        for (const t of targets.slice(2)) select.add(new Option(t.caption, t.name, false, t.name === chosen));
        // The text pane's: ML-TTRevathi too.
        const pane = $('text-font');
        const paneFont = remembered('textFont', 'ML-TTKarthika');
        pane.textContent = '';
        for (const t of [targets[0], ...targets.slice(2)]) pane.add(new Option(t.caption, t.name, false, t.name === paneFont));
        pane.style.fontFamily = '';
        $('text-codes').style.fontFamily = '"' + pane.value + '", monospace';
    }
    // Found text converts only to Unicode.
    function updateDetect() {
        $('detect').disabled = !unicodeMode();
    }
    function restoreSettings() {
        const mode = remembered('mode', 'revathi');
        for (const radio of document.querySelectorAll('input[name=mode]')) radio.checked = radio.value === mode;
        $('unicode-font').value = remembered('unicodeFont', 'Noto Sans Malayalam');
        $('detect').checked = remembered('detect', 'false') === 'true';
        for (const radio of document.querySelectorAll('input[name=mode]'))
            radio.addEventListener('change', () => {
                remember('mode', radio.value);
                updateDetect();
            });
        $('detect').addEventListener('change', () => remember('detect', String($('detect').checked)));
        updateDetect();
        $('unicode-font').addEventListener('change', () => remember('unicodeFont', $('unicode-font').value.trim()));
        // Choosing a font chooses to write in one.
        $('legacy-font').addEventListener('change', () => {
            remember('legacyFont', $('legacy-font').value);
            const radio = document.querySelector('input[name=mode][value=font]');
            if (!radio.checked) {
                radio.checked = true;
                remember('mode', 'font');
                updateDetect();
            }
        });
    }

    // ---- the worker ----
    function base64Bytes(text) {
        const binary = atob(text.replace(/\s+/g, ''));
        const bytes = new Uint8Array(binary.length);
        for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
        return bytes.buffer;
    }
    async function startWorker() {
        const embedded = $('tolvarin-worker');
        let wasm;
        if (embedded) {
            // One self-contained file: the worker and the engine travel inside it.
            const blob = new Blob([embedded.textContent], {type: 'text/javascript'});
            worker = new Worker(URL.createObjectURL(blob));
            wasm = base64Bytes($('tolvarin-wasm').textContent);
        } else {
            worker = new Worker('worker.js');
            const response = await fetch('tolvarin.wasm');
            if (!response.ok) throw new Error('tolvarin.wasm could not be read (' + response.status + ')');
            wasm = await response.arrayBuffer();
        }
        worker.onmessage = event => {
            const message = event.data;
            if (message.type === 'progress') {
                const waiter = waiting.get(message.id);
                if (waiter && waiter.onProgress) waiter.onProgress(message.written);
            } else if (message.type === 'done') {
                const waiter = waiting.get(message.id);
                waiting.delete(message.id);
                if (waiter) waiter.resolve(message.answer);
            }
        };
        await new Promise((resolve, reject) => {
            worker.addEventListener('message', function started(event) {
                if (event.data.type === 'ready') resolve();
                else if (event.data.type === 'failed') reject(new Error(event.data.error));
                else return;
                worker.removeEventListener('message', started);
            });
            worker.onerror = event => reject(new Error(event.message || 'the converter could not start'));
            worker.postMessage({type: 'start', wasm}, [wasm]);
        });
    }
    function call(message, onProgress) {
        const id = nextId++;
        return ready.then(() => new Promise(resolve => {
            waiting.set(id, {resolve, onProgress});
            worker.postMessage({...message, id});
        }));
    }

    // ---- documents ----
    function megabytes(n) {
        if (n < 1048576) return Math.max(1, Math.round(n / 1024)) + ' KB';
        return (n / 1048576).toFixed(n < 10485760 ? 1 : 0) + ' MB';
    }
    function setStatus(text) {
        $('status').textContent = text;
    }
    function updateConvertButton() {
        $('convert').disabled = busy || !documents.some(d => d.bytes);
        $('clear').disabled = busy || documents.length === 0;
    }

    function clearList() {
        ++generation;
        freeOutputs();
        documents.length = 0;
        $('list').textContent = '';
        setStatus('Ready.');
        updateConvertButton();
    }

    function showFonts(doc) {
        const table = doc.element.querySelector('.fonts');
        const body = table.querySelector('tbody');
        body.textContent = '';
        const fonts = doc.inspected.fonts;
        table.hidden = fonts.length === 0;
        for (const font of fonts) {
            const row = body.insertRow();
            row.insertCell().textContent = font.name || '(no font)';
            row.insertCell().textContent = font.characters.toLocaleString('en');
            const is = row.insertCell();
            if (font.legacy && !namedFonts.has(font.name)) {
                is.textContent = font.legacy + (font.encoding && font.encoding !== font.legacy
                                                ? ' (' + font.encoding + ' encoding)' : '');
            } else if (font.name) {
                const select = document.createElement('select');
                select.setAttribute('aria-label', 'What the font ' + font.name + ' is');
                for (const [value, label] of [['', 'not a legacy font'], ...encodings.map(e => [e, e])]) {
                    const option = new Option(label, value);
                    option.selected = (namedFonts.get(font.name) || '') === value;
                    select.add(option);
                }
                select.addEventListener('change', () => nameFont(font.name, select.value));
                is.appendChild(select);
                if (font.found) {
                    const found = is.appendChild(document.createElement('span'));
                    found.className = 'found';
                    found.textContent = ' ' + font.foundCharacters.toLocaleString('en') + ' of its characters read as ' +
                                        font.found;
                }
            } else {
                is.textContent = 'not a legacy font';
            }
            const sample = row.insertCell();
            const malayalam = font.legacy || font.found;
            sample.className = malayalam ? 'sample' : '';
            if (malayalam) sample.lang = 'ml';
            sample.textContent = font.found ? font.foundSample : font.sample;
            // On a narrow screen the cells stack, each saying what it is.
            for (const [i, label] of ['Font', 'Characters', 'Is', 'Its text begins'].entries())
                row.cells[i].dataset.label = label;
        }
        const legacy = fonts.filter(f => f.legacy).map(f => f.legacy);
        const found = fonts.filter(f => f.found && !f.legacy);
        const foundLine = found.length === 0 ? ''
            : ' Text in ' + found.map(f => f.name).join(' and ') + ' reads as ' + [...new Set(found.map(f => f.found))].join(' and ') +
              ': convert to Unicode Malayalam with \u201cand text found in ordinary fonts\u201d ticked to convert it.';
        doc.element.querySelector('.state').textContent = fonts.length === 0 ? 'No text.'
            : legacy.length ? 'Text in ' + [...new Set(legacy)].join(' and ') + ' to convert.' + foundLine
            : found.length ? foundLine.trim()
            : 'No text in a legacy font was found; if one of these fonts is in a legacy encoding under another name, say which.';
    }

    async function inspect(doc) {
        const answer = await call({type: 'inspect', bytes: doc.bytes, sampleLength: kSampleLength});
        doc.inspected = answer;
        if (!answer.ok) {
            doc.element.querySelector('.state').textContent = 'Cannot be converted: ' + answer.error;
            doc.element.querySelector('.fonts').hidden = true;
            return;
        }
        showFonts(doc);
    }

    // Text in `font` is in the legacy font `legacy` (empty: in none), for every document.
    async function nameFont(font, legacy) {
        if (legacy) namedFonts.set(font, legacy);
        else namedFonts.delete(font);
        await call({type: 'nameFont', font: '', legacy: ''});  // forgets every name given so
        for (const [name, is] of namedFonts) await call({type: 'nameFont', font: name, legacy: is});
        for (const doc of documents) if (doc.bytes) await inspect(doc);
    }

    async function addFiles(files) {
        const started = generation;
        for (const file of files) {
            if (generation !== started) return;
            const element = $('file-template').content.firstElementChild.cloneNode(true);
            element.querySelector('.name').textContent = file.name + ' (' + megabytes(file.size) + ')';
            element.querySelector('.state').textContent = 'Reading…';
            $('list').appendChild(element);
            const doc = {name: file.name, element, bytes: null, output: null};
            documents.push(doc);
            updateConvertButton();
            try {
                doc.bytes = new Uint8Array(await file.arrayBuffer());
            } catch (e) {
                element.querySelector('.state').textContent = 'Cannot be read: ' + (e.message || e);
                continue;
            }
            updateConvertButton();
            await inspect(doc);
        }
    }

    function freeOutputs() {
        for (const doc of documents) if (doc.url) URL.revokeObjectURL(doc.url);
        const all = $('all').querySelector('a');
        if (all) URL.revokeObjectURL(all.href);
        $('all').hidden = true;
        $('all').textContent = '';
    }

    // A name not yet in `taken`, as the command line gives a second file of one name.
    function freeName(name, taken) {
        if (!taken.has(name)) return name;
        const dot = name.lastIndexOf('.');
        const stem = dot > 0 ? name.slice(0, dot) : name, extension = dot > 0 ? name.slice(dot) : '';
        for (let n = 2;; ++n) {
            const candidate = stem + ' (' + n + ')' + extension;
            if (!taken.has(candidate)) return candidate;
        }
    }

    function offer(link, blob, name) {
        link.href = URL.createObjectURL(blob);
        link.download = name;
        link.textContent = 'Download ' + name;
        return link.href;
    }

    async function convertAll() {
        busy = true;
        updateConvertButton();
        freeOutputs();
        const unicode = unicodeMode();
        const writeIn = target();
        const detect = unicode && $('detect').checked;
        const unicodeFont = $('unicode-font').value.trim() || 'Noto Sans Malayalam';
        const todo = documents.filter(d => d.bytes);
        const progress = $('progress');
        progress.hidden = false;
        progress.max = todo.length;
        progress.value = 0;
        const converted = [];
        const taken = new Set();
        let failed = 0;
        for (const [index, doc] of todo.entries()) {
            const line = doc.element.querySelector('.line');
            const notes = doc.element.querySelector('.notes');
            const download = doc.element.querySelector('.download');
            line.hidden = false;
            line.className = 'line';
            line.textContent = 'Converting…';
            notes.textContent = '';
            download.hidden = true;
            setStatus('Converting ' + doc.name + ' (' + (index + 1) + ' of ' + todo.length + ')');
            const expected = doc.bytes.length * (unicode ? 2 : 1);
            // Busy, how far unknown, until the document's first megabyte is written.
            progress.removeAttribute('value');
            const {result, pieces} = await call({type: 'convert', bytes: doc.bytes, name: doc.name, target: writeIn, unicodeFont, detect},
                written => {
                    line.textContent = 'Converting… ' + megabytes(written) + ' written';
                    progress.value = index + Math.min(0.95, written / expected);
                });
            progress.value = index + 1;
            doc.element.dataset.elapsed = result.elapsed || '';
            doc.element.dataset.memory = result.memory || '';
            if (!result.ok) {
                ++failed;
                line.className = 'line failed';
                line.textContent = doc.name + ': ' + result.error;
                continue;
            }
            const name = freeName(result.output, taken);
            taken.add(name);
            line.textContent = doc.name + ' -> ' + name + ': ' + result.summary +
                (name !== result.output ? ' (' + result.output + ' was written earlier in this run)' : '');
            for (const note of result.notes) notes.appendChild(document.createElement('li')).textContent = note;
            const blob = new Blob(pieces, {type: kMimeTypes[result.format] || 'application/octet-stream'});
            doc.url = offer(download.querySelector('a'), blob, name);
            download.hidden = false;
            converted.push({name, blob, compress: result.format === 'rtf' || result.format === 'txt'});
        }
        if (converted.length > 1) {
            setStatus('Making one zip archive of ' + converted.length + ' documents…');
            const files = [];
            for (const c of converted) files.push({name: c.name, compress: c.compress, bytes: new Uint8Array(await c.blob.arrayBuffer())});
            const {result, pieces} = await call({type: 'zip', files});
            const all = $('all');
            if (result.ok) {
                offer(all.appendChild(document.createElement('a')), new Blob(pieces, {type: 'application/zip'}),
                      'Converted_documents.zip');
                all.lastChild.textContent = 'Download all ' + converted.length + ' as Converted_documents.zip';
            } else {
                all.textContent = result.error;
            }
            all.hidden = false;
        }
        progress.hidden = true;
        setStatus(converted.length + ' of ' + todo.length + (todo.length === 1 ? ' document' : ' documents') + ' converted' +
                  (failed ? '; ' + failed + ' could not be (see ' + (failed === 1 ? 'its line' : 'their lines') + ')' : '') + '.');
        busy = false;
        updateConvertButton();
    }

    // A click on a download link starts its download a moment later, through a link made
    // for that click alone. Chromium passes over a download started within the click itself
    // when it comes soon after the page's last download (what it makes of the click has not
    // yet reached its download limiter), and the person would have to click again; a quarter
    // of a second later it always takes it. A second click meanwhile starts nothing more.
    const kDownloadDelayMs = 250;
    let pendingDownload = null;
    function startDownload(event) {
        const link = event.target.closest ? event.target.closest('a[download]') : null;
        if (!link || !link.href || event.button !== 0 || event.ctrlKey || event.metaKey || event.shiftKey || event.altKey)
            return;
        event.preventDefault();
        if (pendingDownload === link) return;
        pendingDownload = link;
        const once = document.createElement('a');
        once.href = link.href;
        once.download = link.download;
        once.hidden = true;
        document.body.appendChild(once);
        setTimeout(() => {
            once.click();
            once.remove();
            if (pendingDownload === link) pendingDownload = null;
        }, kDownloadDelayMs);
    }

    // ---- the text pane ----
    const kTextHint = $('text-said') ? $('text-said').textContent : '';
    let paneTurn = 0;  // only the answer to the latest change is shown
    let paneFromCodes = false;  // the codes box was typed in last
    async function paneChanged(fromCodes) {
        paneFromCodes = fromCodes;
        const turn = ++paneTurn;
        const font = $('text-font').value;
        const source = fromCodes ? $('text-codes') : $('text-unicode');
        const answer = await call({type: 'pane', text: source.value, font, toFont: !fromCodes});
        if (turn !== paneTurn) return;
        (fromCodes ? $('text-unicode') : $('text-codes')).value = answer.ok ? answer.text : '';
        $('text-said').textContent = answer.ok ? (answer.note || kTextHint) : answer.error;
    }
    // A word processor's RTF on the clipboard: its fonts say what its text is.
    async function pasted(event, intoCodes) {
        const rtf = event.clipboardData ? event.clipboardData.getData('text/rtf') : '';
        if (!rtf || !rtf.startsWith('{\\rtf')) return;
        event.preventDefault();
        const box = event.target;
        const read = await call({type: 'pane', rtf: new Uint8Array([...rtf].map(c => c.charCodeAt(0) & 0xFF))});
        if (!read.ok) {
            $('text-said').textContent = read.error;
            return;
        }
        let text = read.text;
        if (intoCodes) {
            const codes = await call({type: 'pane', text, font: $('text-font').value, toFont: true});
            text = codes.ok ? codes.text : text;
        }
        box.setRangeText(text, box.selectionStart, box.selectionEnd, 'end');
        paneChanged(intoCodes);
    }
    async function copyPane(box, html) {
        try {
            if (html && window.ClipboardItem) {
                await navigator.clipboard.write([new ClipboardItem({
                    'text/plain': new Blob([box.value], {type: 'text/plain'}),
                    'text/html': new Blob([html], {type: 'text/html'}),
                })]);
            } else {
                await navigator.clipboard.writeText(box.value);
            }
        } catch (e) {
            box.select();
            document.execCommand('copy');
        }
        $('text-said').textContent = 'Copied.';
    }
    function escapeHtml(text) {
        return text.replace(/[&<>"]/g, c => ({'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;'}[c]));
    }
    function wirePane() {
        $('text-unicode').addEventListener('input', () => paneChanged(false));
        $('text-codes').addEventListener('input', () => paneChanged(true));
        $('text-unicode').addEventListener('paste', event => pasted(event, false));
        $('text-codes').addEventListener('paste', event => pasted(event, true));
        $('text-font').addEventListener('change', () => {
            remember('textFont', $('text-font').value);
            $('text-codes').style.fontFamily = '"' + $('text-font').value + '", monospace';
            paneChanged(paneFromCodes);
        });
        $('copy-unicode').addEventListener('click', () => copyPane($('text-unicode')));
        // As HTML too, in its font, for a word processor to paste it so.
        $('copy-codes').addEventListener('click', () => copyPane($('text-codes'),
            '<span style="font-family: \'' + $('text-font').value.replace(/'/g, '') + '\'">' +
            escapeHtml($('text-codes').value).replace(/\n/g, '<br>') + '</span>'));
    }

    // ---- the page's own events ----
    function wire() {
        $('list').addEventListener('click', startDownload);
        $('all').addEventListener('click', startDownload);
        $('files').addEventListener('change', () => {
            const files = [...$('files').files];
            $('files').value = '';
            addFiles(files);
        });
        $('convert').addEventListener('click', () => convertAll());
        $('clear').addEventListener('click', () => clearList());
        let depth = 0;
        document.addEventListener('dragenter', event => {
            event.preventDefault();
            if (++depth === 1) document.body.classList.add('dragging');
        });
        document.addEventListener('dragleave', () => {
            if (--depth <= 0) {
                depth = 0;
                document.body.classList.remove('dragging');
            }
        });
        document.addEventListener('dragover', event => event.preventDefault());
        document.addEventListener('drop', event => {
            event.preventDefault();
            depth = 0;
            document.body.classList.remove('dragging');
            if (event.dataTransfer && event.dataTransfer.files.length) addFiles([...event.dataTransfer.files]);
        });
    }

    restoreSettings();
    wire();
    wirePane();
    setStatus('Starting the converter…');
    // Asked of the worker while it starts, before `ready` lets other calls through.
    const ask = type => new Promise(resolve => {
        const id = nextId++;
        waiting.set(id, {resolve});
        worker.postMessage({type, id});
    });
    ready = startWorker().then(async () => {
        encodings = await ask('encodings');
        $('encodings').textContent = encodings.join(', ');
        fillLegacyFonts(await ask('targets'));
        for (const doc of documents) if (doc.inspected && doc.inspected.ok) showFonts(doc);
        setStatus('Ready.');
    }, e => {
        setStatus('The converter could not start: ' + (e.message || e) + '.');
        throw e;
    });
})();
