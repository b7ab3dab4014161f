// Figures of the browser build that the tests check and the benchmark prints: the size of the
// page's script and WebAssembly module, the time from pressing Start to the first frame with
// cards, and the time of a main-screen frame in the browser.
import { readdir, readFile } from 'node:fs/promises';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { launch } from './browser.mjs';

const casino = { latitude: 43.7393682, longitude: 7.4272085 };

// A browser at the Casino facing it, upright, on the start page with taps reported to it.
export async function atTheCasino(server, engine = 'chromium') {
  const browser = await launch({ engine });
  await browser.sensors.enable();
  await browser.sensors.pose(108, 0);
  await browser.sensors.position(casino.latitude, casino.longitude);
  await browser.page.goto(server.url);
  await browser.page.selectOption('#details', 'host');
  return browser;
}

export const limits = {
  codeBytes: 3 * 1024 * 1024,  // the page's scripts and WebAssembly module together
  codeGzipBytes: 1024 * 1024,  // the same, compressed
  startTargetMs: 1000,         // pressing Start to the first frame with cards
  frameRatio: 2,               // a browser frame against the native frame of the same work
};

// The scripts (*.js) and WebAssembly modules (*.wasm) the page loads, each with its size and
// gzip size, and their totals; the packed resources (*.data) are listed apart.
export async function pageSizes(site) {
  const files = [];
  const data = [];
  for (const name of (await readdir(site)).sort()) {
    if (!/\.(js|wasm|data)$/.test(name)) continue;
    const body = await readFile(join(site, name));
    const entry = { name, bytes: body.length, gzipBytes: gzipSync(body, { level: 9 }).length };
    (name.endsWith('.data') ? data : files).push(entry);
  }
  const sum = (key) => files.reduce((total, f) => total + f[key], 0);
  return { files, data, bytes: sum('bytes'), gzipBytes: sum('gzipBytes') };
}

// Problems of the sizes against the limits (none: within them).
export function sizeProblems(sizes) {
  const problems = [];
  if (!sizes.files.some((f) => f.name.endsWith('.wasm')))
    problems.push('the page has no WebAssembly module');
  if (sizes.bytes > limits.codeBytes)
    problems.push(`script and WebAssembly module ${sizes.bytes} bytes, above ${limits.codeBytes}`);
  if (sizes.gzipBytes > limits.codeGzipBytes)
    problems.push(`script and WebAssembly module ${sizes.gzipBytes} bytes gzipped, above ` +
      `${limits.codeGzipBytes}`);
  return problems;
}

export function sizeLines(sizes) {
  const kb = (n) => (n / 1024).toFixed(0).padStart(6) + ' KB';
  return [
    ...sizes.files.map((f) => `  ${f.name.padEnd(22)} ${kb(f.bytes)} ${kb(f.gzipBytes)} gzipped`),
    `  ${'script + wasm'.padEnd(22)} ${kb(sizes.bytes)} ${kb(sizes.gzipBytes)} gzipped ` +
      `(limits ${limits.codeBytes / 1048576} MB, ${limits.codeGzipBytes / 1048576} MB gzipped)`,
    ...sizes.data.map((f) => `  ${f.name.padEnd(22)} ${kb(f.bytes)} ${kb(f.gzipBytes)} gzipped ` +
      '(resources, not counted)'),
  ];
}

// Presses Start on the start page (its current choices) and resolves to the milliseconds until
// the first frame whose view tree shows a card that is not hidden. The page must be loaded.
export function startToCards(page, timeoutMs = 20000) {
  return page.evaluate((timeout) => new Promise((resolve, reject) => {
    const card = /AnnnotationView \([^)]*\)(?![^\n]* hidden)/;
    let pressed = 0;
    const look = () => {
      if (card.test(window.arquorelViewTree())) {
        resolve(performance.now() - pressed);
      } else if (performance.now() - pressed > timeout) {
        reject(new Error(`no card on the main screen ${timeout} ms after pressing Start`));
      } else {
        requestAnimationFrame(look);
      }
    };
    pressed = performance.now();
    document.getElementById('startButton').click();
    requestAnimationFrame(look);
  }), timeoutMs);
}

// The mean time of a main-screen frame over `frames` frames of the running screen: the page's
// own figure (the frame's update, its display list and the canvas commands) plus the canvas
// drawing them, which the browser otherwise does later; reading one pixel makes it draw the
// frame's commands at once. Resolves to { frames, meanMs, drawMs } (drawMs: the pixel part).
export function frameTime(page, frames) {
  return page.evaluate((count) => new Promise((resolve) => {
    const canvas = document.querySelector('#screen canvas');
    const context = canvas.getContext('2d');
    const before = window.arquorelStats();
    let drawMs = 0;
    let seen = 0;
    const look = () => {
      const stats = window.arquorelStats();
      if (stats.frames > before.frames + seen) {
        seen = stats.frames - before.frames;
        const start = performance.now();
        context.getImageData(0, 0, 1, 1);
        drawMs += performance.now() - start;
      }
      if (seen < count) {
        requestAnimationFrame(look);
        return;
      }
      const total = stats.meanFrameMs * stats.frames - before.meanFrameMs * before.frames;
      resolve({ frames: seen, meanMs: (total + drawMs) / seen, drawMs: drawMs / seen });
    };
    requestAnimationFrame(look);
  }), frames);
}

// The page's script time of each frame over `ms` milliseconds of the running screen (its own
// running total, read once an animation frame) and the frames a second. Resolves to
// { frames, medianMs, p95Ms, framesPerSecond }.
export function scriptPerFrame(page, ms) {
  return page.evaluate((duration) => new Promise((resolve) => {
    const samples = [];
    let last = null;
    const begin = performance.now();
    const first = window.arquorelStats().frames;
    const read = () => {
      const s = window.arquorelStats();
      const total = s.meanFrameMs * s.frames;
      if (last && s.frames === last.frames + 1) samples.push(total - last.total);
      last = { frames: s.frames, total };
      const elapsed = performance.now() - begin;
      if (elapsed < duration) {
        requestAnimationFrame(read);
        return;
      }
      samples.sort((a, b) => a - b);
      const at = (q) => samples[Math.min(samples.length - 1, Math.floor(q * samples.length))] || 0;
      resolve({ frames: s.frames - first, medianMs: at(0.5), p95Ms: at(0.95),
        framesPerSecond: ((s.frames - first) * 1000) / elapsed });
    };
    requestAnimationFrame(read);
  }), ms);
}
