// A walk recorded in Chromium through the page's own "Record this session" switch, then replayed
// by the simulator (build/debug/arquorel-sim): the compass turning, the position walking the
// start of the Monaco track, a tap on the Casino's card (its details screen, and back), the list
// opened with the page's button and closed by raising the phone, and a mark at each step. Fails
// when the saved file does not replay, when the cards at the marks on the main screen (the end
// among them) differ (names, distances, frames within 2 points), when the screens at the marks
// differ, or when a touch lands on another view in the replay than in the browser. The recording and the replay's pictures are
// under build/web-shots/record/.
//
//   ./run web build; cmake --build build/debug --target arquorel-sim; node tests/web/record.mjs
import { execFile } from 'node:child_process';
import { copyFile, mkdir, readFile, readdir, rm, writeFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { promisify } from 'node:util';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';
import { cards, compareCards, windowFrame } from './viewtree.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const site = join(root, 'build', 'web');
const sim = join(root, 'build', 'debug', 'arquorel-sim');
const out = join(root, 'build', 'web-shots', 'record');
const casino = 'Casino de Monte Carlo';
const gpx = await readFile(join(root, 'data', 'monaco', 'walk.gpx'), 'utf8');
const track = [...gpx.matchAll(/<trkpt lat="([-\d.]+)" lon="([-\d.]+)"/g)]
  .map((m) => ({ latitude: Number(m[1]), longitude: Number(m[2]) }));

const failures = [];
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

// Which screen is on top, read from a view tree.
function screenOf(tree) {
  if (/ArPlaceCell/.test(tree)) return 'list';
  if (/Label #titlelabel/.test(tree)) return 'details';
  return cards(tree).some((c) => !c.hidden) ? 'main' : 'other';
}

await rm(out, { recursive: true, force: true });
await mkdir(out, { recursive: true });
const server = await serve(site);
const browser = await launch();
const { page, sensors } = browser;
const marks = [];  // the browser's view tree at each mark
let recording = '';
try {
  const tree = () => page.evaluate(() => window.arquorelViewTree());
  const until = async (test, what, timeout = 10000) => {
    const start = Date.now();
    for (;;) {
      const t = await tree();
      if (test(t)) return t;
      if (Date.now() - start > timeout) throw new Error('timed out waiting for ' + what);
      await page.waitForTimeout(100);
    }
  };
  const mark = async (caption) => {
    await page.fill('#markCaption', caption);
    marks.push(await tree());
    await page.click('#markButton');
  };
  const tapView = async (t, pattern) => {
    const f = windowFrame(t, pattern);
    if (!f) throw new Error('no view ' + pattern + ' to tap');
    await page.touchscreen.tap(f.x + f.width / 2, f.y + f.height / 2);
  };

  await sensors.enable();
  await sensors.pose(60, 0);
  await sensors.position(track[0].latitude, track[0].longitude);
  await page.goto(server.url);
  await page.check('#record');
  await page.selectOption('#details', 'builtin');
  await page.click('#startButton');
  await until((t) => cards(t).some((c) => !c.hidden), 'the first cards', 20000);
  check(await page.isVisible('#recording'), 'the recording indicator shows over the screen');

  // Walking the first points of the track while the compass turns to the Casino.
  for (let i = 0; i < 24; ++i) {
    await sensors.pose(60 + (i * 48) / 23, 0);
    if (i % 3 === 0) {
      const p = track[Math.min(i / 3, track.length - 1)];
      await sensors.position(p.latitude, p.longitude);
    }
    await page.waitForTimeout(120);
  }
  await sensors.position(track[0].latitude, track[0].longitude);
  await page.waitForTimeout(4000);  // the compass filter and the cards settle
  await mark('Back at the start, facing the Casino');
  const indicator = await page.textContent('#recordingTime');
  check(/REC 0:0[3-9]|REC 0:[1-5]\d/.test(indicator), `the indicator counts the time (${indicator})`);

  // A tap on the Casino's card: its details screen; then back.
  const facing = await tree();
  const card = cards(facing).find((c) => c.name === casino && !c.hidden);
  if (!card) throw new Error('no card of the Casino to tap');
  await page.touchscreen.tap(card.frame[0] + card.frame[2] / 2, card.frame[1] + card.frame[3] / 2);
  const details = await until((t) => screenOf(t) === 'details', 'the details screen');
  await page.waitForTimeout(1200);
  await mark('The Casino\'s details');
  await tapView(details, /Button #backButton/);
  await until((t) => screenOf(t) === 'main', 'the main screen again');
  await page.waitForTimeout(800);

  // The list, opened with the page's button while the phone is tilted down, closed by raising it.
  await sensors.pose(108, -50);
  await page.waitForTimeout(800);
  await page.click('#listButton');
  await until((t) => screenOf(t) === 'list', 'the list');
  await page.waitForTimeout(800);
  await mark('The list, the phone tilted down');
  await sensors.pose(108, 0);
  await until((t) => screenOf(t) !== 'list', 'the list to close');
  await page.waitForTimeout(2500);
  await mark('Raised again: the list closed');
  await page.waitForTimeout(300);

  const download = page.waitForEvent('download', { timeout: 10000 });
  await page.click('#stopRecording');
  recording = await readFile(await (await download).path(), 'utf8');
  check(await page.isHidden('#recording'), 'the indicator goes when the recording is saved');
} catch (error) {
  check(false, error.message);
  await page.screenshot({ path: join(out, 'failure.png') }).catch(() => {});
} finally {
  for (const p of browser.problems) check(false, p);
  await browser.close();
  await server.close();
}

if (recording) {
  const file = join(out, 'recorded.scenario');
  await writeFile(file, recording);
  for (const f of ['places.json', 'monaco-latest.osm.pbf'])
    await copyFile(join(root, 'data', 'monaco', f), join(out, f));
  console.log(recording.split('\n').slice(0, 12).join('\n'));
  check(recording.length < 1e6, `the recording is ${recording.length} bytes`);
  let log = '';
  try {
    ({ stdout: log } = await promisify(execFile)(sim,
      ['run', '--scenario', file, '--out', join(out, 'replay')], { maxBuffer: 64 << 20 }));
  } catch (error) {
    check(false, `the simulator replays the recording: ${(error.stderr || error.message).trim()}`);
  }
  await writeFile(join(out, 'replay.log'), log);
  const shots = (await readdir(join(out, 'replay')).catch(() => []))
    .filter((f) => /^mark-\d+\.tree$/.test(f))
    .sort((a, b) => parseInt(a.slice(5), 10) - parseInt(b.slice(5), 10));
  check(shots.length === marks.length, `a picture at each mark (${shots.length} of ${marks.length})`);
  const replayed = await Promise.all(shots.map((f) => readFile(join(out, 'replay', f), 'utf8')));
  check(JSON.stringify(replayed.map(screenOf)) === JSON.stringify(marks.map(screenOf)),
    `the same screens at the marks: ${marks.map(screenOf)} / ${replayed.map(screenOf)}`);
  // The cards at each mark on the main screen, the last one (the end) included.
  marks.forEach((tree, i) => {
    if (screenOf(tree) !== 'main' || !replayed[i]) return;
    const same = compareCards(tree, replayed[i]);
    const shown = cards(tree).filter((c) => !c.hidden).length;
    check(shown > 0 && same.problems.length === 0,
      `the same ${shown} cards at mark ${i + 1}${i === marks.length - 1 ? ' (the end)' : ''}, ` +
      `frames within ${same.worst.toFixed(2)} points` +
      (same.problems.length ? ': ' + same.problems.slice(0, 5).join('; ') : ''));
  });
  // The browser wrote what each touch landed on beside it; the replay logs its own.
  const recorded = [...recording.matchAll(/ touch down [\d.]+ [\d.]+ {2}# (.*)$/gm)].map((m) => m[1]);
  const replayedTargets = [...log.matchAll(/user: finger down at \([^)]*\) on (.*)$/gm)].map((m) => m[1]);
  check(recorded.length >= 2 && JSON.stringify(recorded) === JSON.stringify(replayedTargets),
    `the touches land on the same views: ${JSON.stringify(recorded)} / ${JSON.stringify(replayedTargets)}`);
}

if (failures.length) {
  console.error(`record: ${failures.length} check(s) FAILED`);
  process.exitCode = 1;
} else {
  console.log('record: all checks passed');
}
