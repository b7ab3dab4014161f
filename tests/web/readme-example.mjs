// The README's module example ("In a web page"), served exactly as the README shows it beside
// the built page, used by touch on a phone-sized screen: laid out at the phone's width, the
// Start button reachable, the screen shown over the page, and after the screen's back button
// the page works again (a second Start shows the screen again).
//
//   node tests/web/readme-example.mjs   (after ./run web build)
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');

let failures = 0;
function check(ok, message) {
  if (ok) {
    console.log('ok: ' + message);
  } else {
    console.error('FAIL: ' + message);
    failures += 1;
  }
}

// The first html block after the "In a web page" heading.
const readme = readFileSync(join(root, 'README.md'), 'utf8');
const section = readme.slice(readme.indexOf('### In a web page'));
const example = /```html\n([\s\S]*?)```/.exec(section);
if (!example) {
  console.error('FAIL: README.md has no html example under "In a web page"');
  process.exit(1);
}

const server = await serve(join(root, 'build', 'web'), { '/example.html': example[1] },
  { compress: true });
const browser = await launch();
const { page, sensors } = browser;
// Files the page asked for and did not get (the browser's own favicon request aside).
const missing = [];
page.on('response', (r) => {
  if (r.status() >= 400 && !r.url().endsWith('/favicon.ico')) missing.push(`${r.url()} (${r.status()})`);
});
// Where the centre of an element is, and whether a touch there reaches it.
const reachable = (selector) => page.evaluate((s) => {
  const element = document.querySelector(s);
  const r = element.getBoundingClientRect();
  if (!r.width || !r.height) return null;
  const x = r.left + r.width / 2, y = r.top + r.height / 2;
  return document.elementFromPoint(x, y) === element ? { x, y } : null;
}, selector);
const screenShown = () => page.evaluate(() => {
  const ar = document.getElementById('ar');
  return !ar.hidden && !!ar.querySelector('canvas') && ar.getBoundingClientRect().width > 0;
});
try {
  await sensors.enable();
  await sensors.pose(108, 0);
  await sensors.position(43.7393682, 7.4272085);
  await page.goto(server.url + 'example.html');
  const width = await page.evaluate(() => document.documentElement.clientWidth);
  check(width === 375, `the page is laid out at the phone's width (${width} CSS px)`);
  for (const round of ['first', 'second']) {
    const go = await reachable('#go');
    check(!!go, `${round} Start: the button is on top where it is touched`);
    if (!go) break;
    await page.touchscreen.tap(go.x, go.y);
    await page.waitForFunction(() => {
      const ar = document.getElementById('ar');
      return (!ar.hidden && ar.querySelector('canvas')) || document.getElementById('problem').textContent;
    }, null, { timeout: 15000 }).catch(() => null);
    check(await screenShown(), `${round} Start: the main screen shows over the page ` +
      (await page.evaluate(() => document.getElementById('problem').textContent)));
    await page.waitForTimeout(1000);
    // The screen's back button: top left, 8 points in and 48 down, 44 points square.
    await page.touchscreen.tap(8 + 22, 48 + 22);
    await page.waitForFunction(() => document.getElementById('ar').hidden, null, { timeout: 5000 })
      .catch(() => null);
    check(!(await screenShown()), `${round} back: the page is shown again`);
  }
  check(!missing.length, `every file the example needs is there: ${missing.join(', ')}`);
  const errors = browser.problems.filter((p) => !/Failed to load resource/.test(p));
  check(!errors.length, `no page errors: ${errors.join('; ')}`);
} catch (error) {
  check(false, 'the README example ran through: ' + (error.stack || error));
} finally {
  await browser.close();
  await server.close();
}
console.log(failures ? `${failures} check(s) failed` : 'the README example works by touch');
process.exit(failures ? 1 : 0);
