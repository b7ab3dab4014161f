// A whole region's places in Chromium (tests/web/browser.mjs): a 100,000-record file written by
// `arquorel-sim region` (every 1000th record invalid), picked with the start page's file input
// while a session is recorded, at the Casino facing it:
//   - its cards within 2 s of pressing Start (the page's main thread's processor time; the
//     elapsed time is printed), the module's memory at most 160 MB;
//   - the start page's notice says how many places were shown and left out;
//   - the recording names the file instead of keeping 70 MB of places in it;
//   - a file of 50,000 bad records has them all listed within seconds;
//   - a main-screen frame with those places, while the compass turns, at most 1.5 times the
//     frame with the bundled Monaco places (the page's own frame figure, and the page's script
//     processor time a frame, which a loaded machine stretches less).
// Prints the figures.
//
//   node tests/web/region.mjs [PLACES_FILE]   (after ./run web build; without a file, it writes
//   build/region/region.json with build/release or build/debug arquorel-sim)
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, readFileSync, statSync } from 'node:fs';
import { basename, dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { atTheCasino, frameTime, startToCards } from './bench-figures.mjs';
import { serve } from './server.mjs';
import { cards } from './viewtree.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const site = join(root, 'build', 'web');
const count = 100000;
const limits = { startMs: 2000, memoryBytes: 160e6, frameRatio: 1.5 };
const rounds = 3;           // the median of these rounds' means
const framesPerRound = 90;  // frames a round while the compass turns

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const mb = (bytes) => `${(bytes / 1e6).toFixed(1)} MB`;

function regionFile() {
  if (process.argv[2]) return process.argv[2];
  const file = join(root, 'build', 'region', 'region.json');
  if (existsSync(file)) return file;
  const sim = ['release', 'debug'].map((b) => join(root, 'build', b, 'arquorel-sim'))
    .find(existsSync);
  if (!sim) throw new Error('no arquorel-sim built (cmake --build build/debug --target arquorel-sim)');
  mkdirSync(dirname(file), { recursive: true });
  execFileSync(sim, ['region', '--out', file, '--count', String(count)], { stdio: 'inherit' });
  return file;
}

// The main screen's frame while the compass swings to and fro: the page's own figure (update,
// display list, canvas commands and drawing) and the page's script processor time, each the
// median of the rounds' means, in ms.
async function frames(browser) {
  const { page, sensors, cdp } = browser;
  await cdp.send('Performance.enable', { timeDomain: 'threadTicks' });
  const script = async () => (await cdp.send('Performance.getMetrics')).metrics
    .find((m) => m.name === 'ScriptDuration').value * 1000;
  const frameCount = async () => (await page.evaluate(() => window.arquorelStats())).frames;
  let step = 0;
  let turning = true;
  const turn = (async () => {
    while (turning) {
      await sensors.pose(108 + 20 * Math.sin(step / 8), 0);
      step += 1;
      await page.waitForTimeout(30);
    }
  })();
  const own = [];
  const processor = [];
  try {
    for (let i = 0; i < rounds; ++i) {
      const f0 = await frameCount();
      const s0 = await script();
      own.push((await frameTime(page, framesPerRound)).meanMs);
      processor.push((await script() - s0) / ((await frameCount()) - f0));
    }
  } finally {
    turning = false;
    await turn;
  }
  return { ownMs: median(own), scriptMs: median(processor) };
}

const file = regionFile();
const name = basename(file);
const records = JSON.parse(readFileSync(file, 'utf8')).length;
const server = await serve(site);
const figures = { fileBytes: statSync(file).size };
try {
  // The Monaco places, for the frame to compare with.
  {
    const browser = await atTheCasino(server);
    try {
      await startToCards(browser.page);
      await browser.page.waitForTimeout(2000);
      figures.monaco = await frames(browser);
      figures.monaco.cards = cards(await browser.page.evaluate(() => window.arquorelViewTree()))
        .filter((c) => !c.hidden).length;
      for (const p of browser.problems) check(false, 'Monaco: ' + p);

      // A file of many bad records: each is listed, promptly; a file this small (1.5 MB) is
      // kept in the recording.
      const bad = 50000;
      await browser.page.goto(server.url);
      await browser.page.check('input[name=source][value=file]');
      await browser.page.check('#record');
      await browser.page.setInputFiles('#placesFile', { name: 'bad.json',
        mimeType: 'application/json', buffer: Buffer.from(JSON.stringify(
          Array.from({ length: bad }, (_, i) => ({ id: `b${i}`, lat: 'north' })))) });
      const pressed = Date.now();
      await browser.page.click('#startButton');
      const listed = await browser.page.waitForSelector('#report', { timeout: 30000 })
        .then(() => true, () => false);
      const ms = Date.now() - pressed;
      const items = await browser.page.evaluate(() => document.querySelectorAll('#report li').length);
      check(listed && items === bad && ms < 15000,
        `${bad} bad records: the notice lists ${items} left out, ${ms} ms after Start`);
      const saved = browser.page.waitForEvent('download', { timeout: 10000 });
      await browser.page.click('#stopRecording');
      const kept = readFileSync(await (await saved).path(), 'utf8');
      check(/^places-inline "\[\{\\"id\\":\\"b0\\"/m.test(kept),
        'the recording keeps the places of a small file');
    } finally {
      await browser.close();
    }
  }

  const browser = await atTheCasino(server);
  try {
    const { page } = browser;
    await page.check('input[name=source][value=file]');
    await page.check('#record');
    await page.setInputFiles('#placesFile', file);
    // The page's main thread's processor time besides the elapsed time: this machine's other
    // work stretches the one, hardly the other.
    await browser.cdp.send('Performance.enable', { timeDomain: 'threadTicks' });
    const thread = async () => (await browser.cdp.send('Performance.getMetrics')).metrics
      .find((m) => m.name === 'ThreadTime').value * 1000;
    const t0 = await thread();
    figures.startMs = Math.round(await startToCards(page, 30000));
    figures.startCpuMs = Math.round(await thread() - t0);
    figures.memoryBytes = (await page.evaluate(() => window.arquorelStats())).memoryBytes;
    check(figures.startCpuMs <= limits.startMs, `${records} records (${mb(figures.fileBytes)}) ` +
      `picked on the start page: cards ${figures.startMs} ms after Start, the page's main ` +
      `thread busy ${figures.startCpuMs} ms of it (at most ${limits.startMs} ms)`);
    check(figures.memoryBytes <= limits.memoryBytes, `the module's memory with them: ` +
      `${mb(figures.memoryBytes)} (at most ${mb(limits.memoryBytes)})`);

    // Every record is either shown or left out.
    const notice = await page.textContent('#report strong');
    const [, shown, left] = (notice || '').match(/^(\d+) places shown, (\d+) left out:$/) || [];
    check(Number(shown) + Number(left) === records && Number(left) > 0,
      `the notice counts the places shown and left out (${notice})`);

    const download = page.waitForEvent('download', { timeout: 10000 });
    await page.click('#stopRecording');
    const recording = readFileSync(await (await download).path(), 'utf8');
    check(new RegExp(`^places ${name.replace(/\./g, '\\.')}$`, 'm').test(recording) &&
      !/places-inline/.test(recording) && recording.length < 1e6,
    `the recording names ${name} instead of keeping its places (${recording.length} bytes)`);

    await page.click('#report');
    figures.region = await frames(browser);
    figures.region.cards = cards(await page.evaluate(() => window.arquorelViewTree()))
      .filter((c) => !c.hidden).length;
    for (const p of browser.problems) check(false, 'region: ' + p);
  } finally {
    await browser.close();
  }

  const { monaco, region } = figures;
  for (const [what, key] of [['the page\'s frame', 'ownMs'], ['its script time', 'scriptMs']]) {
    const ratio = region[key] / monaco[key];
    figures[key + 'Ratio'] = ratio;
    check(ratio <= limits.frameRatio, `${what} while the compass turns: ` +
      `${region[key].toFixed(2)} ms with ${records} places (${region.cards} cards), ` +
      `${monaco[key].toFixed(2)} ms with Monaco's (${monaco.cards} cards): ` +
      `${ratio.toFixed(2)}x (at most ${limits.frameRatio}x)`);
  }
} catch (error) {
  check(false, error.message);
} finally {
  await server.close();
}
console.log(JSON.stringify(figures));
process.exitCode = failures.length ? 1 : 0;
