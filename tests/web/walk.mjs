// A minute of the main screen in Chromium with the compass turning and the position walking the
// Monaco track (data/monaco/walk.gpx, a point a second): no page or console error, and the
// WebAssembly memory does not grow after the first ten seconds. Prints the frames drawn, the
// mean time of a frame's work and the memory at 10 s and at the end.
//
//   ./run web build; cd tests/web && npm ci && node walk.mjs [SECONDS]
import { readFile } from 'node:fs/promises';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch } from './browser.mjs';
import { serve } from './server.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const seconds = Number(process.argv[2] || 60);
const gpx = await readFile(join(root, 'data', 'monaco', 'walk.gpx'), 'utf8');
const track = [...gpx.matchAll(/<trkpt lat="([-\d.]+)" lon="([-\d.]+)"/g)]
  .map((m) => ({ latitude: Number(m[1]), longitude: Number(m[2]) }));

const server = await serve(join(root, 'build', 'web'));
const browser = await launch();
const { page, sensors } = browser;
let failed = false;
const figures = { seconds, trackPoints: track.length };
try {
  await sensors.enable();
  await sensors.pose(108, 0);
  await sensors.position(track[0].latitude, track[0].longitude);
  await page.goto(server.url);
  await page.click('#startButton');
  await page.waitForFunction(() => window.arquorelStats() && window.arquorelStats().frames > 0);
  const started = Date.now();
  let heading = 108, step = 0;
  while (Date.now() - started < seconds * 1000) {
    heading = (heading + 3) % 360;
    await sensors.pose(heading, -5);
    if (++step % 10 === 0) {
      const p = track[Math.floor(step / 10) % track.length];
      await sensors.position(p.latitude, p.longitude);
    }
    if (!figures.memoryAt10s && Date.now() - started >= 10000)
      figures.memoryAt10s = (await page.evaluate(() => window.arquorelStats())).memoryBytes;
    await page.waitForTimeout(100);
  }
  const stats = await page.evaluate(() => window.arquorelStats());
  Object.assign(figures, { frames: stats.frames, meanFrameMs: stats.meanFrameMs,
    memoryAtEnd: stats.memoryBytes });
  if (figures.memoryAt10s && stats.memoryBytes > figures.memoryAt10s) {
    console.error('FAIL: the memory grew after the first ten seconds');
    failed = true;
  }
} catch (error) {
  console.error('FAIL: ' + error.message);
  failed = true;
} finally {
  for (const p of browser.problems) {
    console.error('FAIL: ' + p);
    failed = true;
  }
  await browser.close();
  await server.close();
}
console.log(JSON.stringify(figures));
process.exitCode = failed ? 1 : 0;
