// Chromium for the browser tests: the distribution's build, headless, with a fake camera, the
// sensors' permissions granted, and the compass, tilt and position set through the DevTools
// protocol.
import { chromium } from 'playwright-core';
import { mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

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

// `refuse`: the browser answers every permission prompt with no (and grants nothing).
// `camera: false`: a device without a camera.
export async function launch({ width = 375, height = 812, scale = 2, refuse = false,
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
  return {
    context, page, cdp, sensors, problems,
    async close() {
      await context.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}
