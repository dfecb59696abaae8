// The browser build in real browsers, each engine in turn (engines.js: Chromium,
// Firefox, WebKit; ND_WEB_ENGINES picks some): the menu and its marks, the world
// by day and by night, driving, wireframe, mouse look, the end by a click or by
// the menu's "Exit", the message for a missing world file, a sharp picture on a
// HiDPI screen, and the folder for a static host played from a plain server,
// then again with the server gone (the service worker's copy).
// Usage: node browser-test.js <build-web folder> [<dist folder>]
//   (NODE_PATH must reach puppeteer-core; the dist case needs python3)
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const engines = require('./engines');
const { startServer } = require('./server');

const build = path.resolve(process.argv[2] || 'build-web');
const dist = process.argv[3] ? path.resolve(process.argv[3]) : null;
const timeoutMs = Number(process.env.ND_WEB_TIMEOUT_MS || 240000);

// Menu positions in the menu window's pixels (controls are placed in twips, 15 a pixel).
const menu = {
  lbl800: [12, 40], lbl1024: [12, 56], lblLow: [12, 152], lblHigh: [12, 184],
  check1: [126, 72], lblFill: [12, 224], newGame: [408, 20], exit: [408, 52],
};
const red = [255, 0, 0];
const black = [0, 0, 0];
const daySky = [0x01, 0x5a, 0xdf];
const nightSky = [0x00, 0x00, 0x0a];

// A page whose main thread never returns to its event loop answers no driver call:
// such a wait fails the case by name instead of holding up the run.
class Unanswered extends Error {}
function answered(promise, end, what) {
  let timer;
  const late = new Promise((resolve, reject) => {
    timer = setTimeout(() => reject(new Unanswered(`the page stopped answering while waiting for ${what}`)),
      Math.max(0, end - Date.now()) + 60000);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// Waits, one animation frame of the page at a time, until `check` gives a truthy value.
async function until(page, what, check) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await answered(check(), end, what);
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await answered(page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0)))), end, what);
  }
}

// Where an element is on the page (CSS pixels) and, for a canvas, how many CSS
// pixels one of its own pixels takes (the menu is scaled up to fit the page).
async function box(page, selector) {
  return page.evaluate((selector) => {
    const el = document.querySelector(selector);
    if (!el) return null;
    const r = el.getBoundingClientRect();
    const scale = el instanceof HTMLCanvasElement && el.width > 0 ? r.width / el.width : 1;
    return { x: r.x, y: r.y, width: r.width, height: r.height, scale };
  }, selector);
}

// A screenshot of an element, analysed in the page: `kind` 'look' gives the
// colours at `points` (the element's own pixels), the share of pixels within 3 of
// `color`, a hash of the whole and a coarse grid of samples; 'edges' gives the
// share of blurred edge blocks (see blurredEdges).
async function analyse(page, selector, kind, points = [], color = null) {
  const b = await box(page, selector);
  if (!b || b.width < 2) return null;
  const clip = { x: b.x, y: b.y, width: b.width, height: b.height };
  const { png, crop } = await page.shot(clip);
  return page.evaluate(async (png, crop, kind, points, color, b) => {
    const img = new Image();
    img.src = 'data:image/png;base64,' + png;
    await img.decode();
    // A whole-page shot is cut to the element (its pixels per CSS pixel as the page's).
    const k = crop ? img.width / innerWidth : 1;
    const from = crop ? [Math.round(crop.x * k), Math.round(crop.y * k), Math.round(crop.width * k), Math.round(crop.height * k)]
      : [0, 0, img.width, img.height];
    const c = Object.assign(document.createElement('canvas'), { width: from[2], height: from[3] });
    const ctx = c.getContext('2d');
    ctx.drawImage(img, from[0], from[1], from[2], from[3], 0, 0, from[2], from[3]);
    const d = ctx.getImageData(0, 0, c.width, c.height).data;
    const px = (x, y) => (y * c.width + x) * 4;
    if (kind === 'edges') {
      // The share of 2 x 2 blocks of device pixels, among those at an edge of the
      // picture, that are not one colour.
      const differ = (a, q, limit) => Math.abs(d[a] - d[q]) + Math.abs(d[a + 1] - d[q + 1]) + Math.abs(d[a + 2] - d[q + 2]) > limit;
      let edges = 0, blurred = 0;
      for (let y = 0; y + 3 < c.height; y += 2) {
        for (let x = 0; x + 3 < c.width; x += 2) {
          const p = px(x, y);
          if (!differ(p, px(x + 2, y), 48) && !differ(p, px(x, y + 2), 48)) continue;
          edges++;
          if (differ(p, px(x + 1, y), 6) || differ(p, px(x, y + 1), 6) || differ(p, px(x + 1, y + 1), 6)) blurred++;
        }
      }
      return { width: c.width, height: c.height, edges, share: edges ? blurred / edges : 1 };
    }
    if (kind === 'whole') {
      // How much of the top row is `color` (within 8), of the bottom row exactly
      // `color`, and how many pixels of the two side columns are black.
      const near = (i, limit) => Math.abs(d[i] - color[0]) <= limit && Math.abs(d[i + 1] - color[1]) <= limit &&
        Math.abs(d[i + 2] - color[2]) <= limit;
      let top = 0, bottom = 0, blackSides = 0;
      for (let x = 0; x < c.width; x++) {
        if (near(px(x, 0), 8)) top++;
        if (near(px(x, c.height - 1), 0)) bottom++;
      }
      for (let y = 0; y < c.height; y++) {
        for (const x of [0, c.width - 1]) if (d[px(x, y)] + d[px(x, y) + 1] + d[px(x, y) + 2] === 0) blackSides++;
      }
      return { width: c.width, height: c.height, topSky: top / c.width, bottomSky: bottom / c.width, blackSides };
    }
    const at = ([x, y]) => { const i = px(x, y); return [d[i], d[i + 1], d[i + 2]]; };
    // Element pixels to screenshot pixels.
    const scale = c.width / b.width * b.scale;
    const atElement = ([x, y]) => at([Math.min(c.width - 1, Math.floor((x + 0.5) * scale)), Math.min(c.height - 1, Math.floor((y + 0.5) * scale))]);
    let near = 0, hash = 0;
    for (let i = 0; i < d.length; i += 4) {
      hash = (hash * 31 + d[i] * 7 + d[i + 1] * 3 + d[i + 2]) >>> 0;
      if (color && Math.abs(d[i] - color[0]) <= 3 && Math.abs(d[i + 1] - color[1]) <= 3 &&
          Math.abs(d[i + 2] - color[2]) <= 3) near++;
    }
    // A coarse grid of samples, to tell how much of the picture changed.
    const grid = [];
    for (let gy = 0; gy < 24; gy++)
      for (let gx = 0; gx < 32; gx++)
        grid.push(at([Math.floor((gx + 0.5) * c.width / 32), Math.floor((gy + 0.5) * c.height / 24)]));
    return { width: c.width, height: c.height, colors: points.map(atElement), share: near / (d.length / 4), hash, grid };
  }, png, crop, kind, points, color, b);
}

const look = (page, selector, points = [], color = null) => analyse(page, selector, 'look', points, color);

const same = (a, b) => a.every((v, i) => Math.abs(v - b[i]) <= 3);
// The share of grid samples that differ clearly between two looks.
const changed = (a, b) => a.grid.filter((p, i) => p.some((v, k) => Math.abs(v - b.grid[i][k]) > 24)).length / a.grid.length;

// Standing still (once the page has settled), most of the picture stays.
async function steady(page) {
  let last = await look(page, '.gl.shown');
  return until(page, 'a steady picture', async () => {
    const now = await look(page, '.gl.shown');
    const still = now.hash !== last.hash && changed(last, now) < 0.2;
    last = now;
    return still ? now : null;
  });
}

// Moving cars and the figure change a little of the picture on their own; turning
// or driving changes most of it.
// In wireframe the sky shows through most of the picture: `share` is less there.
async function turnsOrDrives(page, what, from, share = 0.3) {
  await until(page, what, async () => changed(from, await look(page, '.gl.shown')) > share);
}

// A click at (x, y) in the element's own pixels.
async function clickIn(page, selector, [x, y]) {
  const b = await box(page, selector);
  await page.click(b.x + (x + 0.5) * b.scale, b.y + (y + 0.5) * b.scale);
}

// Only the mouse-look case keeps the pointer lock: headless Chromium's locked
// pointer can feed itself mouse moves without end (its return to the centre is a
// move of its own), which can starve the game of frames for minutes on a loaded
// machine. Refused, the game goes on in the page, as wherever the lock is refused.
// Every case records the page's requests for the pointer lock and full screen (the
// event being handled when each was made) and unhandled rejections.
// `screen` ([width, height]) gives the page a screen of that size.
async function openMenu(page, origin, query = '', { lock = false, screen = null } = {}) {
  if (screen) {
    await page.evaluateOnNewDocument(([width, height]) => {
      window.ndOwnScreen = [screen.width, screen.height];
      for (const [name, value] of [['width', width], ['height', height], ['availWidth', width], ['availHeight', height]]) {
        Object.defineProperty(Screen.prototype, name, { get: () => value, configurable: true });
      }
    }, screen);
  }
  await page.evaluateOnNewDocument((lock) => {
    const asked = window.ndAsked = { lock: [], fullscreen: [], rejections: [] };
    const during = () => (window.event ? window.event.type : null);
    const requestLock = Element.prototype.requestPointerLock;
    Element.prototype.requestPointerLock = function (...args) {
      asked.lock.push(during());
      if (!lock) return Promise.reject(new DOMException('refused', 'NotAllowedError'));
      return requestLock.apply(this, args);
    };
    for (const name of ['requestFullscreen', 'webkitRequestFullscreen']) {
      const real = Element.prototype[name];
      if (!real) continue;
      Element.prototype[name] = function (...args) {
        asked.fullscreen.push((this === document.documentElement ? 'page' : this.id || this.tagName) + ' ' + during());
        return real.apply(this, args);
      };
    }
    // Seen after the page's own handlers have had the event (the program's end is
    // a rejection the page handles).
    window.addEventListener('unhandledrejection', (e) => {
      setTimeout(() => {
        if (!e.defaultPrevented) asked.rejections.push(String(e.reason && (e.reason.name + ': ' + e.reason.message)));
      }, 0);
    });
  }, lock);
  await page.goto(`${origin}/nightdrive.html${query}`);
  await until(page, 'the menu', async () => {
    const m = await look(page, '#canvas.menu.shown', [menu.lbl1024, menu.lblLow, menu.lblFill]);
    return m && (same(m.colors[0], red) || same(m.colors[2], red)) && same(m.colors[1], red);
  });
  return page;
}

// Starts the game from the menu and waits for the world's sky colour at the top.
async function startGame(page, sky) {
  await clickIn(page, '#canvas', menu.newGame);
  return until(page, 'the world', async () => {
    const v = await look(page, '.gl.shown', [], sky);
    return v && v.share > 0.05 ? v : null;
  });
}

// The page alone asks for full screen, once, on the page, within the click on
// "New Game"; the pointer lock is asked for within that click too (WebKit grants
// neither later); and nothing is left rejected unhandled.
async function oneOwnerWithinTheClick(page) {
  const asked = await page.evaluate(() => {
    // A rejection is reported a task after it happened.
    return new Promise((r) => setTimeout(r, 50)).then(() => window.ndAsked);
  });
  const gesture = /^(mouseup|pointerup|click|mousedown|pointerdown)$/;
  const problems = [];
  if (asked.fullscreen.length !== 1 || !/^page (mouseup|pointerup|click|mousedown|pointerdown)$/.test(asked.fullscreen[0]))
    problems.push('full screen asked for: ' + JSON.stringify(asked.fullscreen));
  if (asked.lock.length !== 1 || !gesture.test(asked.lock[0]))
    problems.push('pointer lock asked for: ' + JSON.stringify(asked.lock));
  if (asked.rejections.length) problems.push('unhandled rejections: ' + asked.rejections.join('; '));
  if (problems.length) throw new Error(problems.join('; '));
}

// Two device pixels a CSS pixel: the game's canvas gets a backing store of its
// page size in device pixels, and the 1024 x 768 picture fills it at twice its
// size, each pixel a sharp 2 x 2 block. An engine that cannot set the ratio says so
// and checks the backing store at one device pixel a CSS pixel.
async function hiDpiPictureIsSharp(page, origin, engine) {
  const ratio = engine.lacks.has('device pixel ratio') ? 1 : 2;
  if (ratio === 1) console.log(`  ${engine.name}: cannot set a device pixel ratio; checks the backing store at 1:1`);
  await page.setViewport(1024, 768, ratio);
  await openMenu(page, origin);
  // Whole-page screenshots are large here: the page's own note of the first world
  // frame is the cheaper wait.
  await clickIn(page, '#canvas', menu.newGame);
  await until(page, 'the world', () => page.evaluate(() => window.nd.times.firstWorld !== null));
  const size = await until(page, 'the canvas backing store', () => page.evaluate((ratio) => {
    const c = document.getElementById('canvas');
    const b = c.getBoundingClientRect();
    return c.width === Math.round(b.width * ratio) && c.height === Math.round(b.height * ratio) &&
      { width: c.width, height: c.height, css: [b.width, b.height] };
  }, ratio));
  if (size.width !== 1024 * ratio || size.height !== 768 * ratio) throw new Error('backing store ' + JSON.stringify(size));
  if (ratio === 1) return;
  const sharp = await analyse(page, '.gl.shown', 'edges');
  if (sharp.width !== 2048 || sharp.edges < 500) throw new Error('too little picture to judge: ' + JSON.stringify(sharp));
  if (sharp.share > 0.02) throw new Error(`blurred: ${(sharp.share * 100).toFixed(1)} % of the edge blocks`);
}

// "Fill Screen": the game's canvas covers the whole page, its backing store is the
// page's size in device pixels, the game draws its picture at that size (as the
// recording's menu line says) and the picture is whole: sky along the top row,
// the world along the bottom, no black bars at the sides. A 16:9 page chooses it in
// the menu; a phone held upright from the page's address (?fill).
function fillsThePage(width, height, ratio, fromAddress) {
  return async (page, origin, engine) => {
    if (engine.lacks.has('device pixel ratio')) {
      console.log(`  ${engine.name}: cannot set a device pixel ratio; checks the page at 1:1`);
      ratio = 1;
    }
    await page.setViewport(width, height, ratio);
    await openMenu(page, origin, fromAddress ? '?fill&record' : '?record');
    if (!fromAddress) {
      await clickIn(page, '#canvas', menu.lblFill);
      await until(page, 'the Fill Screen mark', async () => {
        const m = await look(page, '#canvas', [menu.lblFill, menu.lbl1024]);
        return same(m.colors[0], red) && same(m.colors[1], black);
      });
    }
    await clickIn(page, '#canvas', menu.newGame);
    await until(page, 'the world', () => page.evaluate(() => window.nd.times.firstWorld !== null));
    const size = await until(page, 'the canvas over the page', () => page.evaluate((ratio) => {
      const c = document.getElementById('canvas');
      const b = c.getBoundingClientRect();
      const covers = b.x === 0 && b.y === 0 && b.width === innerWidth && b.height === innerHeight;
      return covers && c.width === Math.round(innerWidth * ratio) && c.height === Math.round(innerHeight * ratio) &&
        { width: c.width, height: c.height };
    }, ratio));
    const whole = await until(page, 'a whole picture', async () => {
      const v = await analyse(page, '.gl.shown', 'whole', [], daySky);
      return v && v.topSky === 1 && v.bottomSky === 0 && v.blackSides === 0 ? v : null;
    }).catch(async (e) => {
      throw new Error(e.message + ': ' + JSON.stringify(await analyse(page, '.gl.shown', 'whole', [], daySky)));
    });
    if (whole.width !== size.width || whole.height !== size.height) throw new Error('picture ' + JSON.stringify(whole));
    await clickIn(page, '.gl.shown', [100, 100]);
    const made = await until(page, 'the recording', () => page.evaluate(() => window.nd.ended && window.nd.recording));
    const line = /^menu (\d+)x(\d+) .* fill$/m.exec(made.text);
    if (!line || Number(line[1]) !== size.width || Number(line[2]) !== size.height) {
      throw new Error(`drawn at ${line ? line[1] + 'x' + line[2] : '?'}, not the page's ${size.width}x${size.height} ` +
        `(${(/^menu .*$/m.exec(made.text) || [''])[0]})`);
    }
  };
}

// The native runner of this tree (as parity.js): ND_NATIVE_HEADLESS or the test build's.
const native = path.resolve(process.env.ND_NATIVE_HEADLESS || 'build-test/nightdrive-headless');

// Runs `args` and resolves to { status, stdout, stderr }.
function runProgram(file, args) {
  return new Promise((resolve, reject) => {
    const child = spawn(file, args, { stdio: ['ignore', 'pipe', 'pipe'] });
    let stdout = '', stderr = '';
    child.stdout.on('data', (d) => { stdout += d; });
    child.stderr.on('data', (d) => { stderr += d; });
    child.on('error', reject);
    child.on('exit', (status) => resolve({ status, stdout, stderr }));
  });
}

// A drive recorded in the page (?record): keys held and released, wireframe and
// the camera keys, a click to end. The ended screen offers the recording as a
// download; the downloaded file replays in the native runner with every check
// agreeing and the game's own end state, and in the runner page too.
async function recordedDriveReplays(page, origin, engine) {
  if (!fs.existsSync(native)) throw new Error('no native runner at ' + native + ' (ND_NATIVE_HEADLESS)');
  await openMenu(page, origin, '?record');
  await startGame(page, daySky);
  const world = await steady(page);
  await page.keyDown('ArrowUp');
  await turnsOrDrives(page, 'the picture to change while driving', world);
  await page.keyDown('ArrowLeft');
  await until(page, 'a few frames turning', async () => changed(world, await look(page, '.gl.shown')) > 0.3);
  await page.keyUp('ArrowLeft');
  await page.keyUp('ArrowUp');
  await page.keyPress('KeyQ');
  await page.keyPress('KeyC');
  await clickIn(page, '.gl.shown', [200, 150]);
  await until(page, 'the download link', () => page.evaluate(() => window.nd.ended &&
    !document.getElementById('recording').hidden && window.nd.recording));
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'nd-recorded-'));
  try {
    let text;
    if (engine.lacks.has('downloads')) {
      console.log(`  ${engine.name}: its driver takes no downloads; the link's own file is read in the page`);
      text = await page.evaluate(() => fetch(document.getElementById('recording-link').href).then((r) => r.text()));
    } else {
      const b = await box(page, '#recording-link');
      const file = await page.download(dir, () => page.click(b.x + b.width / 2, b.y + b.height / 2), timeoutMs);
      if (!/^drive-\d{8}-\d{6}\.ndrec$/.test(path.basename(file))) throw new Error('downloaded as ' + file);
      text = fs.readFileSync(file, 'utf8');
    }
    const made = await page.evaluate(() => window.nd.recording);
    if (text !== made.text) throw new Error('the downloaded file is not the recording');
    const end = /^(\d+) end (\S+) (\S+) (\S+)/m.exec(text);
    if (!end || !/keydown Q /.test(text) || !/ click 1 /.test(text)) throw new Error('recording: ' + text.slice(0, 400));
    // Each key pressed once reached the game once (Up and Left are held: a key held
    // may repeat, as on a desktop; these are pressed and let go in a moment).
    for (const key of ['Q', 'C']) {
      const times = text.split('\n').filter((l) => new RegExp(` keydown ${key} `).test(l)).length;
      if (times !== 1) throw new Error(`one press of ${key} reached the game ${times} times`);
    }
    const file = path.join(dir, 'drive.ndrec');
    fs.writeFileSync(file, text);
    const replay = await runProgram(native, ['--replay', file, '--trace', path.join(dir, 'trace.jsonl')]);
    const agreed = new RegExp(`^replay: ${end[1]} frames, (\\d+) checks and the end state agree`, 'm').exec(replay.stdout);
    if (replay.status !== 0 || !agreed || Number(agreed[1]) < 1) {
      throw new Error(`native replay: status ${replay.status}: ${replay.stdout} ${replay.stderr}`);
    }
    // The trace's last frame is the game's end state, as the page's game left it.
    const last = JSON.parse(fs.readFileSync(path.join(dir, 'trace.jsonl'), 'utf8').trim().split('\n').pop());
    if (!last.End || Math.abs(last.PosX - Number(end[2])) > 1e-6 || Math.abs(last.PosZ - Number(end[4])) > 1e-6) {
      throw new Error(`the replay ends at ${last.PosX}, ${last.PosZ}; the drive at ${end[2]}, ${end[4]}`);
    }
    // The runner page plays it as well.
    const runner = await engine.newPage();
    try {
      await runner.goto(`${origin}/nightdrive-headless.html?args=${encodeURIComponent('--replay /in/script.txt')}` +
        `&input=${encodeURIComponent(text)}`);
      const nd = await until(runner, 'the runner page', () => runner.evaluate(() => window.nd && window.nd.ended && window.nd));
      if (nd.status !== 0 || !nd.log.some((l) => l.startsWith(`replay: ${end[1]} frames`))) {
        throw new Error(`runner page: status ${nd.status}: ${nd.log.slice(-4).join(' | ')}`);
      }
    } finally {
      await runner.close().catch(() => {});
    }
    console.log(`  ${engine.name}: ${end[1]} frames recorded and replayed, ${agreed[1]} checks agreed`);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// The menu's "Exit" ends the program as a click in the game does: the ended
// screen, status 0, and nothing of the program asks for time afterwards.
async function exitEndsTheProgram(page, origin) {
  await openMenu(page, origin);
  await page.evaluate(() => {
    window.lateCalls = 0;
    for (const name of ['setTimeout', 'setInterval', 'requestAnimationFrame']) {
      const real = window[name];
      window[name] = function (...args) {
        if (window.nd.ended && /nightdrive\.(js|wasm)/.test(new Error().stack)) window.lateCalls++;
        return real.apply(this, args);
      };
    }
  });
  await clickIn(page, '#canvas', menu.exit);
  await until(page, 'the ended screen', () => page.evaluate(() =>
    window.nd.ended && getComputedStyle(document.getElementById('ended')).display !== 'none'));
  const status = await page.evaluate(() => window.nd.status);
  if (status !== 0) throw new Error('ended with status ' + status);
  if (await page.evaluate(() => !!document.querySelector('canvas.shown'))) throw new Error('a canvas is still shown');
  // Thirty animation frames of the page later, the program has asked for none.
  await page.evaluate(() => { window.pageFrames = 0; const tick = () => { window.pageFrames++; requestAnimationFrame(tick); }; tick(); });
  await until(page, 'thirty page frames', () => page.evaluate(() => window.pageFrames >= 30));
  const late = await page.evaluate(() => [window.lateCalls, window.nd.frames]);
  if (late[0] !== 0 || late[1] !== 0) throw new Error(`still running: ${late[0]} timer or frame requests, ${late[1]} frames`);
}

// A plain static server (python3 -m http.server) on a free port for `folder`;
// resolves to { server, origin } once it answers.
function staticServer(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '0'],
      { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] });
    server.on('error', reject);
    server.stdout.on('data', (chunk) => {
      const m = /port (\d+)/.exec(chunk.toString());
      if (m) resolve({ server, origin: `http://127.0.0.1:${m[1]}` });
    });
  });
}

// The folder for a static host, played from a plain server: the menu and the
// world; once the service worker holds the program and its data, the server goes
// (and the browser goes offline, where the driver can), and a reload still plays.
async function staticFolderPlaysOffline(page, origin, engine) {
  if (!dist) throw new Error('no dist folder given');
  const { server, origin: plain } = await staticServer(dist);
  let stopped = false;
  try {
    await openMenu(page, plain);
    // The manifest's icons are in the folder, each of the size it claims, and
    // among them the PNGs installers ask for.
    const icons = await page.evaluate(async () => {
      const manifest = await (await fetch(document.querySelector('link[rel=manifest]').href)).json();
      return Promise.all(manifest.icons.map(async (icon) => {
        const img = new Image();
        img.src = icon.src;
        const shown = await img.decode().then(() => `${img.naturalWidth}x${img.naturalHeight}`, () => 'broken');
        return { src: icon.src, type: icon.type, sizes: icon.sizes, shown };
      }));
    });
    for (const icon of icons) {
      if (icon.shown === 'broken' || (icon.sizes !== 'any' && icon.sizes !== icon.shown)) throw new Error('icon ' + JSON.stringify(icon));
    }
    for (const size of ['192x192', '512x512']) {
      if (!icons.some((i) => i.type === 'image/png' && i.sizes === size)) throw new Error(`no ${size} PNG icon: ` + JSON.stringify(icons));
    }
    if (!(await page.evaluate(() => 'serviceWorker' in navigator))) {
      console.log(`  ${engine.name}: no service workers here; the folder plays online only`);
      await startGame(page, daySky);
      return;
    }
    const offline = await until(page, 'the service worker and its cache', () =>
      page.evaluate(() => (window.nd.offlineReady || window.nd.offlineError ? window.nd : null)));
    if (!offline.offlineReady) throw new Error('no offline copy: ' + offline.offlineError);
    await startGame(page, daySky);
    server.kill();
    stopped = true;
    if (engine.lacks.has('offline mode')) console.log(`  ${engine.name}: no offline mode in its driver; the server is stopped instead`);
    else await page.setOffline(true);
    await openMenu(page, plain);
    await startGame(page, daySky);
    if (!engine.lacks.has('offline mode')) await page.setOffline(false);
  } finally {
    if (!stopped) server.kill();
  }
}

// A game controller in the standard layout, as the browser's Gamepad API gives
// one (navigator.getGamepads), put in before the page's scripts; window.ndTestPad
// connects it, sets its buttons (their standard numbers) and axes (-1..1) and
// takes it away, with the browser's events for its coming and going. A second pad
// of no standard layout comes and goes beside it.
function injectPad() {
  const button = () => ({ pressed: false, touched: false, value: 0 });
  const pad = { id: 'Test pad (STANDARD GAMEPAD)', index: 0, connected: false, mapping: 'standard', timestamp: 0,
    axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 }, button), vibrationActuator: null };
  const odd = { id: 'Odd pad', index: 1, connected: false, mapping: '', timestamp: 0, axes: [0, 0],
    buttons: Array.from({ length: 12 }, button), vibrationActuator: null };
  const pads = [null, null];
  Object.defineProperty(Navigator.prototype, 'getGamepads', { configurable: true, writable: true,
    value: function getGamepads() { return pads.slice(); } });
  const announce = (type, which) => {
    const e = new Event(type);
    Object.defineProperty(e, 'gamepad', { value: which });
    window.dispatchEvent(e);
  };
  const touch = () => { pad.timestamp = performance.now(); };
  window.ndTestPad = {
    connect() {
      for (const p of [pad, odd]) { p.connected = true; pads[p.index] = p; announce('gamepadconnected', p); }
      // Every button of the other pad held: were it read in the standard layout,
      // its start would end the game.
      for (const b of odd.buttons) Object.assign(b, { pressed: true, touched: true, value: 1 });
      odd.timestamp = performance.now();
    },
    button(i, down) { Object.assign(pad.buttons[i], { pressed: down, touched: down, value: down ? 1 : 0 }); touch(); },
    axis(i, value) { pad.axes[i] = value; touch(); },
    disconnect() {
      for (const p of [pad, odd]) { p.connected = false; pads[p.index] = null; announce('gamepaddisconnected', p); }
      for (const b of odd.buttons) Object.assign(b, button());
    },
  };
}

// The standard layout's buttons and axes.
const padButton = { a: 0, b: 1, x: 2, y: 3, leftShoulder: 4, rightShoulder: 5, back: 8, start: 9, dpUp: 12, dpDown: 13 };
const padAxis = { leftY: 1 };

// A pad through the browser's Gamepad API does what it does on the desktop: the
// d-pad and the left stick drive, the right shoulder (Page Down) tilts the view,
// back (Q) switches to wireframe, the left shoulder (Page Up) tilts back and does
// not end the game; a pad that goes lets go of what it held; start ends the game
// as a click does.
async function padPlays(page, origin) {
  await page.evaluateOnNewDocument(injectPad);
  await openMenu(page, origin);
  await startGame(page, daySky);
  const pad = (fn, ...args) => page.evaluate((fn, args) => window.ndTestPad[fn](...args), fn, args);
  await pad('connect');
  const world = await steady(page);
  await pad('button', padButton.dpUp, true);
  await turnsOrDrives(page, 'the picture to change while the d-pad drives', world);
  await pad('button', padButton.dpUp, false);
  const stopped = await steady(page);
  await pad('axis', padAxis.leftY, -1);
  await turnsOrDrives(page, 'the picture to change while the left stick drives', stopped);
  await pad('axis', padAxis.leftY, 0);
  const level = await steady(page);
  // Tilted and tilted back for as many frames, give or take the frame a press
  // lands in: the view ends about level, where wireframe shows plainly below.
  const drawn = () => page.evaluate(() => window.nd.frames);
  let began = await drawn();
  await pad('button', padButton.rightShoulder, true);
  await turnsOrDrives(page, 'the view to tilt', level);
  await pad('button', padButton.rightShoulder, false);
  const tiltFrames = (await drawn()) - began;
  const tilted = await steady(page);
  began = await drawn();
  await pad('button', padButton.leftShoulder, true);
  await until(page, `${tiltFrames} frames tilting back`, async () => (await drawn()) >= began + tiltFrames);
  await pad('button', padButton.leftShoulder, false);
  await turnsOrDrives(page, 'the view to tilt back', tilted);
  if (await page.evaluate(() => window.nd.ended)) throw new Error('the left shoulder ended the game');
  const solid = await look(page, '.gl.shown', [], daySky);
  // A press is read once a frame: it lasts a few.
  await pad('button', padButton.back, true);
  await frames(page, 3);
  await pad('button', padButton.back, false);
  await until(page, 'wireframe', async () => (await look(page, '.gl.shown', [], daySky)).share > solid.share + 0.1);
  // Gone while driving: the drive stops (the picture settles).
  await pad('button', padButton.dpDown, true);
  await turnsOrDrives(page, 'the picture to change while reversing', await look(page, '.gl.shown'), 0.15);
  await pad('disconnect');
  await steady(page);
  await pad('connect');
  // The program meets the pad at its next frames; a button already down then is
  // taken for its rest (a pad held as it connects is not read as a press).
  await frames(page, 3);
  await pad('button', padButton.dpDown, false);
  if (await page.evaluate(() => window.nd.ended)) throw new Error('ended before start');
  await pad('button', padButton.start, true);
  await until(page, 'the ended screen', () => page.evaluate(() => window.nd.ended));
  if (await page.evaluate(() => window.nd.status) !== 0) throw new Error('ended with a non-zero status');
}

// --- Touch ------------------------------------------------------------------
// Phones and a tablet, emulated with their touch screens (Chromium).
const devices = {
  'phone upright': { width: 393, height: 851, scale: 2.75 },
  'phone on its side': { width: 851, height: 393, scale: 2.75, landscape: true },
  // At one device pixel a CSS pixel (the screenshots the checks take stay small).
  // Upright, its screen is taller than wide: the game's window, centred on it, once
  // put the point the pointer is re-centred to where it is re-centred again.
  tablet: { width: 1024, height: 768, scale: 1, landscape: true },
  'tablet upright': { width: 768, height: 1024, scale: 1 },
};
const shotsFolder = process.env.ND_WEB_SHOTS || path.join(build, 'test-shots');

async function saveShot(page, name) {
  const size = await page.evaluate(() => [innerWidth, innerHeight]);
  const { png } = await page.shot({ x: 0, y: 0, width: size[0], height: size[1] });
  fs.mkdirSync(shotsFolder, { recursive: true });
  fs.writeFileSync(path.join(shotsFolder, name.replace(/[^a-z0-9]+/gi, '-') + '.png'), Buffer.from(png, 'base64'));
}

async function tap(page, x, y) {
  await page.touch('touchStart', [{ x, y, id: 1 }]);
  await page.touch('touchEnd');
}

// Where a page element is (CSS pixels), or null when it is not shown.
async function rectOf(page, selector) {
  return page.evaluate((selector) => {
    const el = document.querySelector(selector);
    const r = el && el.getBoundingClientRect();
    return r && r.width > 0 ? { left: r.left, top: r.top, right: r.right, bottom: r.bottom } : null;
  }, selector);
}
const centre = (r) => [(r.left + r.right) / 2, (r.top + r.bottom) / 2];

// The page's frames: waits until `count` more have been drawn.
async function frames(page, count) {
  const from = await page.evaluate(() => window.nd.frames);
  await until(page, `${count} frames`, () => page.evaluate((n) => window.nd.frames >= n, from + count));
}

// The menu is whole on the page and sharp (each of its pixels a whole number of
// device pixels); a tap on "New Game" reaches the world; the controls show, all
// on the page and none over the middle of the picture; stray touches and swipes
// over the picture do not end the game; the end control does. `full` also drives
// with the stick (the keys it gives are those of the arrow keys), looks by a drag
// (the game's pointer moves as far as the finger) and does both at once.
async function touchPlays(page, origin, engine, device, full, traced) {
  if (engine.lacks.has('touch')) {
    console.log(`  ${engine.name}: no touch screen to emulate; not checked`);
    return;
  }
  await page.emulateDevice(devices[device]);
  await page.evaluateOnNewDocument(() => {
    window.ndKeys = [];
    for (const type of ['keydown', 'keyup']) {
      window.addEventListener(type, (e) => window.ndKeys.push([e.type, e.code, e.keyCode]), true);
    }
  });
  await openMenu(page, origin, traced ? '?record' : '');
  const fit = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    const r = c.getBoundingClientRect();
    return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, block: r.width / c.width * devicePixelRatio,
      css: r.width / c.width, rendering: getComputedStyle(c).imageRendering,
      width: innerWidth, height: innerHeight, pageWidth: document.documentElement.scrollWidth };
  });
  if (fit.left < 0 || fit.top < 0 || fit.right > fit.width + 0.01 || fit.bottom > fit.height + 0.01 || fit.pageWidth > fit.width) {
    throw new Error('the menu is not whole on the page: ' + JSON.stringify(fit));
  }
  // Sharp: each menu pixel the nearest sample, none lost (at least one device
  // pixel each), and whole blocks of device pixels where the menu is shown smaller.
  if (fit.rendering !== 'pixelated' || fit.block < 0.99 || (fit.css < 1 && Math.abs(fit.block - Math.round(fit.block)) > 0.01)) {
    throw new Error(`menu pixels of ${fit.block} device pixels, ${fit.rendering}`);
  }
  await saveShot(page, `touch ${device} menu`);
  const b = await box(page, '#canvas');
  await tap(page, b.x + (menu.newGame[0] + 0.5) * b.scale, b.y + (menu.newGame[1] + 0.5) * b.scale);
  await until(page, 'the world', async () => {
    const v = await look(page, '.gl.shown', [], daySky);
    return v && v.share > 0.05 ? v : null;
  });
  if (!(await page.evaluate(() => window.nd.touchControls))) throw new Error('no touch controls on a touch screen');
  const picture = await rectOf(page, '.gl.shown');
  const [cx, cy] = centre(picture);
  const middle = { left: cx - (picture.right - picture.left) / 4, right: cx + (picture.right - picture.left) / 4,
    top: cy - (picture.bottom - picture.top) / 4, bottom: cy + (picture.bottom - picture.top) / 4 };
  for (const selector of ['#stick', '#touch-buttons', '#touch-end']) {
    const r = await rectOf(page, selector);
    if (!r) throw new Error(selector + ' is not shown');
    if (r.left < 0 || r.top < 0 || r.right > fit.width || r.bottom > fit.height) throw new Error(selector + ' is off the page');
    if (r.left < middle.right && r.right > middle.left && r.top < middle.bottom && r.bottom > middle.top) {
      throw new Error(selector + ' covers the middle of the picture');
    }
  }
  await saveShot(page, `touch ${device} world`);
  if (traced) {
    // The stick held forward for some frames, then let go for a few, before any
    // other touch (compared with the Up key once the game has ended).
    const stick = centre(await rectOf(page, '#stick'));
    await page.touch('touchStart', [{ x: stick[0], y: stick[1], id: 1 }]);
    await page.touch('touchMove', [{ x: stick[0], y: stick[1] - 60, id: 1 }]);
    await frames(page, 40);
    await page.touch('touchEnd');
    await frames(page, 5);
  }

  // Stray touches: taps and swipes over the picture, two fingers at once.
  await tap(page, cx, cy);
  await page.touch('touchStart', [{ x: cx + 40, y: cy, id: 1 }]);
  await page.touch('touchMove', [{ x: cx - 60, y: cy + 10, id: 1 }]);
  await page.touch('touchEnd');
  await page.touch('touchStart', [{ x: cx - 20, y: cy - 20, id: 1 }]);
  await page.touch('touchStart', [{ x: cx - 20, y: cy - 20, id: 1 }, { x: cx + 20, y: cy + 20, id: 2 }]);
  await page.touch('touchEnd');
  await frames(page, 10);
  if (await page.evaluate(() => window.nd.ended)) throw new Error('a stray touch ended the game');

  if (full) {
    // The stick held forward gives what the Up key gives: its key down, then its
    // key up, and nothing else.
    const stick = centre(await rectOf(page, '#stick'));
    const still = await steady(page);
    await page.evaluate(() => { window.ndKeys = []; });
    await page.touch('touchStart', [{ x: stick[0], y: stick[1], id: 1 }]);
    await page.touch('touchMove', [{ x: stick[0], y: stick[1] - 60, id: 1 }]);
    await turnsOrDrives(page, 'the stick to drive', still);
    await page.touch('touchEnd');
    const stickKeys = await page.evaluate(() => window.ndKeys);
    await page.evaluate(() => { window.ndKeys = []; });
    await page.keyDown('ArrowUp');
    await page.keyUp('ArrowUp');
    const upKeys = await page.evaluate(() => window.ndKeys);
    if (JSON.stringify(stickKeys) !== JSON.stringify(upKeys)) {
      throw new Error(`the stick gave ${JSON.stringify(stickKeys)}, the Up key ${JSON.stringify(upKeys)}`);
    }
    // The keyboard hid the controls; a touch brings them back.
    if (await page.evaluate(() => window.nd.touchControls)) throw new Error('the controls stay after a key');
    // A drag in the right half moves the game's pointer as far as the finger
    // moves, while the stick drives.
    await page.evaluate(() => {
      window.ndKeys = [];
      window.ndMoved = [0, 0];
      const move = Module._nd_pointer_moved;
      Module._nd_pointer_moved = (dx, dy) => { window.ndMoved[0] += dx; window.ndMoved[1] += dy; return move(dx, dy); };
    });
    const from = await steady(page);
    const lx = fit.width * 0.75, ly = fit.height * 0.3;
    await page.touch('touchStart', [{ x: stick[0], y: stick[1], id: 1 }]);
    await page.touch('touchStart', [{ x: stick[0], y: stick[1] - 60, id: 1 }, { x: lx, y: ly, id: 2 }]);
    for (let step = 1; step <= 10; step++) {
      await page.touch('touchMove', [{ x: stick[0], y: stick[1] - 60, id: 1 }, { x: lx - 7 * step, y: ly + 2 * step, id: 2 }]);
    }
    await turnsOrDrives(page, 'the view to turn', from);
    await page.touch('touchEnd');
    const moved = await page.evaluate(() => window.ndMoved);
    // (Touch points land on whole device pixels: a pixel either way.)
    if (Math.abs(moved[0] + 70) > 1 || Math.abs(moved[1] - 20) > 1) {
      throw new Error('the pointer moved ' + JSON.stringify(moved) + ', not [-70,20]');
    }
    const keys = await page.evaluate(() => window.ndKeys.map((k) => k.join(' ')).join(', '));
    if (keys !== 'keydown ArrowUp 38, keyup ArrowUp 38') throw new Error('keys while driving and looking: ' + keys);
    // Dragged on to the right, the pointer passes the game's re-centring limit however
    // narrow the screen, and the game puts it back at its centre.
    const placed = await page.evaluate(() => window.nd.pointerPlaced);
    for (let drag = 0; drag < 7; drag++) {
      await page.touch('touchStart', [{ x: fit.width * 0.55, y: ly, id: 2 }]);
      for (let step = 1; step <= 10; step++) {
        await page.touch('touchMove', [{ x: fit.width * (0.55 + 0.035 * step), y: ly, id: 2 }]);
      }
      await page.touch('touchEnd');
    }
    await until(page, 'the pointer put back at the centre after a drag to the right',
      async () => (await page.evaluate(() => window.nd.pointerPlaced)) > placed);
    // A button holds its key (Q: wireframe).
    const solid = await look(page, '.gl.shown', [], daySky);
    const wire = centre(await page.evaluate(() => {
      const r = document.querySelector('[data-key="KeyQ"]').getBoundingClientRect();
      return { left: r.left, top: r.top, right: r.right, bottom: r.bottom };
    }));
    await tap(page, wire[0], wire[1]);
    await until(page, 'wireframe', async () => (await look(page, '.gl.shown', [], daySky)).share > solid.share + 0.1);
  }
  if (await page.evaluate(() => window.nd.ended)) throw new Error('ended before the end control');
  const end = centre(await rectOf(page, '#touch-end'));
  await tap(page, end[0], end[1]);
  await until(page, 'the ended screen', () => page.evaluate(() => window.nd.ended));
  if (await page.evaluate(() => window.nd.status) !== 0) throw new Error('ended with a non-zero status');
  if (traced) await stickIsTheUpKey(await until(page, 'the recording', () => page.evaluate(() => window.nd.recording)));
}

// The stick's drive, as the page recorded it, against its keyboard twin: the Up
// key held over the same frames in the native runner. Their traces agree frame
// for frame on the motion state, from the first frame until the stick's drive is
// a few frames over (the animation, paced by the clock, is left out).
async function stickIsTheUpKey(recording) {
  const lines = recording.text.split('\n');
  const keys = lines.map((l) => /^(\d+) keys ?(.*)$/.exec(l)).filter(Boolean).map((m) => [Number(m[1]), m[2]]);
  const held = keys.findIndex(([, names]) => names !== '');
  if (held < 0 || keys[held][1] !== 'Up' || !keys[held + 1] || keys[held + 1][1] !== '') {
    throw new Error('the stick held the keys ' + JSON.stringify(keys));
  }
  const [from, to] = [keys[held][0], keys[held + 1][0]];
  if (to - from < 30) throw new Error(`the stick held Up for ${to - from} frames`);
  // Nothing else reached the game meanwhile but its own re-centring of the pointer.
  const last = to + 4;
  const events = lines.filter((l) => /^\d+ [12] /.test(l) && !/ tick$/.test(l) && Number(l.split(' ')[0]) <= last);
  const expected = ['1 1 mousemove 500 350 0 0', `${from - 1} 2 keydown Up 0`];
  if (JSON.stringify(events) !== JSON.stringify(expected)) throw new Error('the game got ' + JSON.stringify(events));
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'nd-stick-'));
  try {
    fs.writeFileSync(path.join(dir, 'stick.ndrec'), recording.text);
    fs.writeFileSync(path.join(dir, 'twin.txt'), `${from} keydown Up\n${to} keyup Up\n`);
    const stick = await runProgram(native, ['--replay', path.join(dir, 'stick.ndrec'), '--trace', path.join(dir, 'stick.jsonl')]);
    const menu = /^menu (\d+x\d+) \d+ (\w+)/m.exec(recording.text);
    if (!menu) throw new Error('the recording has no menu line');
    const twin = await runProgram(native, ['--frames', String(last), '--size', menu[1], '--detail', menu[2],
      '--input', path.join(dir, 'twin.txt'), '--trace', path.join(dir, 'twin.jsonl')]);
    if (stick.status !== 0 || twin.status !== 0) throw new Error(`native runs: ${stick.stderr} ${twin.stderr}`);
    const trace = (file) => fs.readFileSync(path.join(dir, file), 'utf8').trim().split('\n').map((l) => JSON.parse(l))
      .filter((f) => f.frame <= last)
      .map((f) => ['frame', 'PosX', 'PosY', 'PosZ', 'Yaw', 'Pitch', 'Speed', 'CanMove', 'Car1Z', 'Car2Z'].map((k) => f[k]).join(' '));
    const [a, b] = [trace('stick.jsonl'), trace('twin.jsonl')];
    if (a.length !== last || b.length !== last) throw new Error(`traces of ${a.length} and ${b.length} frames, not ${last}`);
    const parted = a.findIndex((line, i) => line !== b[i]);
    if (parted >= 0) throw new Error(`the stick's trace parts from the Up key's: ${a[parted]} against ${b[parted]}`);
    const place = (line) => line.split(' ').slice(1, 4).join(' ');
    if (place(a[from - 1]) === place(a[to - 1])) throw new Error('the stick did not drive');
    console.log(`  the stick held for frames ${from} to ${to - 1} drove as the Up key, frame for frame`);
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

const cases = [
  ['the menu marks move with clicks', async (page, origin) => {
    await openMenu(page, origin);
    const before = await look(page, '#canvas', [menu.lbl800, menu.lblHigh, menu.check1]);
    for (const at of [menu.lbl800, menu.lblHigh, menu.check1]) await clickIn(page, '#canvas', at);
    const after = await until(page, 'the marks', async () => {
      const m = await look(page, '#canvas', [menu.lbl800, menu.lbl1024, menu.lblHigh, menu.lblLow, menu.check1]);
      return same(m.colors[0], red) && same(m.colors[2], red) ? m : null;
    });
    if (!same(before.colors[0], black) || !same(before.colors[1], black)) throw new Error('marked before the clicks');
    if (!same(after.colors[1], black) || !same(after.colors[3], black)) throw new Error('old marks stayed');
    if (same(after.colors[4], before.colors[2])) throw new Error('the night drive box did not change');
    // The menu is drawn at a whole scale, as large as fits (twice its size here).
    const b = await box(page, '#canvas');
    const fits = await page.evaluate(() => Math.floor(Math.min(innerWidth / 479, innerHeight / 378)));
    if (fits < 2 || b.scale !== fits) throw new Error(`menu scale ${b.scale}, not ${fits}`);
  }],
  ['day: the world, driving, wireframe, and a click ends it', async (page, origin) => {
    await openMenu(page, origin);
    await startGame(page, daySky);
    const world = await steady(page);
    // Nothing that costs the browser's compositing or rendering without a use: an
    // antialiased canvas costs nearly three times the frame on software WebGL.
    const attributes = await page.evaluate(() => document.querySelector('.gl.shown').getContext('webgl2').getContextAttributes());
    if (attributes.alpha || attributes.antialias || attributes.preserveDrawingBuffer) {
      throw new Error('the canvas context asks for ' + JSON.stringify(attributes));
    }
    await page.keyDown('ArrowUp');
    await turnsOrDrives(page, 'the picture to change while driving', world);
    await page.keyUp('ArrowUp');
    const solid = await look(page, '.gl.shown', [], daySky);
    await page.keyPress('KeyQ');
    await until(page, 'wireframe', async () => (await look(page, '.gl.shown', [], daySky)).share > solid.share + 0.1);
    await oneOwnerWithinTheClick(page);
    await clickIn(page, '.gl.shown', [100, 100]);
    await until(page, 'the ended screen', () => page.evaluate(() =>
      window.nd.ended && getComputedStyle(document.getElementById('ended')).display !== 'none'));
    if (await page.evaluate(() => window.nd.status) !== 0) throw new Error('ended with a non-zero status');
  }],
  // The game places the pointer at a point of the screen; on a screen much larger
  // than the page (1920 x 1080 here) that point still lies inside the game's picture.
  ['mouse look turns the view, on and on, on a screen larger than the page', async (page, origin, engine) => {
    await openMenu(page, origin, '', { lock: true, screen: [1920, 1080] });
    const [screen, own] = await page.evaluate(() => [[screen.width, screen.height], window.ndOwnScreen]);
    if (engine.lacks.has('script before the page')) {
      // The program has read the screen before the driver's script ran.
      console.log(`  ${engine.name}: cannot give the page a screen before it loads; its own is ${own.join(' x ')}`);
    } else if (screen[0] !== 1920 || screen[1] !== 1080) {
      throw new Error('the screen is ' + screen.join(' x '));
    }
    await startGame(page, daySky);
    await steady(page);
    // The game holds the pointer locked and moves its own pointer by the motion;
    // the page sends relative motion as a locked pointer reports it.
    const locked = await until(page, 'the pointer lock', () => page.evaluate(() => {
      const c = document.getElementById('canvas');
      return document.pointerLockElement === c ? 'locked' : null;
    })).catch(() => null);
    if (!locked) throw new Error('the pointer is not locked');
    await oneOwnerWithinTheClick(page);
    const motion = (dx) => page.evaluate((dx) => {
      const canvas = document.getElementById('canvas');
      canvas.dispatchEvent(new MouseEvent('mousemove', { movementX: dx, movementY: 0, bubbles: true }));
    }, dx);
    // Far more motion to the right than the picture is wide: the view turns, and
    // each time the pointer nears the edge the game puts it back at the centre.
    const placed = await page.evaluate(() => window.nd.pointerPlaced);
    const from = await look(page, '.gl.shown');
    for (let step = 0; step < 32; step++) await motion(60);
    await turnsOrDrives(page, 'the view to turn', from);
    await until(page, 'the pointer put back twice', () =>
      page.evaluate((placed) => window.nd.pointerPlaced >= placed + 2, placed));
  }],
  ['night: the night sky', async (page, origin) => {
    await openMenu(page, origin);
    await clickIn(page, '#canvas', menu.check1);
    await until(page, 'the night drive mark', async () => {
      const m = await look(page, '#canvas', [menu.check1]);
      return !same(m.colors[0], black) || null;
    });
    await startGame(page, nightSky);
  }],
  ['a missing world file gives the message', async (page, origin) => {
    await openMenu(page, origin, '?remove=3d/3d0006.x');
    await clickIn(page, '#canvas', menu.newGame);
    await until(page, 'the message', () => page.evaluate(() => window.nd.dialogOpen));
    const text = await page.evaluate(() => document.getElementById('dialog-text').textContent);
    if (!text.includes("Can't find \\data\\3d\\3d0006.x")) throw new Error('message: ' + text);
    if (await page.evaluate(() => window.nd.ended)) throw new Error('ended before OK');
    await clickIn(page, '#dialog-ok', [4, 4]);
    await until(page, 'the end after OK', () => page.evaluate(() => window.nd.ended));
    if (await page.evaluate(() => window.nd.status) === 0) throw new Error('ended with status 0');
    await oneOwnerWithinTheClick(page);
    if (await page.evaluate(() => !!document.fullscreenElement)) throw new Error('full screen over the ended screen');
  }],
  ['a game controller plays, and start ends the game', padPlays],
  ['touch, phone upright: the menu fits, the stick drives, a drag looks, only the end control ends',
    (page, origin, engine) => touchPlays(page, origin, engine, 'phone upright', true)],
  ['touch, phone on its side: the menu fits, the stick drives as the Up key does, frame for frame, the end control',
    (page, origin, engine) => touchPlays(page, origin, engine, 'phone on its side', false, true)],
  ['touch, tablet on its side: the menu fits, the controls, the end control',
    (page, origin, engine) => touchPlays(page, origin, engine, 'tablet', false)],
  ['touch, tablet upright: the menu fits, the controls, the end control',
    (page, origin, engine) => touchPlays(page, origin, engine, 'tablet upright', false)],
  ['"Exit" in the menu ends the program', exitEndsTheProgram],
  ['HiDPI: the picture is sharp', hiDpiPictureIsSharp],
  ['Fill Screen: a 16:9 page at 2 device pixels a CSS pixel', fillsThePage(1280, 720, 2, false)],
  ['Fill Screen: a phone held upright at 3 device pixels a CSS pixel', fillsThePage(390, 844, 3, true)],
  ['a drive recorded in the page replays natively', recordedDriveReplays],
  ['the static folder plays, and offline', staticFolderPlaysOffline],
];

async function runEngine(name, origin) {
  const began = Date.now();
  let engine = await engines.launch(name);
  const only = process.env.ND_WEB_ONLY;
  let failed = 0, ran = 0;
  if (engine.lacks.has('page errors')) console.log(`  ${name}: its driver reports no page errors; unhandled rejections are counted in the page`);
  for (const [caseName, run] of cases) {
    if (only && !only.split('|').some((part) => caseName.includes(part))) continue;
    ran++;
    const caseBegan = Date.now();
    const page = await engine.newPage();
    try {
      await page.setViewport(1024, 768);
      await run(page, origin, engine);
      // An exception the page left uncaught is a failure, whatever the case saw.
      if (page.errors.length) throw new Error('page errors: ' + page.errors.join('; '));
      console.log(`ok   ${name}: ${caseName} (${((Date.now() - caseBegan) / 1000).toFixed(1)} s)`);
    } catch (e) {
      failed++;
      console.log(`FAIL ${name}: ${caseName}: ${e.message}`);
      if (e instanceof Unanswered) {
        // The engine goes with its stuck page; the next case gets a fresh one.
        await answered(engine.close(), Date.now() + 10000, 'the engine to close').catch(() => {});
        engine = await engines.launch(name);
        continue;
      }
      const log = await page.evaluate(() => (window.nd ? window.nd.log.slice(-20) : [])).catch(() => []);
      for (const line of log || []) console.log('  | ' + line);
    } finally {
      await page.close().catch(() => {});
    }
  }
  await engine.close();
  console.log(`${name}: ${ran - failed} of ${ran} cases passed (${((Date.now() - began) / 1000).toFixed(1)} s)`);
  return failed;
}

(async () => {
  const { server, port } = await startServer(build);
  let failed = 0;
  for (const name of engines.chosen()) {
    try {
      failed += await runEngine(name, `http://127.0.0.1:${port}`);
    } catch (e) {
      failed++;
      console.log(`FAIL ${name}: ${e.message}`);
    }
  }
  server.kill();
  process.exit(failed ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(1); });
