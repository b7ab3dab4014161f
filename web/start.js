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
  } catch (error) {
    backToStart();
    $('message').textContent = error.message;
  }
});

$('listButton').addEventListener('click', () => { if (screen) screen.openList(); });

// The browser's back button leaves the main screen too.
window.addEventListener('popstate', () => { if (screen) backToStart(); });
