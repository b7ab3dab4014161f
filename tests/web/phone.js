// What a phone's browser hands the page, for engines that cannot emulate the sensors: served
// into the page ahead of its own scripts when the address asks for it (?phone=ios or
// ?phone=android, see server.mjs), driven by the tests through window.arquorelPhone.
//   ios:     WebKit on an iPhone: the motion permission request, `deviceorientation` with
//            webkitCompassHeading/webkitCompassAccuracy (alpha relative to where it started),
//            `devicemotion` with gravity's pull (lying face up z = -9.81).
//   android: Firefox on Android: absolute orientation angles (`deviceorientationabsolute`
//            where the engine has it, else `deviceorientation` with absolute set), `devicemotion`
//            with the push holding the phone up (lying face up z = +9.81).
// Like a phone's, the readings repeat every 50 ms. The position comes through the geolocation
// interface. Page and console errors are kept for the test in window.arquorelProblems.
(() => {
  const style = new URLSearchParams(location.search).get('phone');
  if (style !== 'ios' && style !== 'android') return;
  const problems = (window.arquorelProblems = []);
  addEventListener('error', (e) => problems.push('page error: ' + e.message));
  addEventListener('unhandledrejection', (e) =>
    problems.push('page error: ' + ((e.reason && e.reason.message) || e.reason)));
  const consoleError = console.error.bind(console);
  console.error = (...args) => {
    problems.push('console error: ' + args.map(String).join(' '));
    consoleError(...args);
  };

  // Events with the fields a phone's engine fills in, also where the engine lacks the type.
  for (const name of ['DeviceOrientationEvent', 'DeviceMotionEvent']) {
    if (typeof window[name] !== 'function') window[name] = class extends Event {};
  }
  function event(type, Type, fields) {
    let e;
    try {
      e = new Type(type, fields);
    } catch (error) {
      e = new Event(type);
    }
    for (const [key, value] of Object.entries(fields)) {
      if (e[key] !== value) Object.defineProperty(e, key, { value, configurable: true });
    }
    return e;
  }
  if (style === 'ios') {
    for (const key of ['webkitCompassHeading', 'webkitCompassAccuracy']) {
      if (!(key in DeviceOrientationEvent.prototype)) {
        Object.defineProperty(DeviceOrientationEvent.prototype, key, { get: () => null, configurable: true });
      }
    }
    for (const Type of [DeviceOrientationEvent, DeviceMotionEvent]) {
      if (typeof Type.requestPermission !== 'function') Type.requestPermission = async () => 'granted';
    }
  }

  let pose = null;
  const g = 9.80665;
  function send() {
    if (!pose) return;
    const { heading, pitch } = pose;
    const r = (pitch * Math.PI) / 180;
    // The push holding the phone up, in the device frame; pitch 0 upright, negative downwards.
    const push = { x: 0, y: g * Math.cos(r), z: -g * Math.sin(r) };
    if (style === 'ios') {
      dispatchEvent(event('deviceorientation', DeviceOrientationEvent, {
        alpha: (360 + 40 - heading) % 360, beta: 90 + pitch, gamma: 0, absolute: false,
        webkitCompassHeading: heading, webkitCompassAccuracy: 5,
      }));
    } else {
      const absolute = 'ondeviceorientationabsolute' in window;
      dispatchEvent(event(absolute ? 'deviceorientationabsolute' : 'deviceorientation',
        DeviceOrientationEvent,
        { alpha: (360 - heading) % 360, beta: 90 + pitch, gamma: 0, absolute: true }));
    }
    const sign = style === 'ios' ? -1 : 1;
    dispatchEvent(event('devicemotion', DeviceMotionEvent, {
      acceleration: { x: 0, y: 0, z: 0 },
      accelerationIncludingGravity: { x: sign * push.x, y: sign * push.y, z: sign * push.z },
      rotationRate: { alpha: 0, beta: 0, gamma: 0 },
      interval: 50,
    }));
  }
  setInterval(send, 50);

  let fix = null;
  const waiting = [];
  const watchers = new Map();
  let nextWatch = 1;
  const position = () => ({
    coords: { ...fix, altitude: null, altitudeAccuracy: null, heading: null, speed: null },
    timestamp: Date.now(),
  });
  const geolocation = {
    getCurrentPosition(ok) {
      if (fix) setTimeout(() => ok(position()), 0);
      else waiting.push(ok);
    },
    watchPosition(ok) {
      const id = nextWatch++;
      watchers.set(id, ok);
      if (fix) setTimeout(() => ok(position()), 0);
      return id;
    },
    clearWatch(id) {
      watchers.delete(id);
    },
  };
  Object.defineProperty(Navigator.prototype, 'geolocation', { get: () => geolocation, configurable: true });
  if (navigator.permissions) {
    const query = navigator.permissions.query.bind(navigator.permissions);
    navigator.permissions.query = (what) => (what && what.name === 'geolocation'
      ? Promise.resolve({ state: 'granted', onchange: null, addEventListener() {} }) : query(what));
  }

  window.arquorelPhone = {
    style,
    pose(heading, pitch) {
      pose = { heading, pitch };
      send();
    },
    position(latitude, longitude, accuracy) {
      fix = { latitude, longitude, accuracy };
      for (const ok of waiting.splice(0)) ok(position());
      for (const ok of watchers.values()) ok(position());
    },
  };
})();
