// The start page: which places, units and language; Start shows the main screen over the whole
// page, with a list button of the page's own, and the screen's back button comes back here.
import { createMainScreen, requestSensorPermissions } from './arquorel.js';

const $ = (id) => document.getElementById(id);
let screen = null;

window.arquorelViewTree = () => (screen ? screen.viewTree() : '');
window.arquorelAccessibilityTree = () => (screen ? screen.accessibilityTree() : '');
window.arquorelStats = () => (screen ? screen.stats() : null);

async function placesText(source) {
  if (source === 'file') {
    const file = $('placesFile').files[0];
    if (!file) throw new Error('Pick a places file first.');
    return file.text();
  }
  const address = source === 'address' ? $('placesAddress').value.trim() : 'data/monaco-places.json';
  if (source === 'address' && !/^https?:\/\//i.test(address))
    throw new Error('The places address must start with http:// or https://.');
  const response = await fetch(address);
  if (!response.ok) throw new Error(`${address}: HTTP status ${response.status}`);
  return response.text();
}

function toast(text) {
  const t = $('toast');
  t.textContent = text;
  t.hidden = false;
  clearTimeout(toast.timer);
  toast.timer = setTimeout(() => (t.hidden = true), 2500);
}

function backToStart() {
  stopAndSave();
  if (screen) screen.destroy();
  screen = null;
  $('listButton').hidden = true;
  $('screen').hidden = true;
  $('start').hidden = false;
}

$('options').addEventListener('submit', async (event) => {
  event.preventDefault();
  $('message').textContent = '';
  const sensors = requestSensorPermissions();  // first, while the tap still counts as a gesture
  const source = new FormData($('options')).get('source');
  try {
    const [places] = await Promise.all([placesText(source), sensors]);
    $('start').hidden = true;
    $('screen').hidden = false;
    screen = await createMainScreen($('screen'), {
      places,
      record: recordOption(source),
      units: $('units').value,
      language: $('language').value,
      details: $('details').value,
      debugMap: $('debugMap').checked,
    });
    screen.addEventListener('openElementDetails', (e) => toast(e.detail.name));
    screen.addEventListener('close', backToStart);
    // The list button only over the main screen itself.
    screen.addEventListener('screenchange', (e) => { $('listButton').hidden = e.detail.top !== 'main'; });
    $('listButton').textContent = $('language').value === 'fr' ? '\u2630 Liste' : '\u2630 List';
    $('listButton').hidden = false;
    showRecording();
  } catch (error) {
    backToStart();
    $('message').textContent = error.message;
  }
});

$('listButton').addEventListener('click', () => { if (screen) screen.openList(); });

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
