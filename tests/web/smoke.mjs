// Smoke test of the browser build: the start page, Start, and the main screen facing the
// Casino from Place du Casino in Monaco, with a fake camera and overridden sensors. Checks that
// the view tree holds the Casino's card, that no page or console error came, and writes
// screenshots to build/web-shots/.
//
//   ./run web build && (cd tests/web && npm ci && node smoke.mjs)
import { mkdir, writeFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const site = join(root, 'build', 'web');
const shots = join(root, 'build', 'web-shots');
const casino = { latitude: 43.7393682, longitude: 7.4272085 };

function fail(message) {
  console.error('FAIL: ' + message);
  process.exitCode = 1;
}

await mkdir(shots, { recursive: true });
const server = await serve(site);
const browser = await launch();
const { page, sensors } = browser;
const timings = {};
try {
  await sensors.enable();
  await sensors.pose(108, 0);
  await sensors.position(casino.latitude, casino.longitude);
  await page.goto(server.url);
  await page.screenshot({ path: join(shots, 'start.png') });

  const started = Date.now();
  await page.click('#startButton');
  // The first frame with cards: the Casino's card in the view tree.
  await page.waitForFunction(() => window.arquorelViewTree().includes('Casino de Monte'),
    null, { timeout: 20000, polling: 50 });
  timings.startToCasinoCard = Date.now() - started;
  await page.waitForTimeout(3000);  // the sensor filters settle, the pictures of the cards load
  const tree = await page.evaluate(() => window.arquorelViewTree());
  await writeFile(join(shots, 'casino.tree'), tree);
  await page.screenshot({ path: join(shots, 'casino.png') });
  if (!tree.includes('Casino de Monte')) fail('the view tree has no card of the Casino');

  await sensors.pose(225, -10);  // the harbour, tilted down
  await page.waitForTimeout(2500);
  await page.screenshot({ path: join(shots, 'harbour.png') });
  await writeFile(join(shots, 'harbour.tree'), await page.evaluate(() => window.arquorelViewTree()));
} catch (error) {
  fail(error.message);
  await page.screenshot({ path: join(shots, 'failure.png') }).catch(() => {});
} finally {
  for (const p of browser.problems) fail(p);
  await browser.close();
  await server.close();
}
console.log(JSON.stringify(timings));
await writeFile(join(shots, 'index.html'), `<!doctype html><meta charset=utf-8>
<title>ARQuorel in Chromium</title><h1>The browser build in Chromium (headless, fake camera)</h1>
<p>Places: data &copy; OpenStreetMap contributors, ODbL 1.0.</p>
<figure><img src="start.png" width=375><figcaption>The start page</figcaption></figure>
<figure><img src="casino.png" width=375><figcaption>Place du Casino, facing the Casino (heading 108), upright</figcaption></figure>
<figure><img src="harbour.png" width=375><figcaption>Facing the harbour (heading 225), tilted down 10 degrees</figcaption></figure>
`);
if (!process.exitCode) console.log('ok: the Casino card is on the main screen; shots in ' + shots);
