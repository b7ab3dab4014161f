// Reading view-tree dumps (the native dump's format) for the browser tests: the cards of the
// main screen by the place name they show, with their frames.
export function cards(tree) {
  const out = [];
  let card = null;
  for (const line of tree.split('\n')) {
    const frame = /^\s*(?:\[\d+\] )?AnnnotationView \((-?[\d.]+), (-?[\d.]+), ([\d.]+), ([\d.]+)\)(.*)$/.exec(line);
    if (frame) {
      card = { frame: frame.slice(1, 5).map(Number), hidden: / hidden/.test(frame[5]), name: '' };
      out.push(card);
      continue;
    }
    const name = /Label #name .* text="(.*)"$/.exec(line);
    if (card && name && !card.name) card.name = name[1];
    const distance = /Label #distance .* text="(.*)"$/.exec(line);
    if (card && distance) card.distance = distance[1];
  }
  return out;
}

// Cards of `a` and `b` paired by name (and order among equal names), with the largest
// difference of their frames' values.
export function compareCards(a, b) {
  const byName = (list) => {
    const map = new Map();
    for (const c of list) {
      if (!map.has(c.name)) map.set(c.name, []);
      map.get(c.name).push(c);
    }
    return map;
  };
  const left = byName(cards(a)), right = byName(cards(b));
  const problems = [];
  let worst = 0;
  for (const [name, list] of left) {
    const other = right.get(name) || [];
    if (other.length !== list.length) {
      problems.push(`${name}: ${list.length} card(s) against ${other.length}`);
      continue;
    }
    list.forEach((c, i) => {
      const d = Math.max(...c.frame.map((v, k) => Math.abs(v - other[i].frame[k])));
      worst = Math.max(worst, d);
      if (c.distance !== other[i].distance)
        problems.push(`${name}: distance ${c.distance} against ${other[i].distance}`);
      if (d > 2) problems.push(`${name}: frame ${c.frame} against ${other[i].frame}`);
    });
  }
  for (const name of right.keys())
    if (!left.has(name)) problems.push(`${name}: only in the second tree`);
  return { worst, problems };
}

// The frame in window coordinates of the first view whose line matches `pattern`, its
// ancestors' origins added up (by indentation); none when no line matches.
export function windowFrame(tree, pattern) {
  const origins = [];
  for (const line of tree.split('\n')) {
    const depth = line.search(/\S/) / 2;
    const f = /\((-?[\d.]+), (-?[\d.]+), ([\d.]+), ([\d.]+)\)/.exec(line);
    if (!f) continue;
    const [x, y, w, h] = f.slice(1, 5).map(Number);
    origins.length = depth;
    const parent = depth > 0 && origins[depth - 1] ? origins[depth - 1] : { x: 0, y: 0 };
    const here = { x: parent.x + x, y: parent.y + y };
    origins[depth] = here;
    if (pattern.test(line)) return { x: here.x, y: here.y, width: w, height: h };
  }
  return null;
}

// The rows of a list (ArPlaceCell) with every view inside them: { frame, lines: [{ key, frame }] }
// by order, the key being the view's line without its frame.
export function rows(tree) {
  const out = [];
  let row = null, depth = 0;
  for (const line of tree.split('\n')) {
    const d = line.search(/\S/);
    const f = /\((-?[\d.]+), (-?[\d.]+), ([\d.]+), ([\d.]+)\)/.exec(line);
    if (/ArPlaceCell \(/.test(line) && f) {
      row = { frame: f.slice(1, 5).map(Number), lines: [] };
      depth = d;
      out.push(row);
    } else if (row && d > depth && f) {
      row.lines.push({ key: line.replace(f[0], '').trim(), frame: f.slice(1, 5).map(Number) });
    } else if (row && d <= depth) {
      row = null;
    }
  }
  return out;
}

// The rows both trees show, paired by order: frames of the rows and of every view inside them
// further apart than `tolerance` points, and views that differ.
export function compareRows(a, b, tolerance = 2) {
  const left = rows(a), right = rows(b);
  const problems = [];
  const count = Math.min(left.length, right.length);
  const far = (p, q) => p.some((v, k) => Math.abs(v - q[k]) > tolerance);
  for (let i = 0; i < count; ++i) {
    const [l, r] = [left[i], right[i]];
    if (far(l.frame, r.frame)) problems.push(`row ${i + 1}: frame ${l.frame} against ${r.frame}`);
    if (l.lines.length !== r.lines.length) {
      problems.push(`row ${i + 1}: ${l.lines.length} views against ${r.lines.length}`);
      continue;
    }
    l.lines.forEach((v, k) => {
      const w = r.lines[k];
      if (v.key !== w.key) problems.push(`row ${i + 1}: ${v.key} against ${w.key}`);
      else if (far(v.frame, w.frame)) problems.push(`row ${i + 1}: ${v.key} ${v.frame} against ${w.frame}`);
    });
  }
  return { rows: count, problems };
}
