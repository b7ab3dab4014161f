// The browser build in the distribution's Chromium (headless, fake camera, sensors overridden
// through the DevTools protocol), at Place du Casino in Monaco:
//   - Start on the start page shows the main screen; the time to the first frame with the
//     Casino's card is measured;
//   - facing the Casino upright, the cards and their frames equal the native main screen's in
//     the same pose (tests/web/casino.scenario on build/debug/arquorel-sim, when it is built);
//   - turning the compass moves the cards, a new position changes the distances;
//   - a tap on the Casino's card reaches the page; the back button returns to the start page,
//     and a second start works as the first;
//   - no page error and no console error.
// Screenshots and view trees go to build/web-shots/ with an index.html.
//
//   ./run web test        (or: ./run web build; cd tests/web && npm ci && node smoke.mjs)
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { mkdir, readFile, writeFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';
import { cards, compareCards, windowFrame } from './viewtree.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const site = join(root, 'build', 'web');
const out = join(root, 'build', 'web-shots');
const casino = { latitude: 43.7393682, longitude: 7.4272085 };
const casinoName = 'Casino de Monte Carlo';

let failures = 0;
function check(ok, message) {
  if (ok) {
    console.log('ok: ' + message);
  } else {
    console.error('FAIL: ' + message);
    failures += 1;
  }
}

const shots = [];
async function shot(page, name, caption) {
  await page.screenshot({ path: join(out, name + '.png') });
  const tree = await page.evaluate(() => window.arquorelViewTree());
  await writeFile(join(out, name + '.tree'), tree);
  shots.push({ name, caption });
  return tree;
}

function card(tree, name) {
  return cards(tree).find((c) => c.name === name);
}

await mkdir(out, { recursive: true });
const server = await serve(site);
const server2 = await serve(site);
const server2Url = () => server2.url;
const browser = await launch();
const { page, sensors } = browser;
const figures = {};
try {
  await sensors.enable();
  await sensors.pose(108, 0);
  await sensors.position(casino.latitude, casino.longitude);
  await page.goto(server.url);
  await page.selectOption('#details', 'host');
  await shot(page, 'start', 'The start page');

  const started = Date.now();
  await page.click('#startButton');
  await page.waitForFunction((name) => window.arquorelViewTree().includes(name), casinoName,
    { timeout: 20000, polling: 20 });
  figures.startToCasinoCardMs = Date.now() - started;
  await page.waitForTimeout(4000);  // the sensor filters settle, the cards' pictures load
  const facing = await shot(page, 'casino', 'Place du Casino, facing the Casino (heading 108), upright');
  check(card(facing, casinoName), 'the Casino\'s card is on the main screen');

  const sim = join(root, 'build', 'debug', 'arquorel-sim');
  if (existsSync(sim)) {
    execFileSync(sim, ['run', '--scenario', join(here, 'casino.scenario'), '--out',
      join(root, 'build', 'web-native')], { stdio: 'ignore' });
    const native = await readFile(join(root, 'build', 'web-native', 'casino.tree'), 'utf8');
    const { worst, problems } = compareCards(native, facing);
    figures.largestFrameDifferenceToNative = worst;
    check(problems.length === 0 && cards(native).length > 0,
      `the same ${cards(native).length} cards as the native screen, frames within 2 points` +
      (problems.length ? ': ' + problems.slice(0, 5).join('; ') : ''));
  } else {
    console.log('skipped: the comparison with the native screen (build/debug/arquorel-sim is not built)');
  }

  await sensors.pose(225, -10);
  await page.waitForTimeout(2500);
  const harbour = await shot(page, 'harbour', 'Facing the harbour (heading 225), tilted down 10 degrees');
  const before = card(facing, casinoName).frame, after = card(harbour, casinoName);
  check(!after || Math.abs(after.frame[0] - before[0]) > 100, 'turning the compass moves the cards');

  await sensors.pose(108, 0);
  await sensors.position(43.7393682, 7.4259585);  // 100 m west: no reload, new distances
  await page.waitForTimeout(3000);
  const moved = await shot(page, 'moved', '100 m further west, facing east again');
  const distances = new Map(cards(facing).map((c) => [c.name, c.distance]));
  const both = cards(moved).filter((c) => distances.has(c.name));
  const changed = both.filter((c) => c.distance !== distances.get(c.name));
  check(both.length > 0 && changed.length >= both.length / 2,
    `a new position changes the distances (${changed.length} of the ${both.length} places ` +
    'shown before and after)');

  await sensors.position(casino.latitude, casino.longitude);
  await page.waitForTimeout(3000);
  const back = await page.evaluate(() => window.arquorelViewTree());
  const target = cards(back)
    .filter((c) => c.name === casinoName && !c.hidden)[0];
  if (target) {
    const [x, y, w, h] = target.frame;
    await page.touchscreen.tap(x + w / 2, y + h / 2);
    await page.waitForTimeout(500);
    const toast = await page.textContent('#toast');
    check(toast === casinoName, `a tap on the Casino's card reaches the page (${toast})`);
  } else {
    check(false, 'the Casino\'s card to tap');
  }

  // Held in landscape: the window and the screens take the new size.
  await page.setViewportSize({ width: 812, height: 375 });
  await page.waitForTimeout(1500);
  const wide = await shot(page, 'landscape',
    'The page made wide (812 x 375), the sensors still reporting an upright phone in portrait');
  check(wide.startsWith('Window (0.0, 0.0, 812.0, 375.0)') &&
    /\n {2}\[0\] View \(0\.0, 0\.0, 812\.0, 375\.0\)/.test(wide),
    'turned to landscape, the window and the main screen take the new size');
  await page.setViewportSize({ width: 375, height: 812 });
  await page.waitForTimeout(1500);

  // The settings the screen keeps (the country of the position among them) are in local storage.
  const kept = await page.evaluate(() => localStorage.getItem('arquorel.defaults') || '');
  check(kept.includes('"country"') && kept.includes('MC'),
    `the user defaults are kept in local storage (${kept.slice(0, 80)})`);

  const button = windowFrame(back, /Button #backbutton/);
  await page.touchscreen.tap(button.x + button.width / 2, button.y + button.height / 2);
  await page.waitForSelector('#start', { state: 'visible', timeout: 5000 });
  await shot(page, 'closed', 'The back button: the start page again');
  check(await page.isHidden('#screen'), 'the back button returns to the start page');

  // A second start on the same page: the sensors and the camera come back.
  await page.click('#startButton');
  await page.waitForFunction((name) => window.arquorelViewTree().includes(name), casinoName,
    { timeout: 20000, polling: 50 });
  await page.waitForTimeout(3000);
  const again = await shot(page, 'again', 'Start again: the main screen with its sensors');
  const second = card(again, casinoName);
  check(second && Math.abs(second.frame[0] - card(facing, casinoName).frame[0]) < 2,
    'a second start shows the Casino where the first did');
} catch (error) {
  check(false, error.message);
  await page.screenshot({ path: join(out, 'failure.png') }).catch(() => {});
} finally {
  for (const p of browser.problems) check(false, p);
  await browser.close();
  await server.close();
}
// Everything refused: no camera picture (the camera button instead) and, without a position,
// the weak-GPS alert.
const refusing = await launch({ refuse: true });
try {
  await refusing.page.goto(server2Url());
  // A places file that is not JSON: a message on the start page, which stays.
  await refusing.page.check('input[value=file]');
  await refusing.page.setInputFiles('#placesFile',
    { name: 'broken.json', mimeType: 'application/json', buffer: Buffer.from('[{"name": ') });
  await refusing.page.click('#startButton');
  await refusing.page.waitForFunction(() => document.getElementById('message').textContent !== '',
    null, { timeout: 20000 });
  const message = await refusing.page.textContent('#message');
  check(await refusing.page.isVisible('#start') && /places cannot be shown: .*line 1/.test(message),
    `a broken places file is refused on the start page (${message})`);

  await refusing.page.check('input[value=bundled]');
  await refusing.page.click('#startButton');
  await refusing.page.waitForFunction(() => window.arquorelViewTree().includes('Weak GPS signal'),
    null, { timeout: 30000, polling: 100 });
  await refusing.page.waitForTimeout(500);
  const refused = await shot(refusing.page, 'refused',
    'Camera and position refused: the camera button and the weak-GPS alert');
  check(/Button #allovCameraAccessButton (?!.* hidden)/.test(refused),
    'a refused camera shows the camera access button');
  check(refused.includes('Weak GPS signal'), 'no position shows the weak-GPS alert');
} catch (error) {
  check(false, error.message);
} finally {
  for (const p of refusing.problems) check(false, p);
  await refusing.close();
  await server2.close();
}

await writeFile(join(out, 'index.html'), `<!doctype html><meta charset=utf-8>
<title>ARQuorel in Chromium</title><h1>The browser build in Chromium (headless, fake camera)</h1>
<p>Places: data &copy; OpenStreetMap contributors, ODbL 1.0.</p>
${shots.map((s) => `<figure><img src="${s.name}.png" width=375><figcaption>${s.caption}</figcaption></figure>`).join('\n')}
`);
console.log(JSON.stringify(figures));
console.log(failures ? `${failures} check(s) failed` : 'all checks passed; shots in ' + out);
process.exitCode = failures ? 1 : 0;
