// ARQuorel for web pages: the main screen of places in augmented reality, in a page element.
//
//   import { requestSensorPermissions, createMainScreen, preloadMainScreen } from './arquorel.js';
//   requestIdleCallback(preloadMainScreen);         // optional: the module and fonts ahead of time
//   button.onclick = async () => {
//     await requestSensorPermissions();            // inside the click: some browsers ask here
//     const screen = await createMainScreen(element, { places, units: 'metric', language: 'en' });
//     screen.addEventListener('openElementDetails', (e) => console.log(e.detail.name));
//     screen.addEventListener('close', () => screen.destroy());
//   };
//
// `places` is an array of place records, their JSON text, or a File (or Blob, ArrayBuffer,
// Uint8Array) of that text, as the native component takes them; a file is read block by block
// by the module, so a whole region's places (100,000 records) fit. `placesName` names the
// places' file in a recording when they are too large to keep in it (a File's own name by
// default). Options: units ('metric' or 'imperial'), language ('en', 'fr'), attribution (the
// places' data attribution, shown at the bottom of the screen), details ('host': taps on a
// place reach the host as 'openElementDetails' events; 'builtin': the component's own details
// screen opens, with its map, walking route, web page screen and hand-offs), hints (the
// first-use hints), mapPack (the address of the map pack that the details screen's map and
// walking route come from; 'monaco.pack' beside this module by default, null for none: maps
// then show their background only), debugMap (a small "map" button in the corner shows a map
// of the places, for developers), record (recording the session for the simulator: true, or
// { placesFile, mapPackFile } to name the places' file instead of keeping the places in the
// recording, and the map pack's; see recordingSeconds(), mark() and stopRecording()), onProgress (called with {ready, of} as the module and the
// fonts arrive). One screen at a time per page; the screen's placesReport says what the places
// gave ({shown, leftOut: [{record (from 1), id, problem}]}).
import './libphonenumber-min.js';  // the global `libphonenumber`: telephone numbers of every country
import createArquorelCore from './arquorel-core.js';

const here = new URL('.', import.meta.url);
// The faces: a WOFF2 subset each for the first screens (the upright ones are awaited, the
// slanted ones load in the background) and the whole font for any other character, which the
// browser fetches only when a text needs it.
const fonts = [
  ['DejaVuSans', 'normal', '400', true],
  ['DejaVuSans-Bold', 'normal', '700', true],
  ['DejaVuSans-Oblique', 'italic', '400', false],
  ['DejaVuSans-BoldOblique', 'italic', '700', false],
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
    const url = (file) => `url(${new URL('fonts/' + file, here)}) format('woff2')`;
    fontsLoaded = fetch(new URL('fonts/fonts.json', here))
      .then((response) => {
        if (!response.ok) throw new Error('HTTP status ' + response.status);
        return response.json();
      })
      .then(({ subsetRange, restRange }) => Promise.all(fonts.map(([name, style, weight, wait]) => {
        document.fonts.add(new FontFace('DejaVu Sans', url(name + '.woff2'),
          { style, weight, unicodeRange: restRange }));
        const face = new FontFace('DejaVu Sans', url(name + '-subset.woff2'),
          { style, weight, unicodeRange: subsetRange });
        document.fonts.add(face);
        const loading = face.load();
        return wait ? loading : loading.catch(() => null);
      })))
      .catch((error) => {
        fontsLoaded = null;  // a later start tries again
        throw new Error('The fonts could not be loaded: ' + (error.message || error));
      });
  }
  return fontsLoaded;
}

// The module's console lines; a line that repeats the one before is not written again.
function consoleWriter(write) {
  let last = null;
  return (text) => {
    if (text === last) return;
    last = text;
    write('arquorel: ' + text);
  };
}

function core() {
  if (!corePromise) {
    corePromise = createArquorelCore({
      locateFile: (path) => new URL(path, here).href,
      print: consoleWriter(console.log),
      printErr: consoleWriter(console.warn),
    });
    corePromise.catch(() => { corePromise = null; });
  }
  return corePromise;
}

// Fetches the module and the fonts ahead of createMainScreen (when the page is idle), so that
// a start has less to wait for. Failures are left for createMainScreen to report.
export function preloadMainScreen() {
  core().catch(() => {});
  loadFonts().catch(() => {});
}

// Whose settings the screen's advice names when the compass or the position is refused.
function advicePlatform() {
  const ua = navigator.userAgent || '';
  // iPads ask for the desktop site: a Mac with a touch screen is one.
  if (/iPhone|iPad|iPod/.test(ua) || (/Macintosh/.test(ua) && navigator.maxTouchPoints > 1))
    return 'ios';
  return /Android/.test(ua) ? 'android' : 'web';
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

  // Figures for tests: frames run, the mean time of a frame's work in milliseconds (the
  // main loop, layout, drawing and the canvas replay) and the module's memory in bytes.
  stats() {
    if (!this.module) return null;
    const arq = this.module.arq;
    return {
      frames: arq.frameCount,
      meanFrameMs: arq.frameCount ? arq.frameMs / arq.frameCount : 0,
      // The platform's turn alone, and the frames that drew (the others changed nothing).
      meanTickMs: arq.frameCount ? arq.tickMs / arq.frameCount : 0,
      drawnFrames: arq.drawnFrames,
      // Of the platform's turn, the renderer's in the frames that drew nothing, in all.
      stillDrawingMs: this.module._arq_drawing_ms(0),
      // Of the frames that drew nothing, those told so at once, without walking the views.
      quietFrames: this.module._arq_quiet_frames(),
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

// The places option as bytes of JSON text: a File or Blob (read here, outside the module),
// bytes, a JSON text or an array of records.
async function placesBytes(places) {
  if (places instanceof Blob) {
    try {
      return new Uint8Array(await places.arrayBuffer());
    } catch (error) {
      throw new Error(`${places.name || 'The places file'} cannot be read: ${error.message}`);
    }
  }
  if (places instanceof ArrayBuffer) return new Uint8Array(places);
  if (ArrayBuffer.isView(places))
    return new Uint8Array(places.buffer, places.byteOffset, places.byteLength);
  return new TextEncoder().encode(typeof places === 'string' ? places
    : JSON.stringify(places || []));
}

export async function createMainScreen(element, options = {}) {
  if (current) current.destroy();
  const packAddress = options.mapPack === undefined ? new URL('monaco.pack', here).href
    : options.mapPack ? new URL(options.mapPack, location.href).href : null;
  // Progress for the page: what is ready of the module and the fonts.
  const progress = typeof options.onProgress === 'function' ? options.onProgress : () => {};
  let ready = 0;
  const step = (what) => (value) => {
    progress({ ready: ++ready, of: 2, what });
    return value;
  };
  progress({ ready, of: 2, what: null });
  const [module, bytes] = await Promise.all([core().then(step('module')),
    placesBytes(options.places), loadFonts().then(step('fonts'))]);
  // The map pack serves only the details screen: it arrives while the main screen runs.
  if (packAddress) fetchPack(packAddress).then((pack) => installPack(module, packAddress, pack));
  const screen = new MainScreen(element, module);
  current = screen;
  const platformText = module.arq.cString(advicePlatform());
  module._arq_host_advice_platform(platformText);
  module._free(platformText);

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
  const placesName = text(options.placesName || (options.places instanceof File
    ? options.places.name : ''));
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
  // The module reads the places from here block by block (arq_js_places_read), so that their
  // text never takes room in its memory, which does not shrink.
  module.arqPlacesBytes = bytes;
  let taken;
  try {
    taken = module._arq_host_start(bytes.length, placesName, options.units === 'imperial' ? 1 : 0,
      language, attribution, options.hints ? 1 : 0, options.details === 'builtin' ? 0 : 1,
      options.debugMap ? 1 : 0);
  } finally {
    module.arqPlacesBytes = null;
    for (const p of [placesName, language, attribution]) module._free(p);
  }
  screen.removeEventListener('error', noteProblem);
  if (taken < 0) {
    screen.destroy();  // before the throw: a failed start leaves no screen behind
    throw new Error('The places cannot be shown: ' + problem);
  }
  screen.placeCount = taken;
  // { shown, leftOut: [{ record (from 1), id, problem }] }
  screen.placesReport = JSON.parse(module.UTF8ToString(module._arq_host_places_report()));
  return screen;
}
