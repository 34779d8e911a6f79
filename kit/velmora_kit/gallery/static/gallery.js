// The velmora gallery: every built-in pattern moving in time, in plain JavaScript and canvas.
//
// catalogue.js (loaded first) holds the metadata; tables.js, injected once the grid has
// been painted, holds one loop of every pattern (see decodeTables). One transport turns the
// clock into a pip position, and every visible view draws the same integer pip each frame.
"use strict";

(function () {
  const CAT = window.VELMORA_CATALOGUE;
  const PPB = CAT.pipsPerBeat;
  const SCALE = CAT.scale;
  const COLLECTION_LABELS = {
    core: "core", velmora_initial: "initial", velmora_expansion: "expansion",
    velmora_atlas: "atlas", velmora_continuum: "continuum", velmora_club: "club",
    velmora_dancefloor: "dancefloor", generator: "generator",
  };
  const COLORS = {
    x: "#ff7a6b", y: "#4fd1c5", z: "#f6c453",
    path: "rgba(214, 222, 255, 0.26)", grid: "rgba(255, 255, 255, 0.06)",
    axis: "rgba(255, 255, 255, 0.10)", accent: "#8fa8ff", dot: "#ffffff",
  };
  // Each view's backdrop, centre to edge, painted once into its cached path.
  const BACKGROUNDS = {
    card: ["#171a24", "#0f1117"], cell: ["#161922", "#12141b"], detail: ["#181c27", "#0d0f14"],
  };
  const DPR = Math.min(window.devicePixelRatio || 1, 2);
  const reducedMotion = window.matchMedia("(prefers-reduced-motion: reduce)").matches;

  const patterns = CAT.patterns.map((row, index) => ({
    index, name: row[0], description: row[1], period: row[2], dimensions: row[3],
    collection: CAT.collections[row[4]], family: CAT.families[row[5]],
    // Search words (row[6]) reach shapes by the names users know them by; a generated
    // shape (row[7]) carries the Python that makes it.
    haystack: (row[0] + "\n" + row[1] + "\n" + (row[6] || "")).toLowerCase(), snippet: row[7] || "",
    offset: -1, axes: 0, card: null,
  }));
  const byName = new Map(patterns.map((p) => [p.name, p]));
  const $ = (id) => document.getElementById(id);

  // ---------------------------------------------------------------- tables
  let table = null;

  function base64Bytes(text) {
    if (typeof Uint8Array.fromBase64 === "function") return Uint8Array.fromBase64(text);
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // The builder stores each axis of each loop as 16-bit second differences, low bytes
  // then high bytes, zlib-compressed: two running sums with 16-bit wrap-around undo it.
  async function decodeTables(encoded) {
    const packed = new Blob([base64Bytes(encoded.data)]).stream()
      .pipeThrough(new DecompressionStream("deflate"));
    const raw = new Uint8Array(await new Response(packed).arrayBuffer());
    const half = raw.length >> 1;
    const values = new Int16Array(half);
    let at = 0;
    encoded.axes.forEach((axes, index) => {
      const p = patterns[index];
      p.offset = at;
      p.axes = axes;
      for (let axis = 0; axis < axes; axis++) {
        let slope = 0, value = 0;
        for (let k = 0; k < p.period; k++, at++) {
          slope = (slope + (raw[at] | (raw[half + at] << 8))) & 0xffff;
          value = (value + slope) & 0xffff;
          values[at] = value;  // an Int16Array wraps 0..65535 onto -32768..32767
        }
      }
    });
    if (at !== half) throw new Error(`tables hold ${half} values, the catalogue needs ${at}`);
    return values;
  }

  function loadTables() {
    return new Promise((resolve, reject) => {
      const script = document.createElement("script");
      script.src = "tables.js";
      script.onload = () => decodeTables(window.VELMORA_TABLES).then((values) => {
        table = values;
        delete window.VELMORA_TABLES;  // the decoded copy is all the page keeps
        resolve();
      }, reject);
      script.onerror = () => reject(new Error("tables.js could not be loaded"));
      document.head.appendChild(script);
    });
  }

  function wrap(pip, period) {
    const r = pip % period;
    return r < 0 ? r + period : r;
  }

  // One loop position of a pattern: the value the module gives at that pip, to 1/32767.
  function value(p, phase, axis) {
    return axis < p.axes ? table[p.offset + axis * p.period + phase] / SCALE : 0;
  }

  // ---------------------------------------------------------------- transport
  // The position is a pure function of the clock: anchorPos at anchorTime, moving at the
  // tempo while playing. A change of tempo re-anchors, so the motion never jumps.
  const transport = {
    bpm: 120, playing: false, anchorTime: performance.now(), anchorPos: 0,
    position(now) {
      if (!this.playing) return this.anchorPos;
      return this.anchorPos + (now - this.anchorTime) * this.bpm * PPB / 60000;
    },
    reanchor(now) {
      this.anchorPos = Math.max(0, this.position(now));
      this.anchorTime = now;
    },
    setBpm(bpm) {
      this.reanchor(performance.now());
      this.bpm = bpm;
    },
    setPlaying(playing) {
      this.reanchor(performance.now());
      this.playing = playing;
    },
  };
  const frame = { time: performance.now(), position: 0, pip: 0, count: 0 };

  // ---------------------------------------------------------------- views
  // A view draws one pattern into one canvas: its x-y path (cached while the view is on
  // screen), a trail, the moving dot and, for patterns that use z, a depth gauge.
  class View {
    constructor(pattern, kind) {
      this.pattern = pattern;
      this.kind = kind;
      this.size = 0;
      this.cache = null;
    }

    release() {
      this.cache = null;
      this.size = 0;
    }

    prepare(size) {
      if (this.size === size && this.cache) return true;
      if (!table || size <= 0) return false;
      this.size = size;
      this.cache = renderPathCache(this.pattern, size, this.kind);
      return true;
    }

    // Paints the view into a strip's context, `x` CSS pixels from the strip's left edge.
    paint(ctx, x, pip, size) {
      if (!this.prepare(size)) return;
      ctx.setTransform(1, 0, 0, 1, Math.round(x * DPR), 0);
      ctx.drawImage(this.cache, 0, 0);
      ctx.setTransform(DPR, 0, 0, DPR, Math.round(x * DPR), 0);
      drawMotion(ctx, this.pattern, pip, size, this.kind);
    }
  }

  function frameOf(p, size, kind) {
    const gauge = p.dimensions === 3 && kind !== "cell" ? Math.max(6, size * 0.06) : 0;
    const margin = Math.max(4, size * (kind === "cell" ? 0.1 : 0.09));
    const width = size - gauge;
    const radius = Math.min(width, size) / 2 - margin;
    return { cx: width / 2, cy: size / 2, r: radius, gauge, width };
  }

  function renderPathCache(p, size, kind) {
    const cache = document.createElement("canvas");
    cache.width = cache.height = Math.round(size * DPR);
    const ctx = cache.getContext("2d", { alpha: false });
    ctx.scale(DPR, DPR);
    const f = frameOf(p, size, kind);
    const glow = ctx.createRadialGradient(size / 2, size * 0.45, 0, size / 2, size * 0.45, size * 0.75);
    glow.addColorStop(0, BACKGROUNDS[kind][0]);
    glow.addColorStop(1, BACKGROUNDS[kind][1]);
    ctx.fillStyle = glow;
    ctx.fillRect(0, 0, size, size);
    if (kind !== "cell") {
      ctx.strokeStyle = COLORS.grid;
      ctx.lineWidth = 1;
      ctx.strokeRect(f.cx - f.r + 0.5, f.cy - f.r + 0.5, 2 * f.r - 1, 2 * f.r - 1);
      ctx.strokeStyle = COLORS.axis;
      ctx.beginPath();
      ctx.moveTo(f.cx - f.r, f.cy); ctx.lineTo(f.cx + f.r, f.cy);
      ctx.moveTo(f.cx, f.cy - f.r); ctx.lineTo(f.cx, f.cy + f.r);
      ctx.stroke();
    }
    if (p.dimensions === 1) {
      // x alone: its waveform with time running down, behind the line the dot moves on.
      ctx.strokeStyle = COLORS.path;
      ctx.lineWidth = kind === "cell" ? 1 : 1.25;
      ctx.beginPath();
      for (let k = 0; k <= p.period; k++) {
        const x = f.cx + value(p, k % p.period, 0) * f.r;
        const y = f.cy - f.r + (2 * f.r * k) / p.period;
        if (k === 0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
      }
      ctx.stroke();
      if (kind !== "cell") {
        // In the margin under the frame, clear of the curve.
        ctx.fillStyle = "rgba(139, 145, 163, 0.75)";
        ctx.font = `${kind === "detail" ? 12 : 9}px system-ui, sans-serif`;
        ctx.textBaseline = "top";
        ctx.fillText("x over time \u2193", f.cx - f.r, f.cy + f.r + 3);
      }
    } else {
      drawPath(ctx, p, f, kind === "cell" ? 1 : 1.4, COLORS.path);
    }
    if (f.gauge) {
      const gx = size - f.gauge / 2;
      ctx.strokeStyle = "rgba(246, 196, 83, 0.25)";
      ctx.lineWidth = 2;
      ctx.beginPath();
      ctx.moveTo(gx, f.cy - f.r); ctx.lineTo(gx, f.cy + f.r);
      ctx.stroke();
    }
    return cache;
  }

  // The closed x-y path; where the pattern uses z, nearer stretches are drawn brighter.
  function drawPath(ctx, p, f, width, color) {
    ctx.lineWidth = width;
    ctx.lineJoin = "round";
    if (p.dimensions < 3) {
      ctx.strokeStyle = color;
      ctx.beginPath();
      for (let k = 0; k <= p.period; k++) {
        const phase = k % p.period;
        const x = f.cx + value(p, phase, 0) * f.r, y = f.cy - value(p, phase, 1) * f.r;
        if (k === 0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
      }
      ctx.stroke();
      return;
    }
    const levels = 6;
    let level = -1;
    let px = f.cx + value(p, 0, 0) * f.r, py = f.cy - value(p, 0, 1) * f.r;
    for (let k = 1; k <= p.period; k++) {
      const phase = k % p.period;
      const z = value(p, phase, 2);
      const next = Math.min(levels - 1, Math.floor(((z + 1) / 2) * levels));
      if (next !== level) {
        if (level >= 0) ctx.stroke();
        level = next;
        ctx.strokeStyle = `rgba(214, 222, 255, ${(0.12 + 0.3 * (level / (levels - 1))).toFixed(3)})`;
        ctx.beginPath();
        ctx.moveTo(px, py);
      }
      px = f.cx + value(p, phase, 0) * f.r;
      py = f.cy - value(p, phase, 1) * f.r;
      ctx.lineTo(px, py);
    }
    ctx.stroke();
  }

  function drawMotion(ctx, p, pip, size, kind) {
    const f = frameOf(p, size, kind);
    const phase = wrap(pip, p.period);
    const x = value(p, phase, 0), y = value(p, phase, 1), z = value(p, phase, 2);
    let dx, dy;
    const trail = Math.max(8, Math.min(96, p.period >> 2));
    ctx.lineCap = "round";
    ctx.lineJoin = "round";
    if (p.dimensions === 1) {
      const ty = f.cy - f.r + (2 * f.r * phase) / p.period;
      ctx.strokeStyle = "rgba(143, 168, 255, 0.35)";
      ctx.lineWidth = 1;
      ctx.beginPath();
      ctx.moveTo(f.cx - f.r, ty); ctx.lineTo(f.cx + f.r, ty);
      ctx.stroke();
      dx = f.cx + x * f.r;
      dy = ty;
    } else {
      // The trail: the last stretch of the path, fading out behind the dot.
      const steps = 4;
      for (let s = 0; s < steps; s++) {
        ctx.strokeStyle = `rgba(143, 168, 255, ${(0.18 + 0.62 * (s + 1) / steps).toFixed(3)})`;
        ctx.lineWidth = kind === "cell" ? 1.5 : 1.5 + s * 0.5;
        ctx.beginPath();
        const from = pip - trail + (s * trail) / steps, to = pip - trail + ((s + 1) * trail) / steps;
        for (let k = Math.floor(from); k <= to; k++) {
          const q = wrap(k, p.period);
          const tx = f.cx + value(p, q, 0) * f.r, ty = f.cy - value(p, q, 1) * f.r;
          if (k === Math.floor(from)) ctx.moveTo(tx, ty); else ctx.lineTo(tx, ty);
        }
        ctx.stroke();
      }
      dx = f.cx + x * f.r;
      dy = f.cy - y * f.r;
    }
    const base = kind === "cell" ? 2.6 : kind === "detail" ? Math.max(4, size * 0.016) : Math.max(3.5, size * 0.028);
    const radius = p.dimensions === 3 ? base * (1 + 0.45 * z) : base;
    ctx.fillStyle = "rgba(143, 168, 255, 0.25)";
    ctx.beginPath();
    ctx.arc(dx, dy, radius * 2.2, 0, 2 * Math.PI);
    ctx.fill();
    ctx.fillStyle = COLORS.dot;
    ctx.beginPath();
    ctx.arc(dx, dy, radius, 0, 2 * Math.PI);
    ctx.fill();
    if (kind === "card") {
      // Where the loop is: a hairline along the bottom edge.
      ctx.fillStyle = "rgba(143, 168, 255, 0.45)";
      ctx.fillRect(0, size - 2, (size * phase) / p.period, 2);
    }
    if (f.gauge) {
      const gx = size - f.gauge / 2, gy = f.cy - z * f.r;
      ctx.strokeStyle = COLORS.z;
      ctx.lineWidth = 2;
      ctx.beginPath();
      ctx.moveTo(gx, f.cy); ctx.lineTo(gx, gy);
      ctx.stroke();
      ctx.fillStyle = COLORS.z;
      ctx.beginPath();
      ctx.arc(gx, gy, 2.5, 0, 2 * Math.PI);
      ctx.fill();
    }
  }

  // Only views on screen animate, and they are drawn into strips: one canvas per row of
  // views on screen, laid over the cards. Chromium spends most of a frame on each canvas
  // that changes (producing and compositing its image) rather than on the drawing, so
  // eight strips cost far less than sixty canvases, and a hundred and more in the matrix.
  //
  // Which views are on screen is read from the layout, not from an IntersectionObserver:
  // observing 1,731 cards made Chromium recompute every intersection on every animated
  // frame. Cards and matrix rows stand in document order, so a binary search over their
  // offsets finds the visible run in a few dozen reads, when the page scrolls or changes.
  const viewOf = new WeakMap();
  const MARGIN = 24;  // px beyond the viewport: enough to be drawn as a card scrolls in
  let visibilityDirty = true;
  let strips = [];     // [{ canvas, top, left, width, height, items: [{ view, x }], lastPip }]
  const stripPools = new Map();

  function firstBelow(elements, top) {
    let low = 0, high = elements.length;
    while (low < high) {
      const middle = (low + high) >> 1;
      const element = elements[middle];
      if (element.offsetTop + element.offsetHeight < top) low = middle + 1; else high = middle;
    }
    return low;
  }

  // The views on screen with their squares, relative to the layer their strips live in.
  function visibleItems() {
    const items = [];
    if (!$("patterns-view").hidden) {
      const layer = $("grid-wrap");
      const origin = layer.getBoundingClientRect().top + window.scrollY;
      const top = window.scrollY - MARGIN - origin, bottom = window.scrollY + window.innerHeight + MARGIN - origin;
      const cards = shown.map((p) => p.card);
      for (let i = firstBelow(cards, top); i < cards.length && cards[i].offsetTop <= bottom; i++) {
        // The square sits at the top of the card, inside its border. (The card's own
        // offsets: content-visibility makes it the offset parent of what it holds.)
        const card = cards[i];
        items.push({
          view: viewOf.get(card), x: card.offsetLeft + card.clientLeft, y: card.offsetTop + card.clientTop,
          size: card.firstElementChild.clientWidth,
        });
      }
      return { layer, items };
    }
    const layer = $("matrix");
    if (!matrixRows.length) return { layer, items };
    const origin = layer.getBoundingClientRect().top + window.scrollY;
    const top = window.scrollY - MARGIN - origin, bottom = window.scrollY + window.innerHeight + MARGIN - origin;
    for (let i = firstBelow(matrixRows, top); i < matrixRows.length && matrixRows[i].offsetTop <= bottom; i++) {
      for (const cell of matrixRows[i].querySelectorAll(".matrix-cell")) {
        items.push({
          view: viewOf.get(cell), x: cell.offsetLeft + cell.clientLeft, y: cell.offsetTop + cell.clientTop,
          size: cell.clientWidth,
        });
      }
    }
    return { layer, items };
  }

  function stripPool(layer) {
    if (!stripPools.has(layer)) {
      const holder = document.createElement("div");
      holder.className = "strips";
      layer.appendChild(holder);
      stripPools.set(layer, { holder, strips: [] });
    }
    return stripPools.get(layer);
  }

  function updateVisible() {
    visibilityDirty = false;
    const { layer, items } = visibleItems();
    const rows = new Map();
    for (const item of items) {
      const key = Math.round(item.y);
      if (!rows.has(key)) rows.set(key, []);
      rows.get(key).push(item);
    }
    const before = new Set(strips.flatMap((strip) => strip.items.map((item) => item.view)));
    for (const [, pool] of stripPools) {
      if (pool.holder.parentNode !== layer) for (const strip of pool.strips) hideStrip(strip);
    }
    const pool = stripPool(layer);
    strips = [];
    let n = 0;
    for (const row of rows.values()) {
      const left = Math.min(...row.map((item) => item.x));
      const right = Math.max(...row.map((item) => item.x + item.size));
      const height = Math.max(...row.map((item) => item.size));
      if (n === pool.strips.length) {
        const canvas = document.createElement("canvas");
        pool.holder.appendChild(canvas);
        pool.strips.push({ canvas, top: 0, left: 0, width: 0, height: 0, items: [], lastPip: NaN });
      }
      const strip = pool.strips[n++];
      const top = Math.round(row[0].y);
      if (strip.top !== top || strip.left !== left || strip.width !== right - left || strip.height !== height) {
        Object.assign(strip, { top, left, width: right - left, height });
        strip.canvas.style.cssText = `left:${left}px;top:${top}px;width:${right - left}px;height:${height}px`;
        strip.canvas.width = Math.round((right - left) * DPR);
        strip.canvas.height = Math.round(height * DPR);
      }
      strip.items = row.map((item) => ({ view: item.view, x: item.x - left, size: item.size }));
      strip.lastPip = NaN;
      strips.push(strip);
    }
    for (; n < pool.strips.length; n++) hideStrip(pool.strips[n]);
    const now = new Set(strips.flatMap((strip) => strip.items.map((item) => item.view)));
    for (const view of before) if (!now.has(view)) view.release();
  }

  function hideStrip(strip) {
    if (!strip.width) return;
    Object.assign(strip, { top: 0, left: 0, width: 0, height: 0, items: [], lastPip: NaN });
    strip.canvas.width = strip.canvas.height = 0;
    strip.canvas.style.cssText = "display:none";
  }

  function drawStrips(pip) {
    for (const strip of strips) {
      if (strip.lastPip === pip || !strip.width) continue;
      strip.lastPip = pip;
      const ctx = strip.canvas.getContext("2d");
      for (const item of strip.items) item.view.paint(ctx, item.x, pip, item.size);
    }
  }

  const markVisibility = () => { visibilityDirty = true; };
  window.addEventListener("scroll", markVisibility, { passive: true });
  window.addEventListener("resize", markVisibility);
  // Off-screen cards are laid out at a placeholder height until first shown (content-
  // visibility), so the offsets move when they are: the grid's size changes then.
  const resizes = new ResizeObserver(markVisibility);

  // ---------------------------------------------------------------- grid
  const escapeHtml = (text) => text.replace(/[&<>"]/g, (c) => ({ "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;" })[c]);
  const beats = (pips) => {
    const b = pips / PPB;
    return `${Number.isInteger(b) ? b : b.toFixed(b * 4 % 1 === 0 ? 2 : 3).replace(/0+$/, "")} beat${b === 1 ? "" : "s"}`;
  };
  const AXES = ["", "x", "x y", "x y z"];

  function buildGrid() {
    const html = [];
    for (const p of patterns) {
      html.push(
        `<article class="card" role="listitem" tabindex="-1" data-name="${p.name}" data-index="${p.index}">` +
        `<div class="viz"></div>` +
        `<div class="card-body"><h3 class="card-name" title="${p.name}"${p.index === 0 ? ' elementtiming="first-card"' : ""}>${p.name}</h3>` +
        `<p class="card-meta"><span class="chip c-${p.collection}">${COLLECTION_LABELS[p.collection]}</span>` +
        `<span class="period">${beats(p.period)}</span><span class="dims d${p.dimensions}">${AXES[p.dimensions]}</span></p>` +
        `<p class="card-desc">${escapeHtml(p.description)}</p></div></article>`);
    }
    const grid = $("grid");
    grid.innerHTML = html.join("");
    resizes.observe(grid);
    const cards = grid.children;
    for (let i = 0; i < cards.length; i++) {
      const p = patterns[i];
      p.card = cards[i];
      viewOf.set(cards[i], new View(p, "card"));
    }
    patterns[0].card.tabIndex = 0;
  }

  // ---------------------------------------------------------------- search and filters
  let shown = patterns.slice();

  function fillFilters() {
    const collection = $("filter-collection");
    for (const key of CAT.collections) {
      const count = patterns.filter((p) => p.collection === key).length;
      collection.add(new Option(`${COLLECTION_LABELS[key]}  (${count})`, key));
    }
    const family = $("filter-family");
    const groups = new Map();
    for (const p of patterns) {
      const label = p.family.startsWith("beat_") ? "grooves (beat_)" : COLLECTION_LABELS[p.collection];
      if (!groups.has(label)) groups.set(label, new Map());
      const families = groups.get(label);
      families.set(p.family, (families.get(p.family) || 0) + 1);
    }
    for (const [label, families] of groups) {
      const group = document.createElement("optgroup");
      group.label = label;
      for (const [key, count] of families) {
        group.appendChild(new Option(`${key === "core" ? "core patterns" : key}  (${count})`, key));
      }
      family.appendChild(group);
    }
    const period = $("filter-period");
    for (const pips of [...new Set(patterns.map((p) => p.period))].sort((a, b) => a - b)) {
      period.add(new Option(`${beats(pips)}  (${pips} pips)`, String(pips)));
    }
  }

  function applyFilters() {
    const words = $("search").value.toLowerCase().split(/\s+/).filter(Boolean);
    const collection = $("filter-collection").value;
    const family = $("filter-family").value;
    const dimensions = $("filter-dimensions").value;
    const period = $("filter-period").value;
    shown = [];
    for (const p of patterns) {
      const match = (!collection || p.collection === collection) &&
        (!family || p.family === family) &&
        (!dimensions || p.dimensions === Number(dimensions)) &&
        (!period || p.period === Number(period)) &&
        words.every((word) => p.haystack.includes(word));
      if (p.card.hidden === match) p.card.hidden = !match;
      if (match) shown.push(p);
    }
    const filtered = words.length || collection || family || dimensions || period;
    $("match-count").innerHTML = filtered
      ? `<strong>${shown.length.toLocaleString("en")}</strong> of ${patterns.length.toLocaleString("en")} patterns`
      : `<strong>${patterns.length.toLocaleString("en")}</strong> patterns`;
    $("clear-filters").hidden = !filtered;
    $("no-match").hidden = shown.length > 0;
    visibilityDirty = true;
    if (shown.length && !shown.includes(focusedPattern())) setRoving(shown[0]);
  }

  function clearFilters() {
    $("search").value = "";
    for (const id of ["filter-collection", "filter-family", "filter-dimensions", "filter-period"]) $(id).value = "";
    applyFilters();
  }

  // ---------------------------------------------------------------- keyboard navigation
  let roving = null;
  function focusedPattern() { return roving; }
  function setRoving(p, focus) {
    if (roving && roving.card) roving.card.tabIndex = -1;
    roving = p;
    p.card.tabIndex = 0;
    if (focus) {
      p.card.focus({ preventScroll: true });
      p.card.scrollIntoView({ block: "nearest" });
    }
  }

  function gridColumns() {
    return getComputedStyle($("grid")).gridTemplateColumns.split(" ").filter(Boolean).length || 1;
  }

  function onGridKey(event) {
    const card = event.target.closest(".card");
    if (!card || event.altKey || event.ctrlKey || event.metaKey) return;
    const at = shown.indexOf(patterns[Number(card.dataset.index)]);
    const columns = gridColumns();
    const moves = {
      ArrowRight: 1, ArrowLeft: -1, ArrowDown: columns, ArrowUp: -columns,
      Home: -at, End: shown.length - 1 - at, PageDown: columns * 3, PageUp: -columns * 3,
    };
    if (event.key === "Enter" || event.key === " ") {
      event.preventDefault();
      openByName(card.dataset.name);
    } else if (event.key in moves) {
      event.preventDefault();
      const target = Math.max(0, Math.min(shown.length - 1, at + moves[event.key]));
      setRoving(shown[target], true);
    }
  }

  // ---------------------------------------------------------------- detail view
  const detail = {
    pattern: null, xy: null, traces: null, xySize: 0, traceSize: [0, 0], lastPip: NaN,
  };

  function openByName(name) {
    if (location.hash.slice(1) === name) openDetail(byName.get(name));
    else location.hash = name;
  }

  function openDetail(p) {
    if (!p) return;
    detail.pattern = p;
    detail.xy = detail.traces = null;
    detail.lastPip = NaN;
    $("detail-name").textContent = p.name;
    $("detail-tags").innerHTML =
      `<span class="chip c-${p.collection}">${COLLECTION_LABELS[p.collection]}</span>` +
      `<span class="tag">family <b>${p.family === "core" ? "core" : p.family}</b></span>` +
      `<span class="tag">${beats(p.period)} · ${p.period} pips</span>` +
      `<span class="tag">${p.dimensions}D · ${AXES[p.dimensions]}</span>`;
    $("detail-description").textContent = p.description;
    updateSnippets();
    const dialog = $("detail");
    if (!dialog.open) dialog.showModal();
    if (p.card && !p.card.hidden) setRoving(p);
    document.title = `${p.name} · velmora gallery`;
  }

  function updateSnippets() {
    const p = detail.pattern;
    if (!p) return;
    const bpm = Number(transport.bpm.toFixed(1));
    const frames = Math.round(60 * 8);
    if (p.snippet) {
      $("snippet-sample").textContent =
        `import velmora_kit\n\nshape = ${p.snippet}\nx, y, z = velmora_kit.render(shape, pip)   # 64 pips per beat\n` +
        `pattern = shape.to_pattern("my_${p.family.split(".").pop()}")   # for a velmora.PatternLibrary`;
      $("snippet-render").textContent =
        `import velmora_kit\n\nshape = ${p.snippet}\npips = velmora_kit.frames(${bpm}, 60, 8.0)   # ${bpm} BPM, 60 fps, 8 s\n` +
        `xyz = velmora_kit.render(shape, pips)   # (${frames}, 3) float64`;
      return;
    }
    $("snippet-sample").textContent =
      `import velmora\n\npos = velmora.sample("${p.name}", pip)   # 64 pips per beat\npos.x, pos.y, pos.z`;
    $("snippet-render").textContent =
      `import velmora_kit\n\npips = velmora_kit.frames(${bpm}, 60, 8.0)   # ${bpm} BPM, 60 fps, 8 s\n` +
      `xyz = velmora_kit.render("${p.name}", pips)   # (${frames}, 3) float64`;
  }

  function closeDetail() {
    detail.pattern = null;
    visibilityDirty = true;
    document.title = "velmora gallery";
    if (location.hash) history.replaceState(null, "", location.pathname + location.search);
  }

  function stepDetail(delta) {
    if (!detail.pattern) return;
    const list = shown.length ? shown : patterns;
    let at = list.indexOf(detail.pattern);
    at = at < 0 ? 0 : (at + delta + list.length) % list.length;
    history.replaceState(null, "", "#" + list[at].name);
    openDetail(list[at]);
  }

  function onHash() {
    const name = decodeURIComponent(location.hash.slice(1));
    if (!name) {
      if ($("detail").open) $("detail").close();
      return;
    }
    const p = byName.get(name);
    if (p) openDetail(p);
    else toast(`No pattern is named “${name}”`);
  }

  function drawDetail(pip) {
    const p = detail.pattern;
    if (!p || !table) return;
    const xy = $("detail-xy"), traces = $("detail-traces");
    const size = Math.round(xy.clientWidth);
    const tw = Math.round(traces.clientWidth), th = Math.round(traces.clientHeight);
    if (size <= 0 || tw <= 0) return;
    if (!detail.xy || detail.xySize !== size) {
      xy.width = xy.height = Math.round(size * DPR);
      detail.xy = renderPathCache(p, size, "detail");
      detail.xySize = size;
      detail.lastPip = NaN;
    }
    if (!detail.traces || detail.traceSize[0] !== tw || detail.traceSize[1] !== th) {
      traces.width = Math.round(tw * DPR);
      traces.height = Math.round(th * DPR);
      detail.traces = renderTraces(p, tw, th);
      detail.traceSize = [tw, th];
      detail.lastPip = NaN;
    }
    if (pip === detail.lastPip) return;
    detail.lastPip = pip;
    let ctx = xy.getContext("2d", { alpha: false });
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.drawImage(detail.xy, 0, 0);
    ctx.setTransform(DPR, 0, 0, DPR, 0, 0);
    drawMotion(ctx, p, pip, size, "detail");

    const phase = wrap(pip, p.period);
    ctx = traces.getContext("2d", { alpha: false });
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.drawImage(detail.traces, 0, 0);
    ctx.setTransform(DPR, 0, 0, DPR, 0, 0);
    const px = traceX(phase, p.period, tw);
    ctx.strokeStyle = "rgba(255, 255, 255, 0.8)";
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(px + 0.5, 0); ctx.lineTo(px + 0.5, th);
    ctx.stroke();
    ["x", "y", "z"].forEach((axis, i) => {
      if (i >= p.dimensions) return;
      ctx.fillStyle = COLORS[axis];
      ctx.beginPath();
      ctx.arc(px, traceY(value(p, phase, i), th), 3, 0, 2 * Math.PI);
      ctx.fill();
    });
    const fmt = (v) => (v < 0 ? "−" : "+") + Math.abs(v).toFixed(3);
    $("detail-readout").innerHTML =
      `<span class="lx">x ${fmt(value(p, phase, 0))}</span><span class="ly">y ${fmt(value(p, phase, 1))}</span>` +
      `<span class="lz">z ${fmt(value(p, phase, 2))}</span>` +
      `<span class="muted">pip ${phase} / ${p.period} · beat ${(Math.floor(phase / PPB) + 1)} of ${beats(p.period)}</span>`;
  }

  const TRACE_PAD = 8;
  const traceX = (phase, period, width) => TRACE_PAD + ((width - 2 * TRACE_PAD) * phase) / period;
  const traceY = (v, height) => height / 2 - v * (height / 2 - TRACE_PAD);

  function renderTraces(p, width, height) {
    const cache = document.createElement("canvas");
    cache.width = Math.round(width * DPR);
    cache.height = Math.round(height * DPR);
    const ctx = cache.getContext("2d", { alpha: false });
    ctx.scale(DPR, DPR);
    ctx.fillStyle = BACKGROUNDS.detail[1];
    ctx.fillRect(0, 0, width, height);
    ctx.strokeStyle = COLORS.axis;
    ctx.lineWidth = 1;
    ctx.beginPath();
    ctx.moveTo(TRACE_PAD, height / 2); ctx.lineTo(width - TRACE_PAD, height / 2);
    ctx.stroke();
    // Beat lines, the bar lines stronger.
    for (let b = 0; b * PPB <= p.period; b++) {
      const x = Math.round(traceX(b * PPB, p.period, width)) + 0.5;
      ctx.strokeStyle = b % 4 === 0 ? "rgba(255,255,255,0.16)" : COLORS.grid;
      ctx.beginPath();
      ctx.moveTo(x, TRACE_PAD / 2); ctx.lineTo(x, height - TRACE_PAD / 2);
      ctx.stroke();
    }
    ["z", "y", "x"].forEach((axis) => {
      const i = "xyz".indexOf(axis);
      if (i >= p.dimensions) return;
      ctx.strokeStyle = COLORS[axis];
      ctx.lineWidth = 1.6;
      ctx.beginPath();
      for (let k = 0; k <= p.period; k++) {
        const x = traceX(k, p.period, width), y = traceY(value(p, k % p.period, i), height);
        if (k === 0) ctx.moveTo(x, y); else ctx.lineTo(x, y);
      }
      ctx.stroke();
    });
    return cache;
  }

  // ---------------------------------------------------------------- groove matrix
  let matrixBuilt = false;
  let matrixRows = [];

  function buildMatrix() {
    if (matrixBuilt) return;
    matrixBuilt = true;
    const html = [`<div class="matrix-row matrix-head" role="row"><div class="matrix-corner" role="columnheader">groove \\ motion</div>`];
    CAT.motions.forEach((motion) => html.push(`<div class="matrix-motion" role="columnheader">${motion}</div>`));
    html.push("</div>");
    CAT.grooves.forEach((groove, row) => {
      const [genre, variant] = groove.title.split(" / ");
      html.push(`<div class="matrix-row" role="row"><div class="matrix-groove" role="rowheader" title="${escapeHtml(groove.title)}">` +
        `<span class="genre">${escapeHtml(genre)}</span><span class="variant">${escapeHtml(variant || "")}</span></div>`);
      groove.patterns.forEach((index, column) => {
        const p = patterns[index];
        html.push(`<button type="button" class="matrix-cell" role="gridcell" tabindex="${row === 0 && column === 0 ? 0 : -1}" ` +
          `data-name="${p.name}" data-row="${row}" data-column="${column}" title="${p.name}"></button>`);
      });
      html.push("</div>");
    });
    const matrix = $("matrix");
    matrix.innerHTML = html.join("");
    for (const cell of matrix.querySelectorAll(".matrix-cell")) {
      viewOf.set(cell, new View(byName.get(cell.dataset.name), "cell"));
    }
    matrixRows = [...matrix.querySelectorAll(".matrix-row:not(.matrix-head)")];
    resizes.observe(matrix);
  }

  function onMatrixKey(event) {
    const cell = event.target.closest(".matrix-cell");
    if (!cell) return;
    const moves = { ArrowRight: [0, 1], ArrowLeft: [0, -1], ArrowDown: [1, 0], ArrowUp: [-1, 0] };
    if (!(event.key in moves)) return;
    event.preventDefault();
    const row = Math.max(0, Math.min(CAT.grooves.length - 1, Number(cell.dataset.row) + moves[event.key][0]));
    const column = Math.max(0, Math.min(CAT.motions.length - 1, Number(cell.dataset.column) + moves[event.key][1]));
    const next = $("matrix").querySelector(`[data-row="${row}"][data-column="${column}"]`);
    cell.tabIndex = -1;
    next.tabIndex = 0;
    next.focus();
  }

  function showView(name) {
    for (const tab of document.querySelectorAll(".view-tab")) {
      tab.setAttribute("aria-pressed", String(tab.dataset.view === name));
    }
    if (name === "grooves") buildMatrix();
    $("patterns-view").hidden = name !== "patterns";
    $("grooves-view").hidden = name !== "grooves";
    visibilityDirty = true;
  }

  // ---------------------------------------------------------------- transport controls
  const taps = [];

  function setBpm(bpm, fromField) {
    if (!(bpm >= 20 && bpm <= 300)) return false;
    transport.setBpm(bpm);
    if (!fromField) $("bpm").value = String(Number(bpm.toFixed(1)));
    updateSnippets();
    return true;
  }

  function tap() {
    const now = performance.now();
    if (taps.length && now - taps[taps.length - 1] > 2000) taps.length = 0;
    taps.push(now);
    if (taps.length > 8) taps.shift();
    $("tap").classList.remove("flash");
    void $("tap").offsetWidth;
    $("tap").classList.add("flash");
    if (taps.length < 2) return;
    const interval = (taps[taps.length - 1] - taps[0]) / (taps.length - 1);
    if (setBpm(Math.round(600000 / interval) / 10)) {
      // The tap falls on a beat: the nearest beat moves to it.
      transport.reanchor(now);
      transport.anchorPos = Math.round(transport.anchorPos / PPB) * PPB;
    }
  }

  function setPlaying(playing) {
    transport.setPlaying(playing);
    const button = $("play");
    button.classList.toggle("playing", playing);
    button.setAttribute("aria-label", playing ? "Pause" : "Play");
  }

  const lamps = document.querySelectorAll(".beat-lamps i");
  // Text is set only when it changes: a text change costs a layout (and, with the pointer
  // over the page, a hit test), which at every frame showed in the frame rate.
  const counter = { bar: $("counter-bar"), beat: $("counter-beat"), text: ["", ""], lamp: -1 };
  function updateCounter(position) {
    const pip = Math.floor(position);
    const text = [String(Math.floor(pip / (4 * PPB)) + 1), String((Math.floor(pip / PPB) % 4) + 1)];
    if (text[0] !== counter.text[0]) counter.bar.textContent = text[0];
    if (text[1] !== counter.text[1]) counter.beat.textContent = text[1];
    counter.text = text;
    const beat = Math.floor(pip / PPB) % 4;
    const lit = !transport.playing || pip % PPB < 24 ? beat : -1;
    if (lit !== counter.lamp) {
      lamps.forEach((lamp, i) => lamp.classList.toggle("on", i === lit));
      counter.lamp = lit;
    }
  }

  function setCardSize(size) {
    const grid = $("grid");
    grid.classList.remove("size-s", "size-m", "size-l");
    grid.classList.add(`size-${size}`);
    for (const button of document.querySelectorAll(".sizes button")) {
      button.setAttribute("aria-pressed", String(button.dataset.size === size));
    }
    visibilityDirty = true;
    try { localStorage.setItem("velmora-gallery-size", size); } catch (error) { /* storage may be off */ }
  }

  // ---------------------------------------------------------------- frame loop
  let lastCounterPip = NaN;
  function tick(now) {
    requestAnimationFrame(tick);
    frame.count++;
    const position = transport.position(now);
    const pip = Math.floor(position);
    frame.time = now;
    frame.position = position;
    frame.pip = pip;
    if (pip !== lastCounterPip) {
      updateCounter(position);
      lastCounterPip = pip;
    }
    if (!table) return;
    // The open detail view covers the page: only it moves then.
    if (detail.pattern) {
      drawDetail(pip);
    } else {
      if (visibilityDirty) updateVisible();
      drawStrips(pip);
    }
  }

  // ---------------------------------------------------------------- wiring
  function toast(message) {
    const element = $("toast");
    element.textContent = message;
    element.hidden = false;
    clearTimeout(toast.timer);
    toast.timer = setTimeout(() => { element.hidden = true; }, 2400);
  }

  async function copy(id) {
    const text = $(id).textContent;
    try {
      await navigator.clipboard.writeText(text);
    } catch (error) {
      // Pages opened from disk may not reach the clipboard API: select for a manual copy.
      const range = document.createRange();
      range.selectNodeContents($(id));
      const selection = getSelection();
      selection.removeAllRanges();
      selection.addRange(range);
      if (!document.execCommand("copy")) return toast("Selected: press Ctrl+C to copy");
    }
    toast("Copied to the clipboard");
  }

  function typing(target) {
    return target.closest("input, select, textarea, [contenteditable]");
  }

  function wire() {
    $("search").addEventListener("input", applyFilters);
    for (const id of ["filter-collection", "filter-family", "filter-dimensions", "filter-period"]) {
      $(id).addEventListener("change", applyFilters);
    }
    $("clear-filters").addEventListener("click", clearFilters);
    $("no-match-clear").addEventListener("click", clearFilters);
    const grid = $("grid");
    grid.addEventListener("click", (event) => {
      const card = event.target.closest(".card");
      if (card) openByName(card.dataset.name);
    });
    grid.addEventListener("keydown", onGridKey);
    grid.addEventListener("focusin", (event) => {
      const card = event.target.closest(".card");
      if (card) setRoving(patterns[Number(card.dataset.index)]);
    });
    const matrix = $("matrix");
    matrix.addEventListener("click", (event) => {
      const cell = event.target.closest(".matrix-cell");
      if (cell) openByName(cell.dataset.name);
    });
    matrix.addEventListener("keydown", onMatrixKey);
    for (const tab of document.querySelectorAll(".view-tab")) {
      tab.addEventListener("click", () => showView(tab.dataset.view));
    }
    const dialog = $("detail");
    dialog.addEventListener("close", closeDetail);
    dialog.addEventListener("click", (event) => { if (event.target === dialog) dialog.close(); });
    dialog.addEventListener("keydown", (event) => {
      if (typing(event.target)) return;
      if (event.key === "ArrowRight") { event.preventDefault(); stepDetail(1); }
      if (event.key === "ArrowLeft") { event.preventDefault(); stepDetail(-1); }
    });
    $("detail-close").addEventListener("click", () => dialog.close());
    $("detail-prev").addEventListener("click", () => stepDetail(-1));
    $("detail-next").addEventListener("click", () => stepDetail(1));
    for (const button of document.querySelectorAll(".copy")) {
      button.addEventListener("click", () => copy(button.dataset.copy));
    }
    window.addEventListener("hashchange", onHash);
    for (const button of document.querySelectorAll(".sizes button")) {
      button.addEventListener("click", () => setCardSize(button.dataset.size));
    }

    $("play").addEventListener("click", () => setPlaying(!transport.playing));
    $("tap").addEventListener("click", tap);
    const bpm = $("bpm");
    bpm.addEventListener("input", () => {
      const ok = setBpm(Number(bpm.value), true);
      bpm.classList.toggle("invalid", !ok && bpm.value !== "");
    });
    bpm.addEventListener("change", () => {
      if (!setBpm(Number(bpm.value), true)) bpm.value = String(Number(transport.bpm.toFixed(1)));
      bpm.classList.remove("invalid");
    });
    document.addEventListener("keydown", (event) => {
      if (event.altKey || event.ctrlKey || event.metaKey || typing(event.target)) return;
      if (event.key === "/") { event.preventDefault(); $("search").focus(); }
      else if (event.key === "t" || event.key === "T") tap();
      else if (event.key === " " && !event.target.closest("button, .card, .matrix-cell")) {
        event.preventDefault();
        setPlaying(!transport.playing);
      }
    });
  }

  // ---------------------------------------------------------------- start
  buildGrid();
  try {
    const size = localStorage.getItem("velmora-gallery-size");
    if (size === "s" || size === "l") setCardSize(size);
  } catch (error) { /* storage may be off */ }
  fillFilters();
  applyFilters();
  wire();
  setPlaying(!reducedMotion);
  if (reducedMotion) document.documentElement.classList.add("reduced-motion");
  requestAnimationFrame((now) => {
    performance.mark("velmora-grid");
    tick(now);
  });
  if (location.hash.length > 1) onHash();

  const ready = new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)))
    .then(loadTables)
    .then(() => {
      performance.mark("velmora-tables");
      document.documentElement.classList.add("tables-ready");
    });
  ready.catch((error) => { toast(`The pattern tables could not be loaded: ${error.message}`); });

  // A small read-only hook for tests and benchmarks.
  window.velmoraGallery = Object.freeze({
    ready,
    patternCount: patterns.length,
    sample(name, pip) {
      const p = byName.get(name);
      if (!p) throw new Error(`Unknown velmora: ${name}`);
      if (!table) throw new Error("the pattern tables are not loaded yet");
      const phase = wrap(pip, p.period);
      return [value(p, phase, 0), value(p, phase, 1), value(p, phase, 2)];
    },
    transport: Object.freeze({
      get bpm() { return transport.bpm; },
      get playing() { return transport.playing; },
      position(now) { return transport.position(now === undefined ? performance.now() : now); },
    }),
    frame() { return { time: frame.time, position: frame.position, pip: frame.pip, count: frame.count }; },
    animatedViews() { return strips.reduce((n, strip) => n + strip.items.length, 0); },
    animatedNames() { return strips.flatMap((strip) => strip.items.map((item) => item.view.pattern.name)); },
    openPattern() { return detail.pattern ? detail.pattern.name : null; },
  });
})();
