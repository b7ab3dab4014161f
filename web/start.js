// The start page: which places, units and language; Start shows the main screen over the whole
// page, with a list button of the page's own, and the screen's back button comes back here.
import { createMainScreen, preloadMainScreen, requestSensorPermissions } from './arquorel.js';

const $ = (id) => document.getElementById(id);
let screen = null;

window.arquorelViewTree = () => (screen ? screen.viewTree() : '');
window.arquorelAccessibilityTree = () => (screen ? screen.accessibilityTree() : '');
window.arquorelStats = () => (screen ? screen.stats() : null);

// Seconds a places address has to answer; tests may shorten it.
const placesTimeout = () => (window.arquorelPlacesTimeout || 10) * 1000;
const bundledPlaces = 'data/monaco-places.json';
let bundledText = null;  // the bundled places' text, fetched while the page is idle

function fetchBundled() {
  if (!bundledText) {
    bundledText = fetch(bundledPlaces).then((response) => {
      if (!response.ok) throw new Error(`${bundledPlaces}: HTTP status ${response.status}`);
      return response.text();
    });
    bundledText.catch(() => { bundledText = null; });
  }
  return bundledText;
}

// Why a fetch of `address` failed: the browser says only "Failed to fetch" (or the like), so a
// second request without cross-origin rules tells a server that answered from one that did
// not.
async function fetchFailure(address, error, timedOut) {
  if (timedOut)
    return `${address} did not answer within ${placesTimeout() / 1000} s: the server may be down or unreachable.`;
  try {
    await fetch(address, { mode: 'no-cors', signal: AbortSignal.timeout(placesTimeout()) });
    return `${address} answered, but its server's cross-origin rules (CORS) do not let this ` +
      'page read it: the server must send Access-Control-Allow-Origin.';
  } catch (e) {
    return `${address} could not be reached (${error.message}): check the address and the ` +
      'connection.';
  }
}

// The places to show: the picked file itself (the screen reads it, however large), or the text
// of the bundled places or of those at the address.
async function placesSource(source) {
  if (source === 'file') {
    const file = $('placesFile').files[0];
    if (!file) throw new Error('Pick a places file first.');
    return file;
  }
  if (source !== 'address') return fetchBundled();
  const address = $('placesAddress').value.trim();
  if (!/^https?:\/\//i.test(address))
    throw new Error('The places address must start with http:// or https://.');
  const controller = new AbortController();
  let timedOut = false;
  const timer = setTimeout(() => { timedOut = true; controller.abort(); }, placesTimeout());
  try {
    const response = await fetch(address, { signal: controller.signal });
    if (!response.ok) throw new Error(`${address}: the server answered HTTP status ${response.status}.`);
    const text = await response.text();
    try {
      JSON.parse(text);
    } catch (e) {
      const start = text.trim().slice(0, 40);
      throw new Error(`${address} did not send JSON (it begins “${start}”): ${e.message}`);
    }
    return text;
  } catch (error) {
    if (error instanceof TypeError || error.name === 'AbortError')
      throw new Error(await fetchFailure(address, error, timedOut));
    throw error;
  } finally {
    clearTimeout(timer);
  }
}

function toast(text) {
  const t = $('toast');
  t.textContent = text;
  t.hidden = false;
  clearTimeout(toast.timer);
  toast.timer = setTimeout(() => (t.hidden = true), 2500);
}

function showProgress(text, value) {
  $('progress').hidden = false;
  $('progressText').textContent = text;
  $('progressBar').value = value;
}

// "N places shown, M left out" with the records left out, over the main screen until tapped.
function showReport(report) {
  const notice = $('report');
  const left = report.leftOut;
  if (!left.length) {
    notice.hidden = true;
    return;
  }
  const shown = report.shown === 1 ? '1 place shown' : `${report.shown} places shown`;
  notice.querySelector('strong').textContent = `${shown}, ${left.length} left out:`;
  const list = notice.querySelector('ul');
  list.replaceChildren(...left.map((r) => {
    const item = document.createElement('li');
    item.textContent = `record ${r.record}${r.id ? ` (id "${r.id}")` : ''}: ${r.problem}`;
    return item;
  }));
  notice.hidden = false;
}

function backToStart() {
  stopAndSave();
  if (screen) screen.destroy();
  screen = null;
  $('listButton').hidden = true;
  $('report').hidden = true;
  $('progress').hidden = true;
  $('screen').hidden = true;
  $('start').hidden = false;
}

$('options').addEventListener('submit', async (event) => {
  event.preventDefault();
  $('message').textContent = '';
  const sensors = requestSensorPermissions();  // first, while the tap still counts as a gesture
  const source = new FormData($('options')).get('source');
  $('startButton').disabled = true;
  showProgress('Loading the places…', 0.1);
  try {
    const [places] = await Promise.all([placesSource(source), sensors]);
    showProgress('Loading the screen…', 0.4);
    $('screen').hidden = false;
    screen = await createMainScreen($('screen'), {
      places,
      record: recordOption(source),
      units: $('units').value,
      language: $('language').value,
      details: $('details').value,
      debugMap: $('debugMap').checked,
      onProgress: ({ ready, of }) => showProgress('Loading the screen…', 0.4 + (0.6 * ready) / of),
    });
    $('start').hidden = true;
    $('progress').hidden = true;
    showReport(screen.placesReport);
    screen.addEventListener('openElementDetails', (e) => toast(e.detail.name));
    screen.addEventListener('close', backToStart);
    // The list button only over the main screen itself.
    screen.addEventListener('screenchange', (e) => {
      $('listButton').hidden = e.detail.top !== 'main';
      if (e.detail.top !== 'main') $('report').hidden = true;
    });
    $('listButton').textContent = $('language').value === 'fr' ? '\u2630 Liste' : '\u2630 List';
    $('listButton').hidden = false;
    showRecording();
  } catch (error) {
    backToStart();
    $('message').textContent = error.message;
  } finally {
    $('startButton').disabled = false;
  }
});

$('listButton').addEventListener('click', () => { if (screen) screen.openList(); });
$('report').addEventListener('click', () => { $('report').hidden = true; });

// The browser's back button leaves the main screen too.
window.addEventListener('popstate', () => { if (screen) backToStart(); });

// --- Recording the session for the simulator -----------------------------------------------

// The bundled places are named by their file beside the scenario (data/monaco/places.json in
// the repository), with the Monaco extract the page's map pack is made from; others are kept in
// the recording.
function recordOption(source) {
  if (!$('record').checked) return false;
  return source === 'bundled'
    ? { placesFile: 'places.json', mapPackFile: 'monaco-latest.osm.pbf' } : true;
}

function clock(seconds) {
  const s = Math.floor(seconds);
  return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, '0')}`;
}

function showRecording() {
  clearInterval(showRecording.timer);
  if (!screen || screen.recordingSeconds() < 0) return;
  const update = () => {
    const seconds = screen ? screen.recordingSeconds() : -1;
    if (seconds >= 0) $('recordingTime').textContent = `\u25CF REC ${clock(seconds)}`;
  };
  update();
  showRecording.timer = setInterval(update, 1000);
  $('recording').hidden = false;
}

// A file name with the local date and time: arquorel-2026-06-01-1030.scenario.
function recordingName() {
  const d = new Date();
  const two = (n) => String(n).padStart(2, '0');
  return `arquorel-${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}-` +
    `${two(d.getHours())}${two(d.getMinutes())}.scenario`;
}

async function save(text) {
  const file = new File([text], recordingName(), { type: 'text/plain' });
  // The share sheet where the phone offers one for files, else a download.
  if (navigator.canShare && navigator.canShare({ files: [file] }) && matchMedia('(pointer: coarse)').matches) {
    try {
      await navigator.share({ files: [file], title: file.name });
      return;
    } catch (e) {
      if (e.name === 'AbortError') return;
    }
  }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(file);
  link.download = file.name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

function stopAndSave() {
  clearInterval(showRecording.timer);
  $('recording').hidden = true;
  if (!screen || screen.recordingSeconds() < 0) return;
  const text = screen.stopRecording();
  if (text) save(text);
}

$('markButton').addEventListener('click', () => {
  if (!screen) return;
  screen.mark($('markCaption').value.trim());
  $('markCaption').value = '';
  toast('Marked');
});

$('stopRecording').addEventListener('click', stopAndSave);
// While the visitor reads the page, the module, the fonts and the bundled places load.
const idle = window.requestIdleCallback || ((run) => setTimeout(run, 200));
idle(() => {
  preloadMainScreen();
  fetchBundled().catch(() => {});
});
