// The page's accessibility, placed after browser.js (--pre-js): a hidden mirror of the key
// window's accessibility tree over the canvas, one DOM element an element, in reading order,
// with its role and name, where its view is drawn, so that the phone's screen reader and the
// keyboard can reach what the canvas shows. Activating an element taps its view; Escape goes
// back; the arrows step a slider. Announcements go to a polite live region.
//
// The module hands the elements over only when they changed (arq_a11y_frame); the mirror then
// updates the DOM elements it has (by element id) rather than rebuilding them, so that the
// keyboard's focus stays where it is.
'use strict';

Object.assign(ARQ, {
  mirror: null,              // the element holding the mirror's elements
  live: null,                // the polite live region
  mirrorEntries: new Map(),  // element id -> { element, data }
  focusFirst: false,         // a new screen came on while the focus was in the mirror

  a11yAttach(container) {
    if (!document.getElementById('arquorel-a11y-style')) {
      const style = document.createElement('style');
      style.id = 'arquorel-a11y-style';
      style.textContent =
        '.arquorel-a11y{position:absolute;inset:0;pointer-events:none;z-index:1}' +
        '.arquorel-a11y>*{position:absolute;left:0;top:0;box-sizing:border-box;overflow:hidden;' +
        'border-radius:6px;outline:none;background:transparent}' +
        '.arquorel-a11y>:focus-visible{outline:3px solid #ffd60a;outline-offset:1px;' +
        'box-shadow:0 0 0 5px rgba(0,0,0,0.85)}' +
        '.arquorel-sr-only{position:absolute;width:1px;height:1px;margin:-1px;padding:0;' +
        'overflow:hidden;clip:rect(0 0 0 0);clip-path:inset(50%);white-space:nowrap;border:0}';
      document.head.append(style);
    }
    const mirror = document.createElement('div');
    mirror.className = 'arquorel-a11y';
    const live = document.createElement('div');
    live.className = 'arquorel-sr-only';
    live.setAttribute('role', 'status');
    live.setAttribute('aria-live', 'polite');
    container.append(mirror, live);
    ARQ.mirror = mirror;
    ARQ.live = live;
    ARQ.mirrorEntries = new Map();
    mirror.addEventListener('click', (e) => {
      const id = ARQ.mirrorId(e.target);
      if (id !== null) Module._arq_a11y_activate(id);
    });
    ARQ.on(document, 'keydown', ARQ.a11yKey);
  },

  a11yDetach() {
    if (ARQ.mirror) ARQ.mirror.remove();
    if (ARQ.live) ARQ.live.remove();
    ARQ.mirror = ARQ.live = null;
    ARQ.mirrorEntries = new Map();
  },

  mirrorId(element) {
    for (let e = element; e && e !== ARQ.mirror; e = e.parentElement) {
      if (e.dataset && e.dataset.id && e.parentElement === ARQ.mirror) return Number(e.dataset.id);
    }
    return null;
  },

  // Enter or Space activates the focused element, Escape goes back from it (or from the
  // screen), the arrows step a slider. Keys typed into the page's own fields are theirs.
  a11yKey(e) {
    if (!ARQ.mirror || e.altKey || e.ctrlKey || e.metaKey) return;
    const id = ARQ.mirrorId(document.activeElement);
    if (e.key === 'Escape') {
      const field = document.activeElement && /^(INPUT|SELECT|TEXTAREA)$/.test(document.activeElement.tagName);
      if (field || (id === null && !ARQ.container.contains(document.activeElement) &&
          document.activeElement !== document.body)) return;
      Module._arq_a11y_escape(id === null ? -1 : id);
      e.preventDefault();
      return;
    }
    if (id === null) return;
    const entry = ARQ.mirrorEntries.get(id);
    if (e.key === 'Enter' || e.key === ' ') {
      Module._arq_a11y_activate(id);
      e.preventDefault();
    } else if (entry && entry.data.role === 'slider' && /^Arrow/.test(e.key)) {
      Module._arq_a11y_adjust(id, e.key === 'ArrowUp' || e.key === 'ArrowRight' ? 1 : 0);
      e.preventDefault();
    }
  },

  // Called after every frame.
  a11yFrame() {
    const json = Module._arq_a11y_frame();
    if (json && ARQ.mirror) ARQ.mirrorUpdate(JSON.parse(UTF8ToString(json)));
  },

  mirrorUpdate(list) {
    const mirror = ARQ.mirror;
    const focused = mirror.contains(document.activeElement) ? document.activeElement : null;
    const focusedIndex = focused ? [...mirror.children].indexOf(focused) : -1;
    const seen = new Set();
    list.forEach((data, i) => {
      let entry = ARQ.mirrorEntries.get(data.id);
      if (entry && entry.data.role !== data.role) {
        entry.element.remove();
        entry = null;
      }
      if (!entry) {
        entry = { element: document.createElement('div'), data: null };
        entry.element.dataset.id = data.id;
        entry.element.tabIndex = 0;
        ARQ.mirrorEntries.set(data.id, entry);
      }
      ARQ.mirrorApply(entry, data);
      seen.add(data.id);
      const at = mirror.children[i];
      if (at !== entry.element) mirror.insertBefore(entry.element, at || null);
    });
    // (No destructuring here: the build's minifier does not keep it.)
    for (const id of [...ARQ.mirrorEntries.keys()]) {
      if (seen.has(id)) continue;
      ARQ.mirrorEntries.get(id).element.remove();
      ARQ.mirrorEntries.delete(id);
    }
    const elements = mirror.children;
    if (ARQ.focusFirst) {
      ARQ.focusFirst = false;
      // Its heading, as its title, else its first element (as the reader does).
      const first = mirror.querySelector(':scope > [role=heading]') || elements[0];
      if (first) first.focus({ preventScroll: true });
    } else if (focused && focused.isConnected) {
      // Moving an element in the DOM takes its focus away: given back.
      if (document.activeElement !== focused) focused.focus({ preventScroll: true });
    } else if (focused && elements.length) {
      // Its element left: the focus goes to the one now in its place, not to the page's top.
      elements[Math.min(focusedIndex, elements.length - 1)].focus({ preventScroll: true });
    }
  },

  // Sets what changed of one element since the last reading: role, name, state, and its place
  // over the canvas. Compared with what was last written, not read back from the document: a
  // reading comes every few frames, and while the phone turns every card's element moves.
  mirrorApply(entry, d) {
    const e = entry.element;
    const old = entry.data || {};
    entry.data = d;
    const name = d.role === 'slider' ? d.label : [d.label, d.value].filter((s) => s).join(', ');
    const attributes = { 'aria-description': d.hint || null,
      'aria-disabled': d.disabled ? 'true' : null, 'aria-current': d.selected ? 'true' : null };
    // An element keeps its role: a view whose role changes gets a new element.
    attributes.role = d.role === 'text' ? null : d.role;
    attributes['aria-level'] = d.role === 'heading' ? '2' : null;
    if (d.role === 'slider') {
      const number = parseFloat(String(d.value).replace(',', '.'));
      attributes['aria-valuetext'] = d.value || null;
      attributes['aria-valuenow'] = Number.isFinite(number) ? String(number) : '0';
      attributes['aria-valuemin'] = Number.isFinite(number) ? String(Math.min(0, number)) : '0';
      attributes['aria-valuemax'] = Number.isFinite(number) ? String(Math.max(100, number)) : '100';
    }
    if (d.role === 'text') {
      // Plain text is read from the element's content (a name is not allowed on it).
      if (!e.firstChild) {
        const span = document.createElement('span');
        span.className = 'arquorel-sr-only';
        e.append(span);
      }
      if (entry.name !== name) e.firstChild.textContent = name;
    } else {
      attributes['aria-label'] = name || null;
    }
    entry.name = name;
    const written = entry.attributes || {};
    for (const key in attributes) {
      const value = attributes[key];
      if (value === written[key]) continue;
      if (value === null) e.removeAttribute(key);
      else e.setAttribute(key, value);
    }
    entry.attributes = attributes;
    // Moved by a transform alone, which lays nothing out again.
    const s = e.style;
    if (old.x !== d.x || old.y !== d.y) s.transform = 'translate(' + d.x + 'px,' + d.y + 'px)';
    if (old.w !== d.w) s.width = d.w + 'px';
    if (old.h !== d.h) s.height = d.h + 'px';
  },

  // Said by the live region; a new screen's heading (or first element) is focused instead when
  // the focus was in the mirror (the reader then says it).
  announce(text, newScreen) {
    if (newScreen && ARQ.mirror && ARQ.mirror.contains(document.activeElement)) {
      ARQ.focusFirst = true;
      return;
    }
    const live = ARQ.live;
    if (!live || !text) return;
    // Emptied first, so that the same text said twice is heard twice.
    live.textContent = '';
    setTimeout(() => { if (ARQ.live === live) live.textContent = text; }, 50);
  },
});
