// The page's accessibility in the distribution's Chromium, at Place du Casino in Monaco:
//   - the accessibility tree Chromium exposes (DevTools protocol) holds the elements of the
//     native tree of the same window, in the same order, with the same roles and names, and
//     the mirror's elements lie over their views; with build/debug/arquorel-sim built, the
//     native screen in the same pose (tests/web/casino.scenario) has the same elements; turning back to
//     the Casino, its announcement reaches the polite live region;
//   - the keyboard alone: Tab reaches the Casino's card with a visible focus ring, Enter
//     opens its details (the focus moves to the details' heading), Tab and Enter on Route open
//     the route sheet, Escape cancels it and Escape again comes back;
//     the list opens, Escape closes its hint and then the list;
//   - axe-core finds no serious or critical violation on the start page, the main screen, the
//     list and the details screen;
//   - with prefers-reduced-motion, the radar's sweep does not turn;
//   - no page error and no console error.
//
//   ./run web test        (or: ./run web build; cd tests/web && npm ci && node a11y.mjs)
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const site = join(root, 'build', 'web');
const casino = { latitude: 43.7393682, longitude: 7.4272085 };
const casinoName = 'Casino de Monte Carlo';
const axePath = join(here, 'node_modules', 'axe-core', 'axe.min.js');

let failures = 0;
function check(ok, message) {
  if (ok) {
    console.log('ok: ' + message);
  } else {
    console.error('FAIL: ' + message);
    failures += 1;
  }
}

// The elements of a native accessibility dump, groups flattened, as the page's mirror shows
// them: role and accessible name, and the frame.
export function nativeElements(dump) {
  const roles = { button: 'button', adjustable: 'slider', header: 'heading', image: 'image' };
  const text = '"((?:[^"\\\\]|\\\\.)*)"';
  const line = new RegExp(`^\\s*(\\w+)(?: #\\S+)?(?: ${text})? \\((-?[\\d.]+), (-?[\\d.]+), ([\\d.]+), ([\\d.]+)\\)(?: value=${text})?`);
  const unquote = (s) => (s || '').replace(/\\n/g, '\n').replace(/\\(.)/g, '$1');
  const out = [];
  for (const l of dump.split('\n')) {
    const m = line.exec(l);
    if (!m || m[1] === 'group') continue;
    const role = roles[m[1]] || 'text';
    const label = unquote(m[2]), value = unquote(m[7]);
    const name = role === 'slider' ? label : [label, value].filter((s) => s).join(', ');
    out.push({ role, name, frame: m.slice(3, 7).map(Number) });
  }
  return out;
}

// The elements under the mirror in Chromium's accessibility tree, in order: named widgets by
// role and name, plain text by its text.
async function chromiumElements(cdp) {
  const { root: doc } = await cdp.send('DOM.getDocument', { depth: 0 });
  const { nodeId } = await cdp.send('DOM.querySelector', { nodeId: doc.nodeId, selector: '.arquorel-a11y' });
  if (!nodeId) return null;
  const { node } = await cdp.send('DOM.describeNode', { nodeId });
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  const byId = new Map(nodes.map((n) => [n.nodeId, n]));
  const top = nodes.find((n) => n.backendDOMNodeId === node.backendNodeId);
  const out = [];
  const walk = (n) => {
    const role = n.role && n.role.value;
    const name = (n.name && n.name.value) || '';
    if (!n.ignored && ['button', 'heading', 'image', 'slider'].includes(role)) {
      out.push({ role, name });
      return;
    }
    if (!n.ignored && role === 'StaticText') {
      out.push({ role: 'text', name });
      return;
    }
    for (const id of n.childIds || []) if (byId.has(id)) walk(byId.get(id));
  };
  if (top) walk(top);
  return out;
}

const sameList = (a, b) => a.length === b.length &&
  a.every((e, i) => e.role === b[i].role && e.name === b[i].name);

function firstDifference(a, b) {
  for (let i = 0; i < Math.max(a.length, b.length); ++i) {
    const x = a[i], y = b[i];
    if (!x || !y || x.role !== y.role || x.name !== y.name)
      return `#${i}: ${x ? x.role + ' "' + x.name + '"' : 'none'} against ${y ? y.role + ' "' + y.name + '"' : 'none'}`;
  }
  return '';
}

// axe-core over the whole page; the serious and critical violations, one line each.
async function axe(page, what) {
  if (!(await page.evaluate(() => !!window.axe))) await page.addScriptTag({ path: axePath });
  const result = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  const bad = result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
  check(bad.length === 0, `axe-core: no serious or critical violation on ${what}` + (bad.length
    ? ': ' + bad.map((v) => `${v.id} (${v.impact}) at ${v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')}`).join('; ')
    : ''));
}

const tree = (page) => page.evaluate(() => window.arquorelViewTree());
async function treeWhere(page, test, what, timeout = 10000) {
  const until = Date.now() + timeout;
  for (;;) {
    const t = await tree(page);
    if (test(t)) return t;
    if (Date.now() > until) throw new Error('timed out waiting for ' + what);
    await page.waitForTimeout(100);
  }
}

// The focused element of the mirror: its accessible text and its focus ring.
const focused = (page) => page.evaluate(() => {
  const e = document.activeElement;
  if (!e || !e.closest('.arquorel-a11y')) return null;
  const style = getComputedStyle(e);
  return { name: e.getAttribute('aria-label') || e.textContent, ring: style.outlineStyle,
    ringWidth: parseFloat(style.outlineWidth), role: e.getAttribute('role') };
});

const server = await serve(site);
const browser = await launch();
const { page, cdp, sensors } = browser;
try {
  await sensors.enable();
  await sensors.pose(108, 0);
  await sensors.position(casino.latitude, casino.longitude);
  await page.goto(server.url);
  await axe(page, 'the start page');

  // Started from the keyboard.
  await page.selectOption('#details', 'builtin');
  await page.focus('#startButton');
  await page.keyboard.press('Enter');
  await page.waitForFunction((name) => window.arquorelViewTree().includes(name), casinoName,
    { timeout: 20000, polling: 50 });
  await page.waitForTimeout(3000);  // the sensor filters settle

  // The mirror holds the native tree of this very window, and lies over its views.
  let native = [], chromium = [];
  for (let tries = 0; tries < 10; ++tries) {
    native = nativeElements(await page.evaluate(() => window.arquorelAccessibilityTree()));
    chromium = (await chromiumElements(cdp)) || [];
    if (native.length && sameList(native, chromium)) break;
    await page.waitForTimeout(200);
  }
  check(native.length > 0 && sameList(native, chromium),
    `Chromium's accessibility tree holds the ${native.length} elements of the native tree, in order` +
    (sameList(native, chromium) ? '' : ': ' + firstDifference(native, chromium)));
  const boxes = await page.evaluate(() => [...document.querySelectorAll('.arquorel-a11y > *')]
    .map((e) => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; }));
  const off = native.filter((e, i) => !boxes[i] ||
    e.frame.some((v, k) => Math.abs(v - boxes[i][k]) > 1.5));
  check(boxes.length === native.length && off.length === 0,
    `the mirror's elements lie over their views (${off.length} off` +
    (off.length ? ': ' + off.slice(0, 3).map((e) => e.name + ' ' + e.frame).join('; ') : '') + ')');
  const names = chromium.map((e) => e.name);
  check(names.some((n) => n.includes(casinoName)), `the Casino is an element (${names.length} elements)`);

  // The native screen in the same pose (tests/web/casino.scenario, as smoke.mjs plays it)
  // holds the same elements; order aside, since cards a point apart may swap. The page's
  // attribution adds the licence to the native one.
  const sim = join(root, 'build', 'debug', 'arquorel-sim');
  if (existsSync(sim)) {
    const shots = join(root, 'build', 'web-native-a11y');
    execFileSync(sim, ['run', '--scenario', join(here, 'casino.scenario'), '--out', shots],
      { stdio: 'ignore' });
    const key = (e) => e.role + ' ' + e.name.replace(/, ODbL 1\.0$/, '');
    const wanted = nativeElements(await readFile(join(shots, 'casino.a11y'), 'utf8')).map(key).sort();
    const got = chromium.map(key).sort();
    const missing = wanted.filter((k) => !got.includes(k)), extra = got.filter((k) => !wanted.includes(k));
    check(wanted.length > 0 && missing.length === 0 && extra.length === 0,
      `the native screen in the same pose has the same ${wanted.length} elements` +
      (missing.length || extra.length ? `: only native ${JSON.stringify(missing)}, only in Chromium ${JSON.stringify(extra)}` : ''));
  } else {
    console.log('skipped: the native screen\'s tree (build/debug/arquorel-sim is not built)');
  }
  await axe(page, 'the main screen');

  // Turned away and back: the place ahead is announced in the live region.
  const live = () => page.evaluate(() => {
    const region = document.querySelector('#screen [role=status][aria-live=polite]');
    return region ? region.textContent : null;
  });
  await sensors.pose(225, 0);
  await page.waitForTimeout(3500);
  await sensors.pose(108, 0);
  let heard = '';
  for (const until = Date.now() + 8000; Date.now() < until && !heard.includes(casinoName);) {
    await page.waitForTimeout(100);
    heard = (await live()) || '';
  }
  check(heard.includes(casinoName) && /ahead/.test(heard),
    `turned back to the Casino, the live region says it (${heard})`);

  // The keyboard alone: Tab to the Casino, Enter opens its details, Escape comes back.
  await page.focus('.arquorel-a11y > *');
  let reached = null;
  for (let presses = 0; presses < 80; ++presses) {
    const f = await focused(page);
    if (f && f.name.includes(casinoName)) {
      reached = f;
      break;
    }
    await page.keyboard.press('Tab');
  }
  check(reached && reached.ring === 'solid' && reached.ringWidth >= 2,
    `Tab reaches the Casino's card with a visible focus ring (${reached ? reached.ring + ' ' + reached.ringWidth + 'px' : 'not reached'})`);
  await page.keyboard.press('Shift+Tab');
  const before = await focused(page);
  await page.keyboard.press('Tab');
  const back = await focused(page);
  check(before && back && before.name !== back.name && back.name.includes(casinoName),
    'Shift-Tab goes back one element, Tab forward again');
  await page.keyboard.press('Enter');
  await treeWhere(page, (t) => new RegExp(`Label #titlelabel .* text="${casinoName}"`).test(t),
    'the Casino\'s details', 15000);
  await page.waitForTimeout(1500);
  const landed = await focused(page);
  check(landed && landed.role === 'heading' && landed.name.includes(casinoName),
    `the details' heading has the focus (${landed && landed.role} "${landed && landed.name}")`);
  await axe(page, 'the details screen');
  // The route: its sheet takes the focus to its title; Escape cancels it, Escape again leaves.
  let route = null;
  for (let presses = 0; presses < 20 && !(route && route.name === 'Route'); ++presses) {
    await page.keyboard.press('Tab');
    route = await focused(page);
  }
  await page.keyboard.press('Enter');
  await treeWhere(page, (t) => /alert\.Cancel/.test(t), 'the route sheet');
  await page.waitForTimeout(1000);
  const sheet = await focused(page);
  check(route && route.name === 'Route' && sheet && sheet.role === 'heading',
    `Tab and Enter on Route open the route sheet, its title focused (${sheet && sheet.name})`);
  await page.keyboard.press('Escape');
  await treeWhere(page, (t) => !/alert\.Cancel/.test(t), 'the route sheet to close');
  await page.waitForTimeout(800);
  await page.keyboard.press('Escape');
  await treeWhere(page, (t) => !/Label #titlelabel/.test(t) && t.includes(casinoName),
    'the main screen again', 10000);
  check(true, 'Escape goes back from the details to the main screen');

  // The list, tilted down to read (raised upright it closes itself); Escape closes it.
  await sensors.pose(108, -50);
  await page.waitForTimeout(1000);
  await page.focus('#listButton');
  await page.keyboard.press('Enter');
  await treeWhere(page, (t) => /ArPlaceCell/.test(t), 'the list');
  await page.waitForTimeout(1500);
  await axe(page, 'the list');
  // The first Escape closes the list's hint panel, the next the list.
  await page.focus('.arquorel-a11y > *');
  let escapes = 0, open = true;
  while (open && escapes < 3) {
    await page.keyboard.press('Escape');
    ++escapes;
    await page.waitForTimeout(1200);
    open = /ArPlaceCell/.test(await tree(page));
  }
  check(!open, `Escape closes the list's hint, then the list (${escapes} presses)`);
} catch (error) {
  check(false, error.message);
} finally {
  for (const p of browser.problems) check(false, p);
  await browser.close();
  await server.close();
}

// Reduced motion: the page asks for it by the media query, and the radar's sweep stands still.
{
  const server2 = await serve(site);
  const quiet = await launch();
  try {
    await quiet.page.emulateMedia({ reducedMotion: 'reduce' });
    await quiet.sensors.enable();
    await quiet.sensors.pose(108, 0);
    await quiet.sensors.position(casino.latitude, casino.longitude);
    await quiet.page.goto(server2.url);
    await quiet.page.click('#startButton');
    // The sweep shows while the places load (two seconds from the first fix): every look at
    // it in that time finds it still.
    const seen = [];
    const until = Date.now() + 8000;
    while (Date.now() < until) {
      const line = /^.*RadarAnimation.*$/m.exec(await tree(quiet.page));
      if (line && !/ hidden/.test(line[0])) seen.push(/spinning="yes"/.test(line[0]));
      await quiet.page.waitForTimeout(50);
    }
    check(seen.length > 0 && seen.every((spinning) => !spinning),
      `with prefers-reduced-motion the radar's sweep stands still (${seen.filter((x) => x).length} of ${seen.length} looks at it turning)`);
  } catch (error) {
    check(false, error.message);
  } finally {
    for (const p of quiet.problems) check(false, p);
    await quiet.close();
    await server2.close();
  }
}

if (failures) {
  console.error(`${failures} failure(s)`);
  process.exit(1);
}
console.log('all accessibility checks passed');
