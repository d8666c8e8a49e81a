// The page's worker: it holds the engine (WebAssembly) and does every conversion, so the
// page stays free to answer the user. Messages come one at a time; each gets one answer,
// with progress messages before it while a document is being written.
'use strict';

let wasmBinary = null;
let engine = null;
const names = new Map();  // fonts the user said are legacy ones, given again to a fresh engine
let pieces = [];
let written = 0;
let reportTo = null;

async function start() {
    if (engine) return engine;
    engine = await createTolvarin({
        wasmBinary,
        onPiece(piece) {
            pieces.push(piece);
            const before = written;
            written += piece.length;
            // A word every megabyte, not every piece.
            if (reportTo !== null && Math.floor(written / 1048576) !== Math.floor(before / 1048576))
                postMessage({type: 'progress', id: reportTo, written});
        },
        print() {},
        printErr() {},
    });
    for (const [font, legacy] of names) callNameFont(engine, font, legacy);
    return engine;
}

function callNameFont(m, fontName, legacyName) {
    const font = stringIn(m, fontName);
    const legacy = stringIn(m, legacyName);
    try {
        return m._tolvarin_name_font(font, legacy) === 1;
    } finally {
        m._tolvarin_free(font);
        m._tolvarin_free(legacy);
    }
}

function utf8(text) {
    return new TextEncoder().encode(text + '\0');
}

// Copies `bytes` into the engine's memory; null where it has no room for them.
function copyIn(m, bytes) {
    const at = m._tolvarin_alloc(bytes.length);
    if (!at) return 0;
    m.HEAPU8.set(bytes, at);
    return at;
}

function stringIn(m, text) {
    return copyIn(m, utf8(text));
}

// Runs `work` on the engine; a fault that stops the engine itself (it should not
// happen) is said, and the next call starts a fresh one.
async function withEngine(work) {
    const m = await start();
    try {
        return work(m);
    } catch (e) {
        engine = null;
        return {ok: false, error: 'the converter stopped (' + (e && e.message ? e.message : e) + '); try again'};
    }
}

function notEnoughMemory(m) {
    return {ok: false, error: m.UTF8ToString(m._tolvarin_not_enough_memory())};
}

async function inspect(message) {
    return withEngine(m => {
        const data = copyIn(m, message.bytes);
        if (!data) return notEnoughMemory(m);
        try {
            return JSON.parse(m.UTF8ToString(m._tolvarin_inspect(data, message.bytes.length, message.sampleLength)));
        } finally {
            m._tolvarin_free(data);
        }
    });
}

async function convert(message) {
    pieces = [];
    written = 0;
    reportTo = message.id;
    const result = await withEngine(m => {
        const data = copyIn(m, message.bytes);
        if (!data) return notEnoughMemory(m);
        const name = stringIn(m, message.name);
        const font = stringIn(m, message.unicodeFont || '');
        const target = stringIn(m, message.target || '');
        try {
            const began = performance.now();
            const result = JSON.parse(m.UTF8ToString(
                m._tolvarin_convert(name, data, message.bytes.length, target, font, message.detect ? 1 : 0)));
            // For the benchmark: the engine's time, and the memory it has grown to.
            result.elapsed = performance.now() - began;
            result.memory = m.HEAPU8.length;
            return result;
        } finally {
            m._tolvarin_free(data);
            m._tolvarin_free(name);
            m._tolvarin_free(font);
            m._tolvarin_free(target);
        }
    });
    reportTo = null;
    // A document too big for memory leaves the engine's memory at its largest, which it
    // never gives back: a fresh engine takes the next document.
    if (!result.ok && engine && result.error === engine.UTF8ToString(engine._tolvarin_not_enough_memory())) engine = null;
    const done = result.ok ? pieces : [];
    pieces = [];
    return {result, pieces: done};
}

async function nameFont(message) {
    return withEngine(m => {
        const ok = callNameFont(m, message.font, message.legacy);
        if (!message.legacy) names.clear();
        else if (ok) names.set(message.font, message.legacy);
        return {ok};
    });
}

// Many converted files in one archive.
async function zip(message) {
    pieces = [];
    const result = await withEngine(m => {
        if (!m._tolvarin_zip_begin()) return {ok: false, error: 'cannot start the zip archive'};
        for (const file of message.files) {
            const data = copyIn(m, file.bytes);
            const name = stringIn(m, file.name);
            const added = data && name && m._tolvarin_zip_add(name, data, file.bytes.length, file.compress ? 1 : 0);
            m._tolvarin_free(name);
            if (!added) {
                if (data) m._tolvarin_free(data);
                m._tolvarin_zip_finish();
                return data ? {ok: false, error: 'cannot add ' + file.name + ' to the zip archive'}
                            : notEnoughMemory(m);
            }
        }
        return JSON.parse(m.UTF8ToString(m._tolvarin_zip_finish()));
    });
    const done = result.ok ? pieces : [];
    pieces = [];
    return {result, pieces: done};
}

// The legacy encodings the engine knows, in its order.
async function encodings() {
    return withEngine(m => JSON.parse(m.UTF8ToString(m._tolvarin_encodings())));
}

// The text pane: {text, font, toFont} converted one way or the other, or {rtf} read.
async function pane(message) {
    return withEngine(m => {
        const bytes = message.rtf !== undefined ? message.rtf : new TextEncoder().encode(message.text);
        const data = copyIn(m, bytes);
        if (!data) return notEnoughMemory(m);
        const font = stringIn(m, message.font || '');
        try {
            return JSON.parse(m.UTF8ToString(m._tolvarin_pane(data, bytes.length, font, message.toFont ? 1 : 0,
                                                               message.rtf !== undefined ? 1 : 0)));
        } finally {
            m._tolvarin_free(data);
            m._tolvarin_free(font);
        }
    });
}

// What the page offers to convert to: [{caption, name}], ML-TTRevathi first.
async function targets() {
    return withEngine(m => JSON.parse(m.UTF8ToString(m._tolvarin_targets())));
}

const handlers = {inspect, convert, nameFont, zip, encodings, targets, pane};

onmessage = async event => {
    const message = event.data;
    if (message.type === 'start') {
        wasmBinary = message.wasm;
        await start().then(() => postMessage({type: 'ready'}),
                           e => postMessage({type: 'failed', error: String(e && e.message ? e.message : e)}));
        return;
    }
    const answer = await handlers[message.type](message);
    const transfer = (answer.pieces || []).map(piece => piece.buffer);
    postMessage({type: 'done', id: message.id, answer}, transfer);
};
