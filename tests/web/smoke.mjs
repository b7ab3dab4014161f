// The browser build in one engine (browser.mjs: Chromium, Firefox or WebKit, each headless or
// on a virtual display with a fake camera, fed a phone's sensors), at Place du Casino in Monaco:
//   - Start on the start page shows the main screen; the time to the first frame with the
//     Casino's card is measured;
//   - the canvas drawn frame by frame with retained layers equals the screen drawn directly;
//   - facing the Casino upright, the cards and their frames equal the native main screen's in
//     the same pose (tests/web/casino.scenario on build/debug/arquorel-sim, when it is built);
//   - tilted down 10 degrees, the Casino's card rises to where it is natively (the tilt's
//     signs, each engine's own, reach the page right);
//   - turning the compass moves the cards, a new position changes the distances;
//   - a tap on the Casino's card reaches the page; the back button returns to the start page,
//     and a second start works as the first;
//   - with the built-in details: the list button opens the list with its rows, raising the
//     phone closes it; the rows on screen lie out as the native list's for the same places,
//     pose and screen, every view within 2 points; a tap on the Casino's card opens its
//     details with the title, the map with the walking route (from the map pack) and the
//     contact rows; a tap enlarges the map;
//     the web site row shows the page (served by the test) in the in-page frame with its
//     "open in the browser" button, which opens it in a new tab; the frame leaves with the
//     screen; the mail row opens a mailto: link; the share button shares (or copies, with a
//     notice); back returns to the main screen;
//   - the call button dials the Casino's Monaco number; phone texts of Monaco, Russia, the
//     United States and other countries read in their region give the tel: addresses a call
//     button dials (none for numbers that are not of the region);
//   - no page error and no console error.
// Chromium alone (the others' drivers cannot follow new tabs and frames, nor answer prompts):
// the web page's contents in its frame and in a new tab, and everything refused.
// Screenshots and view trees go to build/web-shots/ (Chromium) or build/web-shots/ENGINE/ with
// an index.html.
//
//   ./run web test        (or: ./run web build; cd tests/web && npm ci && node smoke.mjs [ENGINE])
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { mkdir, readFile, writeFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { engines, launch } from './browser.mjs';
import { serve } from './server.mjs';
import { cards, compareCards, compareRows, windowFrame } from './viewtree.mjs';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const site = join(root, 'build', 'web');
const engine = process.argv[2] || 'chromium';
if (!engines.includes(engine)) {
  console.error(`usage: node smoke.mjs [${engines.join('|')}]`);
  process.exit(2);
}
const chromium = engine === 'chromium';
const out = join(root, 'build', 'web-shots', ...(chromium ? [] : [engine]));
const casino = { latitude: 43.7393682, longitude: 7.4272085 };
const casinoName = 'Casino de Monte Carlo';

let failures = 0;
function check(ok, message) {
  if (ok) {
    console.log(`ok (${engine}): ${message}`);
  } else {
    console.error(`FAIL (${engine}): ${message}`);
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
// The Casino's web site for the web page screen: a page of the test's own (another origin).
const sitePage = '<!doctype html><title>Casino test page</title><h1>The Casino, served by the test</h1>';
const pagesServed = { '/casino.html': sitePage };
const pages = await serve(join(here, 'no-files'), pagesServed);
const casinoPage = pages.url + 'casino.html';
const casinoLogo = pages.url + 'logo.png';
const server2Url = () => server2.url;
const browser = await launch({ engine });
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
  // Drawn with retained layers the canvas is the screen drawn directly, but for rounding; after
  // these frames, but for layers that moved since they were drawn being copied on whole pixels.
  const layered = await page.evaluate(() => window.arquorelLayersAgainstDirect(false));
  const fresh = await page.evaluate(() => window.arquorelLayersAgainstDirect(true));
  Object.assign(figures, { layeredAgainstDirect: layered, freshLayersAgainstDirect: fresh });
  const differ = (d) => `largest channel difference ${d?.largest} of 255, ` +
    `${(d?.share * 100).toFixed(2)} % of the pixels`;
  // WebKit antialiases curves (the radar's rings, the back button's circle) in a canvas of its
  // own a little wider than on the page's canvas: a few pixels at each, barely a level to see.
  const most = engine === 'webkit' ? { levels: 96, share: 0.02 } : { levels: 8, share: 0.01 };
  check(fresh && fresh.largest <= most.levels && fresh.share < most.share, 'freshly drawn ' +
    `layers show the screen drawn directly (${differ(fresh)}; at most ${most.levels} levels, ` +
    `under ${most.share * 100} %)`);
  check(layered && layered.share < 0.03, 'after these frames the layers show the screen drawn ' +
    `directly but for edges moved by less than a pixel (${differ(layered)}; under 3 %)`);

  const sim = join(root, 'build', 'debug', 'arquorel-sim');
  if (existsSync(sim)) {
    const native = await nativeCasino(sim, 0);
    const { worst, problems } = compareCards(native, facing);
    figures.largestFrameDifferenceToNative = worst;
    check(problems.length === 0 && cards(native).length > 0,
      `the same ${cards(native).length} cards as the native screen, frames within 2 points` +
      (problems.length ? ': ' + problems.slice(0, 5).join('; ') : ''));
    // Tilted down, the cards rise as natively: the tilt's signs reach the page right.
    const nativeDown = card(await nativeCasino(sim, -10), casinoName).frame;
    await sensors.pose(108, -10);
    const near = (t) => Math.abs((card(t, casinoName)?.frame[1] ?? 1e9) - nativeDown[1]) <= 2;
    await treeWhere(near, 'the card to settle', 10000).catch(() => {});  // the tilt's filter
    const down = await shot(page, 'casino-down', 'Facing the Casino, tilted down 10 degrees');
    const browserDown = card(down, casinoName)?.frame;
    check(browserDown && Math.abs(browserDown[1] - nativeDown[1]) <= 2,
      `tilted down, the Casino's card rises as natively (y ${browserDown && browserDown[1]} ` +
      `against ${nativeDown[1]}; upright ${card(facing, casinoName).frame[1]})`);
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
  await nudgeCompass();
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

  await builtinScreens(again);
  await dialStrings();
} catch (error) {
  check(false, error.message);
  await page.screenshot({ path: join(out, 'failure.png') }).catch(() => {});
} finally {
  for (const p of browser.problems) check(false, p);
  await browser.close();
  await server.close();
  await pages.close();
}

// The native main screen facing the Casino at `pitch`, at the page's size and scale (an engine
// may not offer the phone's): tests/web/casino.scenario on the simulated device.
async function nativeCasino(sim, pitch) {
  const [width, height, scale] = await page.evaluate(() => [innerWidth, innerHeight, devicePixelRatio]);
  const nativeOut = join(root, 'build', 'web-native', engine, `pitch${pitch}`);
  await mkdir(nativeOut, { recursive: true });
  const scenario = join(nativeOut, 'casino.scenario');
  await writeFile(scenario, (await readFile(join(here, 'casino.scenario'), 'utf8'))
    .replace(/^places (.*)$/m, (m, file) => 'places ' + join(here, file))
    .replace(/^screen .*$/m, `screen ${width}x${height}@${scale}`)
    .replace(/^at 0 pitch .*$/m, `at 0 pitch ${pitch}`));
  execFileSync(sim, ['run', '--scenario', scenario, '--out', nativeOut], { stdio: 'ignore' });
  return readFile(join(nativeOut, 'casino.tree'), 'utf8');
}

// Waits until the view tree matches `test` (a function of the tree); returns the tree.
async function treeWhere(test, what, timeout = 10000) {
  const until = Date.now() + timeout;
  for (;;) {
    const tree = await page.evaluate(() => window.arquorelViewTree());
    if (test(tree)) return tree;
    if (Date.now() > until) throw new Error('timed out waiting for ' + what);
    await page.waitForTimeout(100);
  }
}

// Overridden sensors fire only when their readings change, a phone's compass all the time: a
// screen that starts listening (the main screen again, the details' map) gets its readings.
async function nudgeCompass() {
  await sensors.pose(108.5, 0);
  await page.waitForTimeout(200);
  await sensors.pose(108, 0);
}

async function tapView(tree, pattern) {
  const f = windowFrame(tree, pattern);
  if (!f) throw new Error('no view ' + pattern + ' to tap');
  await page.touchscreen.tap(f.x + f.width / 2, f.y + f.height / 2);
}

// The screens behind the main screen, with "A tap on a place" opening the details.
async function builtinScreens(mainTree) {
  await tapView(mainTree, /Button #backbutton/);
  await page.waitForSelector('#start', { state: 'visible', timeout: 5000 });
  // The Monaco places, the Casino's web site on the test's page server.
  const places = JSON.parse(await readFile(join(root, 'data', 'monaco', 'places.json'), 'utf8'));
  const record = places.find((p) => p.name === casinoName);
  record.link = casinoPage;
  // A PNG logo (made by the browser: red above, blue below), decoded by the browser.
  const png = await page.evaluate(() => {
    const c = document.createElement('canvas');
    c.width = 64;
    c.height = 64;
    const g = c.getContext('2d');
    g.fillStyle = '#d0021b';
    g.fillRect(0, 0, 64, 32);
    g.fillStyle = '#1040d0';
    g.fillRect(0, 32, 64, 32);
    return c.toDataURL('image/png').split(',')[1];
  });
  pagesServed['/logo.png'] = { type: 'image/png', body: Buffer.from(png, 'base64') };
  record.logo = casinoLogo;
  record.phone = '98 06 21 21';  // written as in Monaco: read in the place's country
  await page.check('input[value=file]');
  await page.setInputFiles('#placesFile', { name: 'monaco.json', mimeType: 'application/json',
    buffer: Buffer.from(JSON.stringify(places)) });
  await page.selectOption('#details', 'builtin');
  // Tilted down to read: the list stays open while the phone is not upright.
  await sensors.pose(108, -50);
  await page.click('#startButton');
  await page.waitForFunction((name) => window.arquorelViewTree().includes(name), casinoName,
    { timeout: 20000, polling: 50 });
  await page.waitForTimeout(1500);

  await page.click('#listButton');
  await treeWhere((t) => /ArPlaceCell/.test(t), 'the list');
  await page.waitForTimeout(800);
  const listTree = await shot(page, 'list', 'The list button (the page\'s own): the places list with its hint, phone tilted down to read');
  const rows = listTree.match(/\[\d+\] ArPlaceCell/g) || [];
  check(rows.length >= 5, `the list button opens the list with its rows (${rows.length} on screen)`);
  await compareListWithNative(places, listTree);
  check(await page.isHidden('#listButton'), 'the list button leaves with the main screen');
  await sensors.pose(108, 0);  // raised upright: the list closes itself
  await treeWhere((t) => !/ArPlaceCell/.test(t), 'the list to close');
  await page.waitForTimeout(500);
  await nudgeCompass();
  await page.waitForTimeout(2000);
  check(await page.isVisible('#listButton'), 'raising the phone closes the list; the list button is back');

  // A tap on the Casino's card: the details screen.
  const facing = await page.evaluate(() => window.arquorelViewTree());
  const target = cards(facing).filter((c) => c.name === casinoName && !c.hidden)[0];
  if (!target) throw new Error('no Casino card to tap');
  await page.touchscreen.tap(target.frame[0] + target.frame[2] / 2, target.frame[1] + target.frame[3] / 2);
  const details = await treeWhere((t) => /MapView #mapp .* overlays="1"/.test(t),
    'the details screen with the walking route', 15000);
  await nudgeCompass();  // the map follows the compass around the user
  await page.waitForTimeout(1200);  // the presentation settles
  await shot(page, 'details', 'A tap on the Casino\'s card (built-in details): header with a PNG logo, the walk on the map from the map pack, the contact rows');
  check(new RegExp(`Label #titlelabel .* text="${casinoName}"`).test(details),
    'the details screen shows the Casino\'s title');
  check(/MapView #mapp .* overlays="1"/.test(details), 'the map shows the walking route');
  const logo = await treeWhere((t) => /ImageView #iconIv .*image="([^"]*)"/.exec(t)?.[1] === casinoLogo,
    'the PNG logo', 5000).catch(() => '');
  const logoBox = windowFrame(logo || details, /ImageView #iconIv/);
  const logoPixels = logo ? await page.evaluate(({ x, y, width, height }) => {
    const canvas = document.querySelector('#screen canvas');
    const s = canvas.width / canvas.clientWidth;
    const g = canvas.getContext('2d');
    const at = (px, py) => Array.from(g.getImageData(Math.round(px * s), Math.round(py * s), 1, 1).data);
    return [at(x + width / 2, y + height / 4), at(x + width / 2, y + (3 * height) / 4)];
  }, logoBox) : [];
  check(logoPixels.length === 2 && logoPixels[0][0] > 180 && logoPixels[0][2] < 60 &&
    logoPixels[1][2] > 180 && logoPixels[1][0] < 60,
  `the PNG logo, decoded by the browser, shows in the header (${JSON.stringify(logoPixels)})`);
  check(['emailRow', 'websiteRow', 'wikipediaRow'].every((r) =>
    new RegExp(`Button #${r} \\(0\\.0, \\d`).test(details)), 'the mail, web site and encyclopedia rows');

  // A tap on the map enlarges it; back makes it small again.
  const small = windowFrame(details, /MapView #mapp/);
  await tapView(details, /View #mapHolderView/);
  const large = await treeWhere((t) => {
    const f = windowFrame(t, /MapView #mapp/);
    return f && f.height > small.height + 100;
  }, 'the map to grow');
  await page.waitForTimeout(800);
  await shot(page, 'details-map', 'A tap on the map enlarges it (the route on the streets of the pack)');
  check(true, 'a tap on the map enlarges it');
  await tapView(large, /Button #backButton/);
  const shrunk = await treeWhere((t) => {
    const f = windowFrame(t, /MapView #mapp/);
    return f && Math.abs(f.height - small.height) < 1;
  }, 'the map to shrink');

  // The web site row: the page in the in-page frame, with the open-in-the-browser button.
  await tapView(shrunk, /Button #websiteRow/);
  await treeWhere((t) => /Button #doneButton/.test(t), 'the web page screen');
  if (chromium) {
    const frame = await (async () => {
      const until = Date.now() + 10000;
      for (;;) {
        const f = page.frames().find((x) => x.url() === casinoPage);
        if (f) return f;
        if (Date.now() > until) throw new Error('no frame of ' + casinoPage);
        await page.waitForTimeout(100);
      }
    })();
    const heading = await frame.textContent('h1', { timeout: 5000 });
    check(heading === 'The Casino, served by the test', `the web page screen shows the page in a frame (${heading})`);
  }
  await page.waitForFunction((url) => document.querySelector('iframe')?.src === url, casinoPage,
    { timeout: 5000 });
  const sandbox = await page.getAttribute('iframe', 'sandbox');
  check(sandbox === 'allow-scripts allow-popups allow-same-origin', `the frame is sandboxed (${sandbox})`);
  check(await page.isVisible('.arquorel-open-in-browser'), 'the web page screen has its open-in-the-browser button');
  await page.waitForTimeout(1000);
  const webTree = await shot(page, 'web-page', 'The web site row: the page in a frame over the screen, with "Open in the browser"');
  const box = await page.evaluate(() => {
    const r = document.querySelector('.arquorel-webview')?.getBoundingClientRect();
    return r && { y: r.y, height: r.height };
  });
  const wv = windowFrame(webTree, /WebView #webView|View #webView/);
  check(box && wv && Math.abs(box.y - wv.y) < 2 && Math.abs(box.height - wv.height) < 2,
    'the frame lies where the web view is');
  if (chromium) {
    const [tab] = await Promise.all([page.context().waitForEvent('page', { timeout: 5000 }),
      page.click('.arquorel-open-in-browser')]);
    check(tab.url() === casinoPage, `"Open in the browser" opens the page in a new tab (${tab.url()})`);
    await tab.close();
  }
  await tapView(webTree, /Button #doneButton/);
  const afterWeb = await treeWhere((t) => !/Button #doneButton/.test(t), 'the web page screen to close');
  await page.waitForTimeout(600);
  check(await page.evaluate(() => document.querySelectorAll('iframe').length) === 0,
    'the frame leaves with the web page screen');

  // The mail row: a mailto: link with the place's address.
  await page.evaluate(() => {
    window.arquorelLinks = [];
    const click = HTMLAnchorElement.prototype.click;
    HTMLAnchorElement.prototype.click = function () {
      if (/^(mailto|tel):/.test(this.href)) window.arquorelLinks.push(this.href);
      else click.call(this);
    };
  });
  await tapView(afterWeb, /Button #emailRow/);
  await page.waitForTimeout(500);
  const links = await page.evaluate(() => window.arquorelLinks);
  check(links.length === 1 && links[0] === 'mailto:vip@montecarlocasinos.com',
    `the mail row opens a mailto: link (${links.join(', ')})`);
  const noNotice = await page.evaluate(() => window.arquorelViewTree());
  check(!/AlertController|No mail/i.test(noNotice), 'no mail notice: the browser can send mail');

  // The call button: the Monaco number, written without its country code, dialled in full.
  const phoneLine = noNotice.split('\n').find((line) => /Button #phoneButton /.test(line));
  check(phoneLine && !/ hidden/.test(phoneLine),
    `the details screen has a call button for the Casino's number (${phoneLine})`);
  await tapView(noNotice, /Button #phoneButton/);
  await page.waitForTimeout(500);
  const calls = await page.evaluate(() => window.arquorelLinks.slice(1));
  check(calls.length === 1 && calls[0] === 'tel:+37798062121',
    `the call button dials the Casino in Monaco (${calls.join(', ')})`);

  // Share: the Web Share sheet where the browser has one, else the clipboard and a notice.
  const hasShare = await page.evaluate(() => {
    if (!navigator.share) return false;
    window.arquorelShared = [];
    navigator.share = async (data) => { window.arquorelShared.push(data); };
    return true;
  });
  await tapView(noNotice, /Button #shareButton/);
  await page.waitForTimeout(1000);
  const osm = 'https://www.openstreetmap.org/node/4416197079';
  if (hasShare) {
    const shared = await page.evaluate(() => window.arquorelShared);
    check(shared.length === 1 && shared[0].url === osm && shared[0].text === casinoName,
      `the share button hands the text and address to the share sheet (${JSON.stringify(shared)})`);
  } else if (chromium) {
    const notice = await page.textContent('.arquorel-notice', { timeout: 2000 }).catch(() => '');
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    await shot(page, 'share-copied', 'No share sheet in this browser: the share button copies the text and address and says so; the drawn sheet has closed');
    check(notice === 'Copied to the clipboard' && copied === `${casinoName}\n${osm}`,
      `without a share sheet the share button copies to the clipboard with a notice (${notice}: ${JSON.stringify(copied)})`);
  }
  const afterShare = await treeWhere((t) => !/ShareSheet|Cancel/.test(t), 'the drawn sheet to close',
    5000).catch(() => page.evaluate(() => window.arquorelViewTree()));
  check(!/ShareSheet|Cancel/.test(afterShare), 'the sheet drawn in the window closes once the browser took the items');

  // Back to the main screen.
  await tapView(afterShare, /Button #backButton/);
  await treeWhere((t) => !/View #placeView/.test(t) && t.includes(casinoName), 'the main screen');
  await page.waitForTimeout(500);
  await nudgeCompass();
  await page.waitForTimeout(2000);
  const main = await shot(page, 'details-closed', 'Back from the details: the main screen again, facing the Casino');
  const again = cards(main).find((c) => c.name === casinoName && !c.hidden);
  check(again && Math.abs(again.frame[0] - target.frame[0]) < 5 && await page.isVisible('#listButton'),
    `back returns to the main screen, the Casino's card where it was (${again && again.frame})`);
}
// The rows of the list lie out as natively, text and all, for the same places, pose and screen.
async function compareListWithNative(places, listTree) {
  const sim = join(root, 'build', 'debug', 'arquorel-sim');
  if (!existsSync(sim)) {
    console.log('skipped: the list against the native one (build/debug/arquorel-sim is not built)');
    return;
  }
  const [width, height, scale] = await page.evaluate(() => [innerWidth, innerHeight, devicePixelRatio]);
  const nativeOut = join(root, 'build', 'web-native', engine);
  await mkdir(nativeOut, { recursive: true });
  await writeFile(join(nativeOut, 'places.json'), JSON.stringify(places));
  await writeFile(join(nativeOut, 'list.scenario'), [`places ${join(nativeOut, 'places.json')}`,
    `screen ${width}x${height}@${scale}`, 'lang en', 'units metric',
    `at 0 fix ${casino.latitude} ${casino.longitude}`, 'at 0 heading 108', 'at 0 pitch -50',
    'at 0.5 present', 'at 2.5 tap 187 406', 'at 4 tap 187 406', 'at 6 open list',
    'at 8 shot list', ''].join('\n'));
  execFileSync(sim, ['run', '--scenario', join(nativeOut, 'list.scenario'), '--out', nativeOut],
    { stdio: 'ignore' });
  const native = await readFile(join(nativeOut, 'list.tree'), 'utf8');
  const { rows, problems } = compareRows(native, listTree);
  check(rows >= 5 && problems.length === 0,
    `the list's ${rows} rows on screen lie out as natively, every view within 2 points` +
    (problems.length ? ': ' + problems.slice(0, 5).join('; ') : ''));
}

// Numbers of every country get a call button: what the details screen dials for a phone text
// read in a region (libphonenumber-js in the page, through the platform's reader). The trunk
// prefix goes, the leading digits of a number of normal length stay.
async function dialStrings() {
  const cases = [
    ['93 25 00 00', 'MC', ['tel:+37793250000']],
    ['+377 93 25 00 00', '', ['tel:+37793250000']],
    ['812 123 45 67', 'RU', ['tel:+78121234567']],
    ['8 812 123 45 67', 'RU', ['tel:+78121234567']],
    ['800 555 35 35', 'US', ['tel:+18005553535']],
    ['1 (800) 555-35-35', 'us', ['tel:+18005553535']],
    ['021 123 4567', 'ZA', ['tel:+27211234567']],
    ['020 2222 222', 'KE', ['tel:+254202222222']],
    ['93 25 00 00; +7 812 123 45 67', 'MC', ['tel:+37793250000', 'tel:+78121234567']],
    ['93 25 00 00', '', []],  // no country known: only numbers with their country code
    ['04 93 15 20 00', 'MC', []],  // a French number is not one of Monaco
    ['12', 'FR', []],
    ['javascript:alert(1)', 'FR', []],
  ];
  const answers = await page.evaluate(async (list) => {
    const component = await import(new URL('arquorel.js', location.href).href);
    const out = [];
    for (const [phone, region] of list) out.push(await component.dialStrings(phone, region));
    return out;
  }, cases);
  cases.forEach(([phone, region, want], i) => {
    check(JSON.stringify(answers[i]) === JSON.stringify(want),
      `"${phone}" in ${region || 'no region'}: ${want.length ? 'dials ' + want.join(', ') : 'no call button'}` +
      ` (${JSON.stringify(answers[i])})`);
  });
}

// Everything refused: no camera picture (the camera button instead) and the alert that the
// location is refused.
const refusing = chromium ? await launch({ refuse: true }) : null;
if (refusing) try {
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
  await refusing.page.waitForFunction(() => window.arquorelViewTree().includes('Location access is off'),
    null, { timeout: 30000, polling: 100 });
  await refusing.page.waitForTimeout(500);
  const refused = await shot(refusing.page, 'refused',
    'Camera and position refused: the camera button and the location-refused alert');
  check(/Button #allovCameraAccessButton (?!.* hidden)/.test(refused),
    'a refused camera shows the camera access button');
  check(refused.includes('Location access is off'), 'a refused position shows the location-refused alert');
} catch (error) {
  check(false, error.message);
} finally {
  for (const p of refusing.problems) check(false, p);
  await refusing.close();
  await server2.close();
}
if (!refusing) await server2.close();

await writeFile(join(out, 'index.html'), `<!doctype html><meta charset=utf-8>
<title>ARQuorel in ${browser.version}</title><h1>The browser build in ${browser.version}</h1>
<p>Places: data &copy; OpenStreetMap contributors, ODbL 1.0.</p>
${shots.map((s) => `<figure><img src="${s.name}.png" width=375><figcaption>${s.caption}</figcaption></figure>`).join('\n')}
`);
console.log(JSON.stringify({ engine, ...figures }));
console.log(failures ? `${failures} check(s) failed` : 'all checks passed; shots in ' + out);
process.exitCode = failures ? 1 : 0;
