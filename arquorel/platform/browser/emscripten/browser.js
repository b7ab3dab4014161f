// The browser side of the platform backend, placed before the module's own code (--pre-js):
// the canvas that replays the frame's drawing commands, text measurement, the camera's video,
// the sensors, fetch (with the decoding of PNG and JPEG images), the web view's frames, links
// and sharing, and the user defaults in local storage. The C++ side
// calls these through EM_JS functions; the page's module (arquorel.js) calls attach().
'use strict';

var ARQ = (Module['arq'] = {
  container: null,
  canvas: null,
  ctx: null,
  video: null,
  target: null,
  images: new Map(),
  layers: new Map(),  // id -> { canvas, ctx }: the retained layers' pixels
  running: false,
  frameRequest: 0,
  stream: null,
  streamPromise: null,
  watchId: null,
  listeners: [],
  textDecoder: new TextDecoder('utf-8'),
  measureCtx: null,
  fontMetrics: new Map(),
  settingsKey: 'arquorel.defaults',
  pointerId: null,
  // What the platform asked for; detach() stops the listeners, attach() starts them again.
  wanted: { position: false, heading: false, motion: false },
  frameCount: 0,
  frameMs: 0,  // time spent in the frames (main loop, layout, drawing), for the page's figures
  tickMs: 0,  // of which the platform's turn (main loop, layout, drawing the canvas's commands)
  drawnFrames: 0,  // frames that sent drawing to the canvas (the others left it as it was)
  onFrame: null,
  webViews: new Map(),  // id -> { box, frame, button, url }

  // --- The page -------------------------------------------------------------------------

  // Puts the video and the canvas into `container` and starts the frames. `target` receives
  // the screen's events.
  attach(container, target) {
    ARQ.container = container;
    ARQ.target = target;
    if (getComputedStyle(container).position === 'static') container.style.position = 'relative';
    const video = document.createElement('video');
    video.setAttribute('playsinline', '');
    video.setAttribute('autoplay', '');
    video.muted = true;
    video.style.cssText =
      'position:absolute;inset:0;width:100%;height:100%;object-fit:cover;background:#000';
    const canvas = document.createElement('canvas');
    canvas.style.cssText =
      'position:absolute;inset:0;width:100%;height:100%;touch-action:none;user-select:none';
    container.append(video, canvas);
    ARQ.a11yAttach(container);
    // For the page's tests: the canvas as the layers left it against the same screen drawn
    // directly, without layers.
    window.arquorelLayersAgainstDirect = ARQ.layersAgainstDirect;
    ARQ.video = video;
    ARQ.canvas = canvas;
    ARQ.ctx = canvas.getContext('2d');
    // A new canvas, or one whose context was lost, holds none of the frames drawn before.
    ARQ.canvasLost();
    canvas.addEventListener('contextlost', () => ARQ.canvasLost());
    canvas.addEventListener('contextrestored', () => ARQ.canvasLost());
    // A face that arrives late (a text outside the bundled subset) changes drawn text.
    if (document.fonts) ARQ.on(document.fonts, 'loadingdone', () => ARQ.canvasLost());
    for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'])
      canvas.addEventListener(type, ARQ.pointer);
    ARQ.resizeObserver = new ResizeObserver(() => ARQ.resize());
    ARQ.resizeObserver.observe(container);
    ARQ.on(window, 'orientationchange', () => ARQ.resize());
    ARQ.on(document, 'visibilitychange', () => Module._arq_visible(document.hidden ? 0 : 1));
    ARQ.on(window, 'online', () => Module._arq_record_network(1));
    ARQ.on(window, 'offline', () => Module._arq_record_network(0));
    ARQ.resize();
    ARQ.running = true;
    ARQ.frameCount = 0;
    ARQ.frameMs = 0;
    ARQ.tickMs = 0;
    ARQ.drawnFrames = 0;
    ARQ.watchPosition(ARQ.wanted.position);
    ARQ.watchHeading(ARQ.wanted.heading);
    ARQ.watchMotion(ARQ.wanted.motion);
    const frame = () => {
      if (!ARQ.running) return;
      ARQ.frameRequest = requestAnimationFrame(frame);
      const start = performance.now();
      Module._arq_tick();
      ARQ.tickMs += performance.now() - start;
      Module._arq_host_frame();
      ARQ.a11yFrame();
      ARQ.frameMs += performance.now() - start;
      ++ARQ.frameCount;
      if (ARQ.onFrame) ARQ.onFrame(ARQ.frameCount);
    };
    ARQ.frameRequest = requestAnimationFrame(frame);
  },

  // Stops the frames and the sensors and takes the elements away.
  detach() {
    ARQ.running = false;
    cancelAnimationFrame(ARQ.frameRequest);
    ARQ.stopPositionWatch();
    ARQ.showCamera(false);
    for (const l of ARQ.listeners) l.target.removeEventListener(l.type, l.handler);
    ARQ.listeners = [];
    if (ARQ.resizeObserver) ARQ.resizeObserver.disconnect();
    for (const id of [...ARQ.webViews.keys()]) ARQ.webViewRemove(id);
    if (ARQ.video) ARQ.video.remove();
    if (ARQ.canvas) ARQ.canvas.remove();
    ARQ.a11yDetach();
    ARQ.video = ARQ.canvas = ARQ.ctx = ARQ.container = null;
    ARQ.layers.clear();
  },

  // The largest channel difference and the share of differing pixels between the canvas and
  // the key window drawn directly (the next frame draws with the layers again). The canvas as
  // the last frames left it, where layers drawn before are copied on whole pixels however the
  // screen moved since; or, `fresh`, a frame with every layer drawn anew at the state drawn
  // directly.
  layersAgainstDirect(fresh) {
    const { width, height } = ARQ.canvas || {};
    if (!width || !height) return null;
    if (fresh) {
      ARQ.canvasLost();
      Module._arq_tick();
    }
    const layered = ARQ.ctx.getImageData(0, 0, width, height).data;
    Module._arq_draw_direct();
    const direct = ARQ.ctx.getImageData(0, 0, width, height).data;
    ARQ.canvasLost();
    // Colours weighed by their alpha (premultiplied), as they show over the video: the colour
    // of a nearly transparent pixel is mostly rounding.
    let largest = 0, differing = 0;
    for (let i = 0; i < layered.length; i += 4) {
      const a = layered[i + 3], b = direct[i + 3];
      let d = Math.abs(a - b);
      for (let k = 0; k < 3; ++k)
        d = Math.max(d, Math.abs(layered[i + k] * a - direct[i + k] * b) / 255);
      d = Math.round(d);
      largest = Math.max(largest, d);
      if (d) ++differing;
    }
    return { largest, share: differing / (width * height), pixels: width * height };
  },

  // The pixels drawn so far are gone or out of date: the layers' canvases are dropped and the
  // next frame draws everything again.
  canvasLost() {
    ARQ.layers.clear();
    Module._arq_canvas_lost();
  },

  on(target, type, handler) {
    target.addEventListener(type, handler);
    ARQ.listeners.push({ target, type, handler });
  },

  off(type) {
    ARQ.listeners = ARQ.listeners.filter((l) => {
      if (l.type !== type) return true;
      l.target.removeEventListener(l.type, l.handler);
      return false;
    });
  },

  resize() {
    if (!ARQ.container) return;
    const width = ARQ.container.clientWidth;
    const height = ARQ.container.clientHeight;
    const scale = Math.min(4, Math.max(1, window.devicePixelRatio || 1));
    // Setting the size clears the canvas, even to the same size: only when it changes (the
    // platform then draws the next frame whole).
    const pixelWidth = Math.round(width * scale), pixelHeight = Math.round(height * scale);
    if (ARQ.canvas.width !== pixelWidth) ARQ.canvas.width = pixelWidth;
    if (ARQ.canvas.height !== pixelHeight) ARQ.canvas.height = pixelHeight;
    const angle = (screen.orientation && screen.orientation.angle) || window.orientation || 0;
    Module._arq_resize(width, height, scale, angle);
  },

  dispatch(name, detail) {
    if (ARQ.target) ARQ.target.dispatchEvent(new CustomEvent(name, { detail }));
  },

  // One finger: the first pointer down, until it is lifted.
  pointer(e) {
    const phases = { pointerdown: 0, pointermove: 1, pointerup: 2, pointercancel: 3 };
    const phase = phases[e.type];
    if (phase === 0) {
      if (ARQ.pointerId !== null) return;
      ARQ.pointerId = e.pointerId;
      ARQ.canvas.setPointerCapture(e.pointerId);
    } else if (e.pointerId !== ARQ.pointerId) {
      return;
    }
    if (phase >= 2) ARQ.pointerId = null;
    const box = ARQ.canvas.getBoundingClientRect();
    Module._arq_touch(phase, e.clientX - box.left, e.clientY - box.top);
    e.preventDefault();
  },

  // --- Drawing --------------------------------------------------------------------------

  color(n, i) {
    return 'rgba(' + n[i] + ',' + n[i + 1] + ',' + n[i + 2] + ',' + n[i + 3] + ')';
  },

  // Builds the path at n[i] on the context; returns the index after it and keeps its fill
  // rule in ARQ.rule.
  path(ctx, n, i) {
    const rule = n[i] ? 'evenodd' : 'nonzero';
    const count = n[i + 1];
    i += 2;
    ctx.beginPath();
    for (let k = 0; k < count; ++k) {
      switch (n[i++]) {
        case 1: ctx.moveTo(n[i], n[i + 1]); i += 2; break;
        case 2: ctx.lineTo(n[i], n[i + 1]); i += 2; break;
        case 3: ctx.quadraticCurveTo(n[i], n[i + 1], n[i + 2], n[i + 3]); i += 4; break;
        case 4: ctx.bezierCurveTo(n[i], n[i + 1], n[i + 2], n[i + 3], n[i + 4], n[i + 5]); i += 6; break;
        case 5: ctx.arc(n[i], n[i + 1], n[i + 2], n[i + 3], n[i + 4], !n[i + 5]); i += 6; break;
        case 6: ctx.rect(n[i], n[i + 1], n[i + 2], n[i + 3]); i += 4; break;
        case 7: ctx.closePath(); break;
      }
    }
    ARQ.rule = rule;
    return i;
  },

  stops(gradient, n, i) {
    const count = n[i++];
    for (let k = 0; k < count; ++k, i += 5) gradient.addColorStop(n[i], ARQ.color(n, i + 1));
    return i;
  },

  // A canvas for a layer's pixels: offscreen where the browser has them.
  layerCanvas(width, height) {
    if (typeof OffscreenCanvas === 'function') {
      const canvas = new OffscreenCanvas(width, height);
      const ctx = canvas.getContext('2d');
      if (ctx) return { canvas, ctx };
    }
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    return { canvas, ctx: canvas.getContext('2d') };
  },

  // Starts drawing into layer `id`'s canvas, cleared (made, or made again at a new size).
  beginLayer(id, width, height, sx, sy) {
    let layer = ARQ.layers.get(id);
    if (!layer || layer.canvas.width !== width || layer.canvas.height !== height) {
      layer = ARQ.layerCanvas(width, height);
      ARQ.layers.set(id, layer);
    } else {
      layer.ctx.setTransform(1, 0, 0, 1, 0, 0);
      layer.ctx.globalAlpha = 1;
      layer.ctx.clearRect(0, 0, width, height);
    }
    layer.ctx.save();
    layer.ctx.setTransform(sx, 0, 0, sy, 0, 0);
    return layer.ctx;
  },

  replay(n, textsPtr, textsLength) {
    let ctx = ARQ.ctx;
    if (!ctx) return;
    ++ARQ.drawnFrames;
    const texts = ARQ.textDecoder.decode(HEAPU8.subarray(textsPtr, textsPtr + textsLength)).split('\0');
    // The steps start by clearing what the frames before left on the canvas.
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.globalAlpha = 1;
    let depth = 0;
    let i = 0;
    let rule;
    const outer = [];  // the canvases drawn on before the layer being drawn, with their depth
    while (i < n.length) {
      switch (n[i++]) {
        case 1: ctx.save(); ++depth; break;
        case 2: if (depth > 0) { ctx.restore(); --depth; } break;
        case 3: ctx.transform(n[i], n[i + 1], n[i + 2], n[i + 3], n[i + 4], n[i + 5]); i += 6; break;
        case 4: ctx.globalAlpha *= n[i++]; break;
        case 5: i = ARQ.path(ctx, n, i); rule = ARQ.rule; ctx.clip(rule); break;
        case 6: i = ARQ.path(ctx, n, i); rule = ARQ.rule; ctx.fillStyle = ARQ.color(n, i); ctx.fill(rule); i += 4; break;
        case 7: {
          i = ARQ.path(ctx, n, i); rule = ARQ.rule;
          ctx.strokeStyle = ARQ.color(n, i);
          ctx.lineWidth = n[i + 4];
          ctx.lineCap = ['butt', 'round', 'square'][n[i + 5]];
          ctx.lineJoin = ['miter', 'round', 'bevel'][n[i + 6]];
          const dashes = Array.from(n.subarray(i + 8, i + 8 + n[i + 7]));
          i += 8 + dashes.length;
          ctx.setLineDash(dashes);
          ctx.lineDashOffset = n[i++];
          ctx.stroke();
          ctx.setLineDash([]);
          break;
        }
        case 8: {
          i = ARQ.path(ctx, n, i); rule = ARQ.rule;
          const at = i + 1 + 5 * n[i];
          const gradient = ctx.createLinearGradient(n[at], n[at + 1], n[at + 2], n[at + 3]);
          ARQ.stops(gradient, n, i);
          ctx.fillStyle = gradient;
          ctx.fill(rule);
          i = at + 4;
          break;
        }
        case 9: {
          i = ARQ.path(ctx, n, i); rule = ARQ.rule;
          const at = i + 1 + 5 * n[i];
          const gradient = ctx.createConicGradient(n[at + 2], n[at], n[at + 1]);
          ARQ.stops(gradient, n, i);
          ctx.fillStyle = gradient;
          ctx.fill(rule);
          i = at + 3;
          break;
        }
        case 10: {
          // Only the shadow: the shape is drawn far away and its shadow thrown back in place.
          const away = 100000;
          const m = ctx.getTransform();
          ctx.save();
          ctx.translate(-away, 0);
          i = ARQ.path(ctx, n, i); rule = ARQ.rule;
          const dx = n[i + 4] + away, dy = n[i + 5];
          ctx.shadowColor = ARQ.color(n, i);
          ctx.shadowOffsetX = m.a * dx + m.c * dy;
          ctx.shadowOffsetY = m.b * dx + m.d * dy;
          ctx.shadowBlur = n[i + 6] * Math.sqrt(Math.abs(m.a * m.d - m.b * m.c));
          ctx.fillStyle = '#000';
          ctx.fill(rule);
          ctx.restore();
          i += 7;
          break;
        }
        case 11: {
          const image = ARQ.images.get(n[i]);
          const x = n[i + 1], y = n[i + 2], w = n[i + 3], h = n[i + 4];
          if (image && image.ready && w > 0 && h > 0) {
            if (n[i + 5]) ARQ.drawTinted(ctx, image, x, y, w, h, ARQ.color(n, i + 6));
            else ctx.drawImage(image.element, x, y, w, h);
          } else if (image) {
            image.skipped = true;
          }
          i += 10;
          break;
        }
        case 12: {
          ctx.font = texts[n[i]];
          ctx.fillStyle = ARQ.color(n, i + 1);
          ctx.textBaseline = 'alphabetic';
          ctx.textAlign = 'left';
          const lines = n[i + 5];
          i += 6;
          for (let k = 0; k < lines; ++k, i += 3) ctx.fillText(texts[n[i]], n[i + 1], n[i + 2]);
          break;
        }
        case 13: ctx.clearRect(n[i], n[i + 1], n[i + 2], n[i + 3]); i += 4; break;
        case 14: ARQ.defineImage(n[i], texts[n[i + 1]], n[i + 2], n[i + 3]); i += 4; break;
        case 15: ARQ.images.delete(n[i++]); break;
        case 16: ARQ.defineRaster(n[i], n[i + 1], n[i + 2], n[i + 3]); i += 4; break;
        case 17:
          outer.push({ ctx, depth });
          ctx = ARQ.beginLayer(n[i], n[i + 1], n[i + 2], n[i + 3], n[i + 4]);
          depth = 0;
          i += 5;
          break;
        case 18:
          if (outer.length) {
            while (depth-- > 0) ctx.restore();
            ctx.restore();
            ({ ctx, depth } = outer.pop());
          }
          break;
        case 19: {
          const layer = ARQ.layers.get(n[i]);
          if (layer) {
            // A layer is mostly drawn last before a restore, which puts the transform and
            // alpha back anyway: no state of its own to save then (a save copies all of it).
            const restoredNext = depth > 0 && n[i + 7] === 2;
            if (!restoredNext) ctx.save();
            ctx.setTransform(n[i + 1], n[i + 2], n[i + 3], n[i + 4], n[i + 5], n[i + 6]);
            ctx.globalAlpha = 1;
            ctx.drawImage(layer.canvas, 0, 0);
            if (!restoredNext) ctx.restore();
          }
          i += 7;
          break;
        }
        case 20: ARQ.layers.delete(n[i++]); break;
        default: console.error('arquorel: unknown drawing step ' + n[i - 1]); i = n.length; break;
      }
    }
    for (;;) {
      while (depth-- > 0) ctx.restore();
      if (!outer.length) break;
      ctx.restore();
      ({ ctx, depth } = outer.pop());
    }
  },

  // An SVG image, decoded by the browser; drawn from the frame after it is ready.
  defineImage(id, svg, width, height) {
    const element = new Image(width || undefined, height || undefined);
    const entry = { element, ready: false, tinted: new Map(), skipped: false };
    const url = URL.createObjectURL(new Blob([svg], { type: 'image/svg+xml' }));
    element.onload = () => {
      entry.ready = true;
      URL.revokeObjectURL(url);
      // Drawn before it was ready (into a layer, or a frame kept since): drawn again.
      if (entry.skipped && ARQ.running) ARQ.canvasLost();
    };
    element.onerror = () => URL.revokeObjectURL(url);
    element.src = url;
    ARQ.images.set(id, entry);
  },

  // Decoded pixels (straight RGBA in the module's memory, valid during this replay) copied
  // into a canvas of their own, which is then drawn like any image.
  defineRaster(id, width, height, address) {
    if (!(width > 0 && height > 0 && width <= 4096 && height <= 4096)) return;
    const element = document.createElement('canvas');
    element.width = width;
    element.height = height;
    const pixels = new ImageData(
      new Uint8ClampedArray(HEAPU8.buffer.slice(address, address + width * height * 4)),
      width, height);
    element.getContext('2d').putImageData(pixels, 0, 0);
    ARQ.images.set(id, { element, ready: true, tinted: new Map() });
  },

  // The image's shape filled with one colour, at the size it is drawn in device pixels.
  drawTinted(ctx, image, x, y, w, h, color) {
    const m = ctx.getTransform();
    const scale = Math.max(1, Math.hypot(m.a, m.b));
    const pw = Math.max(1, Math.round(w * scale)), ph = Math.max(1, Math.round(h * scale));
    const key = color + ' ' + pw + 'x' + ph;
    let tinted = image.tinted.get(key);
    if (!tinted) {
      tinted = document.createElement('canvas');
      tinted.width = pw;
      tinted.height = ph;
      const t = tinted.getContext('2d');
      t.drawImage(image.element, 0, 0, pw, ph);
      t.globalCompositeOperation = 'source-in';
      t.fillStyle = color;
      t.fillRect(0, 0, pw, ph);
      if (image.tinted.size > 16) image.tinted.clear();
      image.tinted.set(key, tinted);
    }
    ctx.drawImage(tinted, x, y, w, h);
  },

  // --- Text -----------------------------------------------------------------------------

  measuring(font) {
    if (!ARQ.measureCtx) ARQ.measureCtx = document.createElement('canvas').getContext('2d');
    ARQ.measureCtx.font = font;
    return ARQ.measureCtx;
  },

  textWidth(font, text) {
    return ARQ.measuring(font).measureText(text).width;
  },

  metricsOf(font) {
    let m = ARQ.fontMetrics.get(font);
    if (!m) {
      const t = ARQ.measuring(font).measureText('Hg');
      const size = parseFloat(/([\d.]+)px/.exec(font)[1]) || 0;
      m = {
        ascent: t.fontBoundingBoxAscent !== undefined ? t.fontBoundingBoxAscent : size * 0.928,
        descent: t.fontBoundingBoxDescent !== undefined ? t.fontBoundingBoxDescent : size * 0.236,
      };
      ARQ.fontMetrics.set(font, m);
    }
    return m;
  },

  fontAscent(font) { return ARQ.metricsOf(font).ascent; },
  fontDescent(font) { return ARQ.metricsOf(font).descent; },

  // --- Camera ---------------------------------------------------------------------------

  // Asks for the back camera once; the answer goes to the platform (BrowserCameraState).
  askCamera() {
    if (ARQ.streamPromise) return ARQ.streamPromise;
    if (!navigator.mediaDevices || !navigator.mediaDevices.getUserMedia) {
      Module._arq_camera_state(3);
      return (ARQ.streamPromise = Promise.resolve(null));
    }
    ARQ.streamPromise = navigator.mediaDevices
      .getUserMedia({ video: { facingMode: { ideal: 'environment' } }, audio: false })
      .then((stream) => {
        ARQ.stream = stream;
        Module._arq_camera_state(1);
        return stream;
      })
      .catch((error) => {
        const name = error && error.name;
        const state = name === 'NotAllowedError' || name === 'SecurityError' ? 2
          : name === 'NotFoundError' || name === 'OverconstrainedError' ? 3 : 4;
        Module._arq_camera_state(state);
        ARQ.streamPromise = state === 4 ? null : ARQ.streamPromise;
        return null;
      });
    return ARQ.streamPromise;
  },

  showCamera(on) {
    if (!on) {
      if (ARQ.stream) for (const track of ARQ.stream.getTracks()) track.stop();
      ARQ.stream = null;
      ARQ.streamPromise = null;
      if (ARQ.video) ARQ.video.srcObject = null;
      return;
    }
    ARQ.askCamera().then((stream) => {
      if (stream && ARQ.video && ARQ.stream === stream) {
        ARQ.video.srcObject = stream;
        ARQ.video.play().catch(() => {});
      }
    });
  },

  // --- Position, compass, motion ----------------------------------------------------------

  fix(position) {
    const c = position.coords;
    Module._arq_location(c.latitude, c.longitude, c.accuracy, c.altitude || 0,
      c.altitudeAccuracy === null || c.altitudeAccuracy === undefined ? -1 : c.altitudeAccuracy,
      position.timestamp / 1000);
  },

  positionError(error) {
    if (error && error.code === 1) Module._arq_location_permission(2, 1);
  },

  requestPosition() {
    navigator.geolocation.getCurrentPosition(ARQ.fix, ARQ.positionError,
      { enableHighAccuracy: true, maximumAge: 0, timeout: 60000 });
  },

  watchPosition(on) {
    ARQ.wanted.position = on;
    if (!navigator.geolocation || !ARQ.running) return;
    if (on && ARQ.watchId === null) {
      ARQ.watchId = navigator.geolocation.watchPosition(ARQ.fix, ARQ.positionError,
        { enableHighAccuracy: true, maximumAge: 0 });
    } else if (!on) {
      ARQ.stopPositionWatch();
    }
  },

  stopPositionWatch() {
    if (ARQ.watchId === null) return;
    navigator.geolocation.clearWatch(ARQ.watchId);
    ARQ.watchId = null;
  },

  orientation(e) {
    if (typeof e.webkitCompassHeading === 'number') {
      const accuracy = typeof e.webkitCompassAccuracy === 'number' ? e.webkitCompassAccuracy : -1;
      Module._arq_orientation(0, 0, 0, e.webkitCompassHeading, accuracy);
    } else if ((e.type === 'deviceorientationabsolute' || e.absolute) && e.alpha !== null) {
      Module._arq_orientation(e.alpha, e.beta, e.gamma, -1, -1);
    }
  },

  watchHeading(on) {
    ARQ.wanted.heading = on;
    ARQ.off('deviceorientationabsolute');
    ARQ.off('deviceorientation');
    if (!on || !ARQ.running) return;
    // The absolute event where the browser has it; else the plain one, which carries the
    // compass heading on some browsers and is absolute on others.
    ARQ.on(window, 'ondeviceorientationabsolute' in window ? 'deviceorientationabsolute'
      : 'deviceorientation', ARQ.orientation);
  },

  // WebKit on iOS signs accelerationIncludingGravity as gravity's pull (lying face up z = -9.81),
  // the other engines as the push holding the phone up (z = +9.81). iOS is told apart by its
  // compass field on orientation events, which only WebKit's iOS build has (the permission
  // request is no sign: Chromium has it too); the orientation angles share one sign convention
  // everywhere.
  motion(e) {
    const a = e.accelerationIncludingGravity;
    if (!a || a.x === null || a.y === null || a.z === null) return;
    const pull = !!window.DeviceOrientationEvent &&
      'webkitCompassHeading' in DeviceOrientationEvent.prototype;
    Module._arq_motion(a.x, a.y, a.z, pull ? 1 : 0);
  },

  watchMotion(on) {
    ARQ.wanted.motion = on;
    ARQ.off('devicemotion');
    if (on && ARQ.running) ARQ.on(window, 'devicemotion', ARQ.motion);
  },

  // --- Data, links, sharing, settings ---------------------------------------------------

  cString(text) {
    const length = lengthBytesUTF8(text) + 1;
    const pointer = _malloc(length);
    stringToUTF8(text, pointer, length);
    return pointer;
  },

  fetchBytes(id, address, maxBytes) {
    const fail = (kind, message) => {
      const text = ARQ.cString(message);
      Module._arq_fetched(id, 0, 0, kind, text);
      _free(text);
    };
    fetch(address, { mode: 'cors', credentials: 'omit', redirect: 'follow' })
      .then(async (response) => {
        if (!response.ok) {
          fail(response.status === 404 ? 3 : 4, address + ': HTTP status ' + response.status);
          return;
        }
        const declared = Number(response.headers.get('content-length'));
        if (declared > maxBytes) {
          fail(2, address + ': ' + declared + ' bytes, more than ' + maxBytes);
          return;
        }
        const bytes = new Uint8Array(await response.arrayBuffer());
        if (bytes.length > maxBytes) {
          fail(2, address + ': ' + bytes.length + ' bytes, more than ' + maxBytes);
          return;
        }
        await ARQ.decodeRaster(bytes);
        const pointer = _malloc(Math.max(1, bytes.length));
        HEAPU8.set(bytes, pointer);
        Module._arq_fetched(id, pointer, bytes.length, -1, 0);
        _free(pointer);
      })
      .catch((error) => fail(6, address + ': ' + (error && error.message ? error.message : error)));
  },

  // PNG and JPEG bytes decoded by the browser into straight RGBA pixels, handed to the
  // platform before the bytes themselves, so that its image decoder finds them. Anything the
  // browser cannot decode is left to the platform (which refuses it with its own message).
  async decodeRaster(bytes) {
    const png = bytes.length > 8 && bytes[0] === 0x89 && bytes[1] === 0x50 && bytes[2] === 0x4e &&
      bytes[3] === 0x47;
    const jpeg = bytes.length > 3 && bytes[0] === 0xff && bytes[1] === 0xd8 && bytes[2] === 0xff;
    if ((!png && !jpeg) || typeof createImageBitmap !== 'function') return;
    let bitmap = null;
    try {
      bitmap = await createImageBitmap(new Blob([bytes]), { premultiplyAlpha: 'none' });
      const w = bitmap.width, h = bitmap.height;
      if (!w || !h || w > 4096 || h > 4096) return;
      const canvas = typeof OffscreenCanvas === 'function' ? new OffscreenCanvas(w, h)
        : Object.assign(document.createElement('canvas'), { width: w, height: h });
      const context = canvas.getContext('2d');
      context.drawImage(bitmap, 0, 0);
      const rgba = context.getImageData(0, 0, w, h).data;
      const source = _malloc(bytes.length);
      const pixels = _malloc(rgba.length);
      HEAPU8.set(bytes, source);
      HEAPU8.set(rgba, pixels);
      Module._arq_image_decoded(source, bytes.length, w, h, pixels);
      _free(source);
      _free(pixels);
    } catch (e) {
      // Not a picture the browser reads: the platform says so when it is asked for it.
    } finally {
      if (bitmap) bitmap.close();
    }
  },

  // --- The web view's frame -------------------------------------------------------------

  // A box over the canvas holding the frame and the "open in the browser" button.
  webViewCreate(id, openLabel) {
    const box = document.createElement('div');
    box.className = 'arquorel-webview';
    box.style.cssText = 'position:absolute;display:none;overflow:hidden;pointer-events:none';
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'arquorel-open-in-browser';
    button.textContent = openLabel + ' \u2197';
    button.style.cssText = 'position:absolute;right:12px;bottom:12px;z-index:1;' +
      'pointer-events:auto;font:600 15px "DejaVu Sans",sans-serif;color:#fff;' +
      'background:rgba(0,122,255,0.94);border:0;border-radius:20px;padding:10px 16px;' +
      'box-shadow:0 2px 8px rgba(0,0,0,0.3);cursor:pointer';
    const view = { box, frame: null, button, url: '' };
    button.addEventListener('click', () => {
      if (view.url) window.open(view.url, '_blank', 'noopener');
    });
    box.append(button);
    ARQ.webViews.set(id, view);
    if (ARQ.container) ARQ.container.append(box);
  },

  // A new frame for each load (so that only its own load event counts). Pages of this page's
  // own origin get no same-origin right: with scripts as well they could reach the page.
  webViewLoad(id, url, token) {
    const view = ARQ.webViews.get(id);
    if (!view) return;
    let address;
    try {
      address = new URL(url);
    } catch (e) {
      return;  // the platform times the load out
    }
    if (address.protocol !== 'http:' && address.protocol !== 'https:') return;
    view.url = address.href;
    if (view.frame) view.frame.remove();
    const frame = document.createElement('iframe');
    const sandbox = ['allow-scripts', 'allow-popups'];
    if (address.origin !== location.origin) sandbox.push('allow-same-origin');
    frame.setAttribute('sandbox', sandbox.join(' '));
    frame.setAttribute('referrerpolicy', 'no-referrer');
    frame.setAttribute('allow', '');
    frame.style.cssText = 'position:absolute;inset:0;width:100%;height:100%;border:0;' +
      'background:#fff;pointer-events:auto';
    frame.addEventListener('load', () => {
      if (view.frame === frame) Module._arq_webview_loaded(id, token);
    });
    frame.src = address.href;
    view.frame = frame;
    view.box.prepend(frame);
    if (!view.box.isConnected && ARQ.container) ARQ.container.append(view.box);
  },

  webViewPlace(id, x, y, w, h, showFrame, showButton) {
    const view = ARQ.webViews.get(id);
    if (!view) return;
    const style = view.box.style;
    style.display = showFrame || showButton ? 'block' : 'none';
    style.left = x + 'px';
    style.top = y + 'px';
    style.width = w + 'px';
    style.height = h + 'px';
    if (view.frame) view.frame.style.visibility = showFrame ? 'visible' : 'hidden';
    view.button.style.display = showButton ? 'block' : 'none';
  },

  webViewRemove(id) {
    const view = ARQ.webViews.get(id);
    if (!view) return;
    view.box.remove();
    ARQ.webViews.delete(id);
  },

  // A short line over the screen (the share's clipboard fallback).
  notice(text) {
    if (!ARQ.container) return;
    let n = ARQ.noticeElement;
    if (!n) {
      n = ARQ.noticeElement = document.createElement('div');
      n.className = 'arquorel-notice';
      n.setAttribute('role', 'status');
      n.style.cssText = 'position:absolute;left:50%;bottom:96px;transform:translateX(-50%);' +
        'width:max-content;' +
        'z-index:2;max-width:80%;padding:10px 16px;border-radius:18px;pointer-events:none;' +
        'font:15px "DejaVu Sans",sans-serif;color:#fff;background:rgba(0,0,0,0.78);' +
        'text-align:center';
    }
    n.textContent = text;
    ARQ.container.append(n);
    clearTimeout(ARQ.noticeTimer);
    ARQ.noticeTimer = setTimeout(() => n.remove(), 2500);
  },

  // A telephone number read by libphonenumber-js (its "min" metadata: every country's calling
  // code, trunk prefix, lengths and number pattern), which the page loads as the global
  // `libphonenumber` before the module. `region` is a capital alpha-2 code or empty. The answer
  // is one line: "E164 REGION" ("001" for numbers of no country), or "!REASON".
  readPhone(text, region) {
    const reader = globalThis.libphonenumber;
    if (!reader) return '!the page has no telephone-number reader (libphonenumber-min.js)';
    const reasons = {
      INVALID_COUNTRY: 'no known country code, and no region to read it in',
      NOT_A_NUMBER: 'not a telephone number',
      TOO_SHORT: 'too short for a telephone number',
      TOO_LONG: 'too long for a telephone number',
      INVALID_LENGTH: 'not a telephone number of its region\'s length',
    };
    let number;
    try {
      number = reader.parsePhoneNumberWithError(text, region ? { defaultCountry: region } : {});
    } catch (e) {
      return '!' + (reasons[e && e.message] || 'not a telephone number');
    }
    if (!number.isValid()) return '!not a valid number of its region';
    return number.number + ' ' + (number.country || '001');
  },

  openLink(url) {
    const a = document.createElement('a');
    a.href = url;
    if (/^https?:/i.test(url)) {
      a.target = '_blank';
      a.rel = 'noopener';
    }
    document.body.append(a);
    a.click();
    a.remove();
    return true;
  },

  // The Web Share sheet where the browser has one (and lets the page use it now); else the
  // text and address go to the clipboard and a notice says so. The platform hears how it
  // ended, so that the sheet drawn in the window closes.
  share(text, url, copiedNotice) {
    const data = {};
    if (text) data.text = text;
    if (url) data.url = url;
    const done = (outcome) => { if (ARQ.running) Module._arq_share_done(outcome); };
    const copy = () => {
      const copied = [text, url].filter((s) => s).join('\n');
      if (!copied || !navigator.clipboard) return done(0);
      navigator.clipboard.writeText(copied).then(() => {
        ARQ.notice(copiedNotice);
        done(2);
      }, (e) => {
        console.warn('arquorel: nothing copied: ' + e);
        done(0);
      });
    };
    if (navigator.share && (!navigator.canShare || navigator.canShare(data))) {
      // Refused (no recent tap, for one): the clipboard instead; cancelled by the user: nothing.
      navigator.share(data).then(() => done(1),
        (e) => (e && e.name === 'AbortError' ? done(0) : copy()));
      return;
    }
    copy();
  },

  saveSettings(text) {
    try {
      localStorage.setItem(ARQ.settingsKey, text);
    } catch (e) {
      console.warn('arquorel: the settings cannot be kept: ' + e);
    }
  },
});

// The user defaults come from local storage before the platform reads them.
Module['preRun'] = [].concat(Module['preRun'] || [], () => {
  FS.mkdir('/settings');
  let text = null;
  try {
    text = localStorage.getItem(ARQ.settingsKey);
  } catch (e) {
    text = null;
  }
  if (text) FS.writeFile('/settings/defaults.json', text);
});
