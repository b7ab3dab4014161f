// ARQuorel for web pages: the main screen of places in augmented reality, in a page element.
//
//   import { requestSensorPermissions, createMainScreen } from './arquorel.js';
//   button.onclick = async () => {
//     await requestSensorPermissions();            // inside the click: some browsers ask here
//     const screen = await createMainScreen(element, { places, units: 'metric', language: 'en' });
//     screen.addEventListener('openElementDetails', (e) => console.log(e.detail.name));
//     screen.addEventListener('close', () => screen.destroy());
//   };
//
// `places` is an array of place records (or its JSON text), as the native component takes
// them. Options: units ('metric' or 'imperial'), language ('en', 'fr'), attribution (the
// places' data attribution, shown at the bottom of the screen), details ('host': taps on a
// place reach the host as 'openElementDetails' events; 'builtin': the component's own details
// screen opens, with its map, walking route, web page screen and hand-offs), hints (the
// first-use hints), mapPack (the address of the map pack that the details screen's map and
// walking route come from; 'monaco.pack' beside this module by default, null for none: maps
// then show their background only), debugMap (a small "map" button in the corner shows a map
// of the places, for developers), record (recording the session for the simulator: true, or
// { placesFile, mapPackFile } to name the places' file instead of keeping the places in the
// recording, and the map pack's; see recordingSeconds(), mark() and stopRecording()). One screen at a time per page.
import './libphonenumber-min.js';  // the global `libphonenumber`: telephone numbers of every country
import createArquorelCore from './arquorel-core.js';

const here = new URL('.', import.meta.url);
const fonts = [
  ['DejaVuSans.ttf', 'normal', '400'],
  ['DejaVuSans-Bold.ttf', 'normal', '700'],
  ['DejaVuSans-Oblique.ttf', 'italic', '400'],
  ['DejaVuSans-BoldOblique.ttf', 'italic', '700'],
];
let fontsLoaded = null;
let corePromise = null;
let current = null;
const packs = new Map();  // address -> the promise of its bytes (null when it could not load)
let installedPack = null;

function fetchPack(address) {
  if (!packs.has(address)) {
    packs.set(address, fetch(address)
      .then((response) => {
        if (!response.ok) throw new Error('HTTP status ' + response.status);
        return response.arrayBuffer();
      })
      .then((buffer) => new Uint8Array(buffer))
      .catch((error) => {
        console.warn(`arquorel: no map pack from ${address} (${error.message || error}): ` +
          'maps show no streets');
        packs.delete(address);  // a later screen tries again
        return null;
      }));
  }
  return packs.get(address);
}

// Hands the pack's bytes to the platform once; a pack it cannot read is said on the console.
function installPack(module, address, bytes) {
  if (!bytes || installedPack === address) return;
  const pointer = module._malloc(Math.max(1, bytes.length));
  module.HEAPU8.set(bytes, pointer);
  if (module._arq_map_pack(pointer, bytes.length)) installedPack = address;
  module._free(pointer);
}

// The bundled fonts as web fonts, so that text measures as in the native pictures.
function loadFonts() {
  if (!fontsLoaded) {
    fontsLoaded = Promise.all(fonts.map(([file, style, weight]) => {
      const face = new FontFace('DejaVu Sans', `url(${new URL('fonts/' + file, here)})`,
        { style, weight });
      document.fonts.add(face);
      return face.load();
    }));
  }
  return fontsLoaded;
}

function core() {
  if (!corePromise) {
    corePromise = createArquorelCore({
      locateFile: (path) => new URL(path, here).href,
      print: (text) => console.log('arquorel: ' + text),
      printErr: (text) => console.warn('arquorel: ' + text),
    });
  }
  return corePromise;
}

// Asks for the compass and motion where the browser wants a user's gesture for it (call it
// first thing in the click handler that starts the screen). Resolves to 'granted', 'denied'
// or 'not-needed'.
export async function requestSensorPermissions() {
  const asks = [];
  for (const type of [window.DeviceOrientationEvent, window.DeviceMotionEvent]) {
    if (type && typeof type.requestPermission === 'function') asks.push(type.requestPermission());
  }
  if (!asks.length) return 'not-needed';
  try {
    const answers = await Promise.all(asks);
    return answers.every((a) => a === 'granted') ? 'granted' : 'denied';
  } catch (e) {
    return 'denied';
  }
}

async function permissionState(name) {
  try {
    return (await navigator.permissions.query({ name })).state;
  } catch (e) {
    return 'prompt';
  }
}

class MainScreen extends EventTarget {
  constructor(element, module) {
    super();
    this.element = element;
    this.module = module;
  }

  // The window's view tree, as the native view-tree dump writes it.
  viewTree() {
    if (!this.module) return '';
    return this.module.UTF8ToString(this.module._arq_host_view_tree());
  }

  // The window's accessibility tree, as the native dump writes it (the page's hidden mirror
  // shows the same elements).
  accessibilityTree() {
    if (!this.module) return '';
    return this.module.UTF8ToString(this.module._arq_a11y_dump());
  }

  // Figures for tests: frames drawn, the mean time of a frame's work in milliseconds (the
  // main loop, layout, drawing and the canvas replay) and the module's memory in bytes.
  stats() {
    if (!this.module) return null;
    const arq = this.module.arq;
    return {
      frames: arq.frameCount,
      meanFrameMs: arq.frameCount ? arq.frameMs / arq.frameCount : 0,
      memoryBytes: this.module.HEAPU8.length,
    };
  }

  // Opens the places list over the main screen (a host's list button). False when the main
  // screen is not the top screen (the list, the details or a notice is over it); a
  // 'screenchange' event ({ top: 'main' | 'other' }) says when that changes.
  openList() {
    return !!this.module && this.module._arq_host_open_list() === 1;
  }

  // Seconds recorded so far, or -1 when the session is not being recorded.
  recordingSeconds() {
    return this.module ? this.module._arq_record_seconds() : -1;
  }

  // Marks this moment of the recording: the replay takes a picture here, captioned with
  // `caption` or, without one, the time.
  mark(caption = '') {
    if (!this.module) return;
    const text = this.module.arq.cString(String(caption));
    this.module._arq_record_mark(text);
    this.module._free(text);
  }

  // Stops recording; the recording as a scenario text for the simulator ('' when none).
  stopRecording() {
    if (!this.module) return '';
    return this.module.UTF8ToString(this.module._arq_record_stop());
  }

  // Closes the screen and stops the camera and the sensors.
  destroy() {
    if (!this.module) return;
    this.module._arq_host_close();
    this.module.arq.detach();
    this.module = null;
    if (current === this) current = null;
  }
}

// The tel: addresses a place's call button dials for its phone text (numbers separated by ';',
// ',' or '/'), read in `region` (ISO 3166 alpha-2) unless written with their country code; an
// empty array: the place gets no call button.
export async function dialStrings(phone, region = '') {
  const module = await core();
  const phoneText = module.arq.cString(String(phone));
  const regionText = module.arq.cString(String(region));
  const lines = module.UTF8ToString(module._arq_host_dial_strings(phoneText, regionText));
  module._free(phoneText);
  module._free(regionText);
  return lines.split('\n').filter((line) => line);
}

export async function createMainScreen(element, options = {}) {
  if (current) current.destroy();
  const places = typeof options.places === 'string' ? options.places
    : JSON.stringify(options.places || []);
  const packAddress = options.mapPack === undefined ? new URL('monaco.pack', here).href
    : options.mapPack ? new URL(options.mapPack, location.href).href : null;
  const [module, , pack] = await Promise.all([core(), loadFonts(),
    packAddress ? fetchPack(packAddress) : null]);
  if (packAddress) installPack(module, packAddress, pack);
  const screen = new MainScreen(element, module);
  current = screen;

  const geolocation = 'geolocation' in navigator;
  const location = await permissionState('geolocation');
  module._arq_location_permission(location === 'granted' ? 1 : location === 'denied' ? 2 : 0,
    geolocation ? 1 : 0);
  if ((await permissionState('camera')) === 'denied') module._arq_camera_state(2);

  module.arq.attach(element, screen);
  if (options.record) {
    const file = module.arq.cString(options.record.placesFile || '');
    const pack = module.arq.cString(options.record.mapPackFile || '');
    module._arq_record_start(file, pack);
    module._free(file);
    module._free(pack);
  } else {
    module._arq_record_stop();  // a recording the page left behind is not continued
  }
  const text = (s) => module.arq.cString(s);
  const placesText = text(places);
  const language = text(options.language || 'en');
  const attribution = text(options.attribution === undefined
    ? '\u00A9 OpenStreetMap contributors, ODbL 1.0' : options.attribution);
  let problem = 'the places could not be read';
  const noteProblem = (e) => { problem = e.detail.message; };
  screen.addEventListener('error', noteProblem);
  // Less motion when the user asked for it, now and whenever it changes.
  const motion = matchMedia('(prefers-reduced-motion: reduce)');
  module._arq_host_reduce_motion(motion.matches ? 1 : 0);
  module.arq.on(motion, 'change', () => module._arq_host_reduce_motion(motion.matches ? 1 : 0));
  const taken = module._arq_host_start(placesText, options.units === 'imperial' ? 1 : 0,
    language, attribution, options.hints ? 1 : 0, options.details === 'builtin' ? 0 : 1,
    options.debugMap ? 1 : 0);
  for (const p of [placesText, language, attribution]) module._free(p);
  screen.removeEventListener('error', noteProblem);
  if (taken < 0) {
    screen.destroy();
    throw new Error('The places cannot be shown: ' + problem);
  }
  screen.placeCount = taken;
  return screen;
}
