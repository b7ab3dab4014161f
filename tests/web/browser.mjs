// The browsers for the browser tests, one small driver each with the same page interface:
//   chromium: the distribution's build through Playwright, headless, fake camera, the compass,
//     tilt and position set through the DevTools protocol;
//   firefox: Firefox ESR through puppeteer-core over WebDriver BiDi, headless, fake camera, fed
//     what Firefox on Android sends (phone.js);
//   webkit: WebKitGTK's MiniBrowser through WebKitWebDriver (WebDriver classic) on a virtual
//     display, mock capture devices for the camera, fed what WebKit on an iPhone sends.
// `launch({ engine })` returns { engine, page, sensors, problems, close }; `page` has the
// Playwright calls the tests use (goto, evaluate, waitForFunction, waitForTimeout, click, check,
// selectOption, setInputFiles, textContent, isVisible, isHidden, waitForSelector, screenshot,
// setViewportSize, touchscreen.tap); `raw` is the engine's own page where a test needs more.
import { chromium } from 'playwright-core';
import { spawn } from 'node:child_process';
import { mkdir, mkdtemp, rm, writeFile } from 'node:fs/promises';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const engines = ['chromium', 'firefox', 'webkit'];

const flags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--use-fake-device-for-media-stream', '--use-fake-ui-for-media-stream'];

// A rotation by `degrees` about one axis, as a quaternion {x, y, z, w}.
function about(axis, degrees) {
  const h = (degrees * Math.PI) / 360;
  const q = { x: 0, y: 0, z: 0, w: Math.cos(h) };
  q[axis] = Math.sin(h);
  return q;
}

function times(a, b) {
  return {
    w: a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
    x: a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
    y: a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
    z: a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
  };
}

// The phone's attitude for a compass heading of where the back camera looks and a pitch
// (0 upright, negative towards the ground), held in portrait.
export function attitude(heading, pitch) {
  const alpha = (360 - heading) % 360;
  const beta = 90 + pitch;
  return times(about('z', alpha), about('x', beta));
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// The calls of the page interface that need nothing but running script in the page.
function scripted(page) {
  const inPage = (fn, arg) => page.evaluate(fn, arg);
  Object.assign(page, {
    waitForTimeout: sleep,
    async waitForFunction(fn, arg, { timeout = 30000, polling = 100 } = {}) {
      const until = Date.now() + timeout;
      const body = `(${fn})`;
      for (;;) {
        const value = await inPage(({ body: b, arg: a }) => (0, eval)(b)(a), { body, arg });
        if (value) return value;
        if (Date.now() > until) throw new Error('timed out waiting for ' + String(fn).slice(0, 80));
        await sleep(polling);
      }
    },
    textContent: (selector) => inPage((s) => document.querySelector(s)?.textContent ?? null, selector),
    getAttribute: (selector, name) =>
      inPage(([s, n]) => document.querySelector(s)?.getAttribute(n) ?? null, [selector, name]),
    isVisible: (selector) => inPage((s) => {
      const e = document.querySelector(s);
      return !!e && e.getClientRects().length > 0 && getComputedStyle(e).visibility !== 'hidden';
    }, selector),
    async isHidden(selector) {
      return !(await page.isVisible(selector));
    },
    async waitForSelector(selector, { state = 'visible', timeout = 30000 } = {}) {
      const until = Date.now() + timeout;
      while ((await page.isVisible(selector)) !== (state === 'visible')) {
        if (Date.now() > until) throw new Error(`timed out waiting for ${selector} to be ${state}`);
        await sleep(100);
      }
    },
    check: (selector) => inPage((s) => {
      const e = document.querySelector(s);
      e.checked = true;
      e.dispatchEvent(new Event('input', { bubbles: true }));
      e.dispatchEvent(new Event('change', { bubbles: true }));
    }, selector),
    selectOption: (selector, value) => inPage(([s, v]) => {
      const e = document.querySelector(s);
      e.value = v;
      e.dispatchEvent(new Event('input', { bubbles: true }));
      e.dispatchEvent(new Event('change', { bubbles: true }));
    }, [selector, value]),
    setInputFiles: (selector, { name, mimeType, buffer }) => inPage(([s, n, t, text]) => {
      const e = document.querySelector(s);
      const files = new DataTransfer();
      files.items.add(new File([text], n, { type: t }));
      e.files = files.files;
      e.dispatchEvent(new Event('change', { bubbles: true }));
    }, [selector, name, mimeType, buffer.toString('utf8')]),
  });
  return page;
}

// Sensors fed through phone.js in the page.
function phoneSensors(page) {
  let pose = null, fix = null;
  // The page may have been loaded again since: the readings are handed on each time.
  const apply = () => page.evaluate(([p, f]) => {
    if (!window.arquorelPhone) return;
    if (p) window.arquorelPhone.pose(p.heading, p.pitch);
    if (f) window.arquorelPhone.position(f.latitude, f.longitude, f.accuracy);
  }, [pose, fix]).catch(() => {});
  return {
    apply,
    async enable() {},
    async pose(heading, pitch) {
      pose = { heading, pitch };
      await apply();
    },
    async position(latitude, longitude, accuracy = 5) {
      fix = { latitude, longitude, accuracy };
      await apply();
    },
  };
}

function withPhone(url, style) {
  const u = new URL(url);
  u.searchParams.set('phone', style);
  return u.href;
}

function freePort() {
  return new Promise((resolve) => {
    const s = createServer();
    s.listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

export async function launch(options = {}) {
  const engine = options.engine || process.env.ARQUOREL_ENGINE || 'chromium';
  if (engine === 'firefox') return launchFirefox(options);
  if (engine === 'webkit') return launchWebKit(options);
  if (engine !== 'chromium') throw new Error('no such engine: ' + engine);
  return launchChromium(options);
}

// Firefox ESR over WebDriver BiDi; the phone's readings through phone.js.
async function launchFirefox({ width = 375, height = 812, scale = 2 } = {}) {
  const { default: puppeteer } = await import('puppeteer-core');
  const profile = await mkdtemp(join(tmpdir(), 'arquorel-firefox-'));
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.ARQUOREL_FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    userDataDir: profile,
    extraPrefsFirefox: {
      'media.navigator.streams.fake': true,
      'media.navigator.permission.disabled': true,
      'permissions.default.camera': 1,
      'dom.w3c_touch_events.enabled': 1,
      'browser.sessionstore.resume_from_crash': false,
    },
  });
  const raw = (await browser.pages())[0] || (await browser.newPage());
  await raw.setViewport({ width, height, deviceScaleFactor: scale, hasTouch: true, isMobile: true });
  const problems = [];
  raw.on('pageerror', (e) => problems.push('page error: ' + e.message));
  raw.on('console', (m) => { if (m.type() === 'error') problems.push('console error: ' + m.text()); });
  const page = scripted({
    raw,
    goto: async (url) => {
      await raw.goto(withPhone(url, 'android'), { waitUntil: 'load' });
      await sensors.apply();
    },
    evaluate: (fn, arg) => raw.evaluate(fn, arg),
    click: (selector) => raw.click(selector),
    screenshot: ({ path }) => raw.screenshot({ path }),
    setViewportSize: ({ width: w, height: h }) =>
      raw.setViewport({ width: w, height: h, deviceScaleFactor: scale, hasTouch: true, isMobile: true }),
    touchscreen: { tap: (x, y) => raw.touchscreen.tap(x, y) },
  });
  const sensors = phoneSensors(page);
  return {
    engine: 'firefox', page, sensors, problems,
    version: await browser.version(),
    async close() {
      await browser.close().catch(() => {});
      await rm(profile, { recursive: true, force: true });
    },
  };
}

// WebDriver classic over HTTP. A command the driver does not answer within `timeoutMs` (past
// the scripts' own limit) fails with the driver named, rather than after fetch's five minutes.
async function webdriver(base, method, path, body, timeoutMs = 130000) {
  let response;
  try {
    response = await fetch(base + path, {
      method,
      headers: body ? { 'content-type': 'application/json' } : {},
      body: body ? JSON.stringify(body) : undefined,
      signal: AbortSignal.timeout(timeoutMs),
    });
  } catch (error) {
    throw new Error(`WebDriver ${method} ${path}: the driver did not answer (${error.message})`);
  }
  const answer = await response.json();
  if (!response.ok || (answer.value && answer.value.error)) {
    throw new Error(`WebDriver ${method} ${path}: ${answer.value?.error}: ${answer.value?.message}`);
  }
  return answer.value;
}

function started(child, what) {
  return new Promise((resolve, reject) => {
    child.once('error', reject);
    child.once('exit', (code) => reject(new Error(`${what} exited (${code})`)));
    child.once('spawn', resolve);
  });
}

// WebKitGTK's MiniBrowser through WebKitWebDriver on its own virtual display; the phone's
// readings through phone.js, the camera from WebKit's mock capture devices.
async function launchWebKit({ width = 375, height = 812 } = {}) {
  // The browser's window cannot be made narrower than its tool bar (447 points with the
  // desktop's theme): a style sheet of the test's own shrinks the window's own controls.
  const children = [];
  let cleanup = async () => {};
  const stop = async () => {
    for (const c of children.reverse()) c.kill('SIGTERM');
    await cleanup();
  };
  try {
    // Xvfb names its display once it is up.
    const xvfb = spawn('Xvfb', ['-displayfd', '1', '-screen', '0', '1280x1024x24', '-nolisten', 'tcp'],
      { stdio: ['ignore', 'pipe', 'ignore'] });
    children.push(xvfb);
    const display = await new Promise((resolve, reject) => {
      xvfb.once('error', reject);
      xvfb.stdout.once('data', (d) => resolve(':' + String(d).trim()));
      setTimeout(() => reject(new Error('Xvfb did not start')), 10000);
    });
    const config = await mkdtemp(join(tmpdir(), 'arquorel-webkit-'));
    cleanup = () => rm(config, { recursive: true, force: true });
    await mkdir(join(config, 'gtk-3.0'));
    await writeFile(join(config, 'gtk-3.0', 'gtk.css'),
      '* { font-size: 1px; min-width: 0; min-height: 0; padding: 0; margin: 0; }\n');
    const port = await freePort();
    const driver = spawn(process.env.ARQUOREL_WEBKIT_DRIVER || 'WebKitWebDriver', ['--port=' + port],
      { stdio: 'ignore',
        env: { ...process.env, DISPLAY: display, WAYLAND_DISPLAY: '', XDG_CONFIG_HOME: config } });
    children.push(driver);
    await started(driver, 'WebKitWebDriver');
    const base = `http://127.0.0.1:${port}`;
    for (let i = 0; ; i++) {
      try {
        await webdriver(base, 'GET', '/status');
        break;
      } catch (e) {
        if (i > 100) throw e;
        await sleep(100);
      }
    }
    const session = await webdriver(base, 'POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': {
        binary: process.env.ARQUOREL_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
        args: ['--automation', '--enable-media-stream=true', '--enable-mock-capture-devices=true',
          '--enable-developer-extras=false'],
      },
    } } });
    const s = (path) => `/session/${session.sessionId}${path}`;
    // Scripts that wait for frames may run long where frames are slow.
    await webdriver(base, 'POST', s('/timeouts'), { script: 120000 });
    // A script that a navigation interrupts (the page still leaving the previous one) runs
    // again on the new page.
    const run = async (fn, arg, tries = 3) => {
      try {
        return await runOnce(fn, arg);
      } catch (error) {
        if (tries <= 1 || !/no such frame|unload/.test(error.message)) throw error;
        await sleep(200);
        return run(fn, arg, tries - 1);
      }
    };
    const runOnce = async (fn, arg) => {
      const value = await webdriver(base, 'POST', s('/execute/async'), {
        script: `const done = arguments[arguments.length - 1];
          Promise.resolve().then(() => (${fn})(arguments[0]))
            .then((v) => done({ ok: v === undefined ? null : v }), (e) => done({ error: String(e && e.stack || e) }));`,
        args: [arg === undefined ? null : arg],
      });
      if (value && 'error' in value) throw new Error('in the page: ' + value.error);
      return value ? value.ok : value;
    };
    const element = async (selector) => Object.values(await webdriver(base, 'POST', s('/element'),
      { using: 'css selector', value: selector }))[0];
    // The window's size for a given page size: the browser's own bar takes the rest.
    const resize = async (w, h) => {
      const [ow, oh, iw, ih] = await run(() => [outerWidth, outerHeight, innerWidth, innerHeight]);
      await webdriver(base, 'POST', s('/window/rect'), { width: w + ow - iw, height: h + oh - ih });
      for (let i = 0; i < 40; i++) {
        const [x, y] = await run(() => [innerWidth, innerHeight]);
        if (x === w && y === h) return;
        await sleep(50);
      }
      throw new Error(`the window does not take a page of ${w} x ${h}`);
    };
    const pointer = (x, y) => ({ actions: [{ type: 'pointer', id: 'finger',
      parameters: { pointerType: 'mouse' }, actions: [
        { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' },
        { type: 'pointerDown', button: 0 }, { type: 'pause', duration: 50 },
        { type: 'pointerUp', button: 0 }] }] });
    const page = scripted({
      goto: async (url) => {
        await webdriver(base, 'POST', s('/url'), { url: withPhone(url, 'ios') });
        await sensors.apply();
      },
      evaluate: run,
      click: async (selector) =>
        webdriver(base, 'POST', s(`/element/${await element(selector)}/click`), {}),
      screenshot: async ({ path }) =>
        writeFile(path, Buffer.from(await webdriver(base, 'GET', s('/screenshot')), 'base64')),
      setViewportSize: ({ width: w, height: h }) => resize(w, h),
      touchscreen: { tap: (x, y) => webdriver(base, 'POST', s('/actions'), pointer(x, y)) },
    });
    const sensors = phoneSensors(page);
    await resize(width, height);
    const problems = [];
    return {
      engine: 'webkit', page, sensors, problems,
      version: 'WebKitGTK ' + session.capabilities.browserVersion,
      async close() {
        // A driver that stopped answering gets a few seconds, not a command's limit.
        const seen = await Promise.race([run(() => window.arquorelProblems || []).catch(() => []),
          sleep(10000).then(() => [])]);
        problems.push(...seen);
        await webdriver(base, 'DELETE', s(''), undefined, 10000).catch(() => {});
        await stop();
      },
    };
  } catch (error) {
    await stop();
    throw error;
  }
}

// `refuse`: the browser answers every permission prompt with no (and grants nothing).
// `camera: false`: a device without a camera.
async function launchChromium({ width = 375, height = 812, scale = 2, refuse = false,
  camera = true } = {}) {
  const profile = await mkdtemp(join(tmpdir(), 'arquorel-chromium-'));
  let args = refuse ? flags.filter((f) => f !== '--use-fake-ui-for-media-stream')
    .concat('--deny-permission-prompts') : flags;
  if (!camera) args = args.filter((f) => f !== '--use-fake-device-for-media-stream');
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    args,
    viewport: { width, height },
    deviceScaleFactor: scale,
    isMobile: true,
    hasTouch: true,
    permissions: refuse ? [] : ['geolocation', 'camera', 'accelerometer', 'gyroscope',
      'magnetometer', 'clipboard-read', 'clipboard-write'],
  });
  const page = context.pages()[0] || (await context.newPage());
  const cdp = await context.newCDPSession(page);
  const problems = [];
  page.on('pageerror', (e) => problems.push('page error: ' + e.message));
  page.on('console', (m) => { if (m.type() === 'error') problems.push('console error: ' + m.text()); });

  const sensors = {
    async enable() {
      for (const type of ['absolute-orientation', 'accelerometer', 'gravity',
        'linear-acceleration', 'gyroscope']) {
        await cdp.send('Emulation.setSensorOverrideEnabled', { enabled: true, type });
      }
    },
    async pose(heading, pitch) {
      const q = attitude(heading, pitch);
      await cdp.send('Emulation.setSensorOverrideReadings',
        { type: 'absolute-orientation', reading: { quaternion: q } });
      const r = (pitch * Math.PI) / 180;
      const g = { x: 0, y: 9.80665 * Math.cos(r), z: -9.80665 * Math.sin(r) };
      await cdp.send('Emulation.setSensorOverrideReadings', { type: 'accelerometer', reading: { xyz: g } });
      await cdp.send('Emulation.setSensorOverrideReadings', { type: 'gravity', reading: { xyz: g } });
      await cdp.send('Emulation.setSensorOverrideReadings',
        { type: 'linear-acceleration', reading: { xyz: { x: 0, y: 0, z: 0 } } });
      await cdp.send('Emulation.setSensorOverrideReadings',
        { type: 'gyroscope', reading: { xyz: { x: 0, y: 0, z: 0 } } });
    },
    async position(latitude, longitude, accuracy = 5) {
      await context.setGeolocation({ latitude, longitude, accuracy });
    },
  };
  page.raw = page;
  return {
    engine: 'chromium', context, page, cdp, sensors, problems,
    version: 'Chromium',
    async close() {
      await context.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}
