// A first-time visitor's first minute with the page, in Chromium (tests/web/browser.mjs):
//   - the first Start at 1.6 Mbit/s: progress shows at once, cards within 8 s, at most 1.5 MB
//     fetched from the page's load on (WOFF2 font subsets, no TrueType), a quiet console;
//   - the phone turned to landscape: the cards keep their portrait size;
//   - no compass: within about a second a notice says how to allow it and no card stands
//     where facing north would put it;
//   - location and camera refused: the screen says the location is refused (not "weak GPS"),
//     and the page's List button covers none of the screen's buttons;
//   - no camera at all: no "Allow camera access" button;
//   - places from an address that never answers, has no CORS headers, is not JSON, is not
//     there, or has bad records: each named with its cause on the page, or "N places shown,
//     M left out" with the records; a NUL in a name is escaped in the view tree.
//
//   node tests/web/firstminute.mjs   (after ./run web build)
import { createServer } from 'node:http';
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';
import { cards, windowFrame } from './viewtree.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const site = join(root, 'build', 'web');
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

const tree = (page) => page.evaluate(() => window.arquorelViewTree());
const visibleLine = (text, pattern) => text.split('\n').some((l) => pattern.test(l) && !/ hidden/.test(l));
const casinoCard = (text) => cards(text).find((c) => c.name === casinoName && !c.hidden);

// Polls `probe` (on the page's view tree) until it gives a truthy value; null after `seconds`.
async function until(page, probe, seconds) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    const value = probe(await tree(page));
    if (value) return value;
    if (Date.now() > end) return null;
    await page.waitForTimeout(100);
  }
}

async function start(page, address) {
  if (address !== undefined) {
    await page.check('input[name=source][value=address]');
    await page.fill('#placesAddress', address);
  }
  await page.tap('#startButton');
}

const overlap = (a, b) => a.x < b.x + b.width && b.x < a.x + a.width &&
  a.y < b.y + b.height && b.y < a.y + a.height;

const server = await serve(site, {}, { compress: true });
const browsers = [];
try {
  // ---- The first Start, throttled, then a rotation ----
  {
    const browser = await launch();
    browsers.push(browser);
    const { page, cdp, sensors } = browser;
    let bytes = 0;
    const files = [];
    cdp.on('Network.responseReceived', (e) => files.push(e.response.url));
    cdp.on('Network.loadingFinished', (e) => { bytes += e.encodedDataLength; });
    await cdp.send('Network.enable');
    await cdp.send('Network.emulateNetworkConditions', {
      offline: false, latency: 100, downloadThroughput: 1.6e6 / 8, uploadThroughput: 0.75e6 / 8,
    });
    await sensors.enable();
    await sensors.pose(108, 0);
    await sensors.position(casino.latitude, casino.longitude);
    const lines = [];
    page.on('console', (m) => lines.push(m.text()));
    await page.goto(server.url, { waitUntil: 'domcontentloaded' });
    await page.waitForSelector('#startButton');
    const tapped = Date.now();
    await start(page);
    const progress = await page.evaluate(() => {
      const bar = document.getElementById('progress');
      return !!bar && !bar.hidden;
    });
    check(progress, 'a progress bar shows as soon as Start is tapped');
    const shown = await until(page, casinoCard, 12);
    const seconds = (Date.now() - tapped) / 1000;
    check(shown && seconds <= 8, `the Casino's card within 8 s of the tap at 1.6 Mbit/s (${seconds.toFixed(1)} s)`);
    check(bytes <= 1.5e6, `the page's load and first Start fetch ≤ 1.5 MB (${(bytes / 1e6).toFixed(2)} MB)`);
    check(!files.some((f) => /\.ttf$/.test(f)) && files.some((f) => /-subset\.woff2$/.test(f)) &&
      !files.some((f) => /fonts\/DejaVuSans[-\w]*(?<!-subset)\.woff2$/.test(f)),
    'fonts come as WOFF2 subsets; the whole fonts are not fetched for the Monaco places');
    await cdp.send('Network.emulateNetworkConditions',
      { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });

    const before = lines.length;
    await page.waitForTimeout(2000);
    check(lines.length - before <= 4, `a quiet console while the screen runs (${lines.length - before} lines in 2 s)`);

    // The phone turned: a landscape screen of the same phone. The largest card (the main one)
    // keeps its size.
    const largest = (t) => Math.max(...cards(t).map((c) => c.frame[2]));
    const portrait = largest(await tree(page));
    await cdp.send('Emulation.setDeviceMetricsOverride', {
      width: 812, height: 375, deviceScaleFactor: 2, mobile: true,
      screenOrientation: { type: 'landscapePrimary', angle: 90 },
    });
    const turned = await until(page, (t) => /^Window \(0\.0, 0\.0, 812\.0, 375\.0\)/m.test(t) &&
      cards(t).length && t, 5);
    const landscape = turned ? largest(turned) : NaN;
    check(Math.abs(landscape - portrait) <= portrait * 0.05,
      `in landscape the main card keeps its width (${portrait} → ${landscape} points)`);
    const tallest = turned ? Math.max(...cards(turned).map((c) => c.frame[3])) : NaN;
    check(tallest <= 375 * 0.4, `in landscape no card covers more than 40 % of the height (${tallest})`);
    await browser.close();
    browsers.pop();
  }

  // ---- No compass ----
  {
    const browser = await launch();
    browsers.push(browser);
    const { page, sensors } = browser;
    await sensors.position(casino.latitude, casino.longitude);
    await page.goto(server.url);
    await start(page);
    await page.waitForFunction(() => window.arquorelViewTree().length > 0);
    const shownAt = Date.now();
    const notice = await until(page, (t) => visibleLine(t, /#headingNotice/) && t, 3);
    const seconds = (Date.now() - shownAt) / 1000;
    check(notice && /No compass reading/.test(notice) && seconds < 2,
      `without a compass a notice says so within about a second (${seconds.toFixed(1)} s)`);
    check(notice && /ARPresenter .* hidden/.test(notice),
      'without a compass no card is placed as if facing north');
    await browser.close();
    browsers.pop();
  }

  // ---- Location and camera refused ----
  {
    const browser = await launch({ refuse: true });
    browsers.push(browser);
    const { page, sensors } = browser;
    await sensors.enable();
    await sensors.pose(108, 0);
    await page.goto(server.url);
    await start(page);
    const button = await until(page, (t) => visibleLine(t, /#allovCameraAccessButton/) && t, 4);
    check(!!button, 'a refused camera offers the "Allow camera access" button');
    if (button) {
      const list = await page.locator('#listButton').boundingBox();
      const covered = ['allovCameraAccessButton', 'backbutton']
        .map((id) => [id, windowFrame(button, new RegExp('#' + id + ' '))])
        .filter(([, f]) => f && list && overlap(f, list));
      check(list && !covered.length, `the List button covers none of the screen's buttons ${covered.map(([id]) => id)}`);
    }
    const alert = await until(page, (t) => /Location access is off/.test(t) && t, 5);
    check(alert && !/Weak GPS signal/.test(alert) && /Site settings|site settings/.test(alert),
      'a refused location is told as such, with where to allow it');
    await browser.close();
    browsers.pop();
  }

  // ---- No camera at all; places from addresses ----
  {
    const browser = await launch({ camera: false });
    browsers.push(browser);
    const { page, sensors } = browser;
    await sensors.enable();
    await sensors.pose(108, 0);
    await sensors.position(casino.latitude, casino.longitude);
    await page.goto(server.url);
    await start(page);
    await until(page, casinoCard, 5);
    await page.waitForTimeout(1500);
    const text = await tree(page);
    check(/#allovCameraAccessButton .* hidden/.test(text) && !visibleLine(text, /#allovCameraAccessButton/),
      'without a camera there is no "Allow camera access" button');
    await page.goBack().catch(() => {});
    await page.goto(server.url);

    const records = readFileSync(join(root, 'data', 'monaco', 'places.json'), 'utf8')
      .split('\n').filter((l) => l.startsWith('{')).slice(0, 3).map((l) => JSON.parse(l.replace(/,$/, '')));
    const nul = { ...records[0], id: 'nul', name: 'Bar\u0000Tabac' };
    const bad = JSON.stringify([records[0], { id: 'north', name: 'Pole', lat: 91.5, lng: 7.42 },
      records[1], nul, { id: 'nowhere', name: 'Nowhere' }, records[2]]);
    const cors = { 'access-control-allow-origin': '*' };
    const answers = {
      '/nocors.json': [{ 'content-type': 'application/json' }, JSON.stringify(records)],
      '/page.json': [{ 'content-type': 'text/html', ...cors }, '<!doctype html><title>Not found</title>'],
      '/bad.json': [{ 'content-type': 'application/json', ...cors }, bad],
    };
    const other = createServer((request, response) => {
      if (request.url === '/never.json') return;  // never answers
      const [headers, body] = answers[request.url] || [{}, ''];
      response.writeHead(answers[request.url] ? 200 : 404, headers).end(body);
    });
    await new Promise((done) => other.listen(0, '127.0.0.1', done));
    const base = `http://127.0.0.1:${other.address().port}`;
    const closed = createServer();
    await new Promise((done) => closed.listen(0, '127.0.0.1', done));
    const gone = `http://127.0.0.1:${closed.address().port}/places.json`;
    await new Promise((done) => closed.close(done));
    try {
      await page.evaluate(() => { window.arquorelPlacesTimeout = 2; });
      for (const [address, cause, what] of [
        [base + '/never.json', /did not answer within 2 s/, 'a server that never answers times out'],
        [base + '/nocors.json', /cross-origin rules \(CORS\)/, 'a server without CORS headers is named as such'],
        [base + '/page.json', /did not send JSON/, 'an answer that is not JSON is named as such'],
        [gone, /could not be reached/, 'an address where no server listens is unreachable'],
      ]) {
        await start(page, address);
        const message = await page.waitForFunction(
          () => document.getElementById('message').textContent, null, { timeout: 8000 })
          .then((h) => h.jsonValue()).catch(() => '');
        check(message.includes(address) && cause.test(message), `${what}: "${message}"`);
      }
      await start(page, base + '/bad.json');
      await page.waitForSelector('#report:not([hidden])', { timeout: 8000 }).catch(() => null);
      const report = await page.evaluate(() => (document.getElementById('report') || {}).innerText || '');
      check(/4 places shown, 2 left out/.test(report) && /record 2 \(id "north"\): lat/.test(report) &&
        /record 5 \(id "nowhere"\): lat: missing; lng: missing/.test(report), `the records left out are named on the page: ${JSON.stringify(report)}`);
      const named = await until(page, (t) => /Bar\\x00Tabac/.test(t) && t, 3);
      check(named && !named.includes('\u0000'), 'a NUL in a place\'s name is escaped in the view tree');
      if (report) {
        await page.tap('#report');
        check(await page.evaluate(() => document.getElementById('report').hidden), 'a tap closes the report');
      }
    } finally {
      other.closeAllConnections();
      await new Promise((done) => other.close(done));
    }
    // The browser's own lines about the refused and failed fetches are expected.
    const errors = browser.problems.filter((p) => !/CORS policy|Failed to load resource/.test(p));
    check(!errors.length, `no page errors: ${errors.join('; ')}`);
    await browser.close();
    browsers.pop();
  }
} catch (error) {
  check(false, 'the first minute ran through: ' + (error.stack || error));
} finally {
  for (const b of browsers) await b.close().catch(() => {});
  await server.close();
}
console.log(failures ? `${failures} check(s) failed` : 'all first-minute checks passed');
process.exit(failures ? 1 : 0);
