// The browser build in a real headless Chromium (software WebGL 2): the menu and
// its marks, the world by day and by night, driving, wireframe, the end by a
// click or by the menu's "Exit", the message for a missing world file, and a sharp
// picture on a HiDPI screen.
// Usage: node browser-test.js <build-web folder>   (NODE_PATH must reach puppeteer-core)
'use strict';
const path = require('path');
const puppeteer = require('puppeteer-core');
const { startServer } = require('./server');

const build = path.resolve(process.argv[2] || 'build-web');
const chromium = process.env.ND_CHROMIUM || '/usr/bin/chromium';
const timeoutMs = Number(process.env.ND_WEB_TIMEOUT_MS || 240000);

// Menu positions in the menu window's pixels (controls are placed in twips, 15 a pixel).
const menu = {
  lbl800: [12, 40], lbl1024: [12, 56], lblLow: [12, 152], lblHigh: [12, 184],
  check1: [126, 72], newGame: [408, 20], exit: [408, 52],
};
const red = [255, 0, 0];
const black = [0, 0, 0];
const daySky = [0x01, 0x5a, 0xdf];
const nightSky = [0x00, 0x00, 0x0a];

// Waits, one animation frame of the page at a time, until `check` gives a truthy value.
async function until(page, what, check) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => setTimeout(r, 0))));
  }
}

// The pixels of an element as the page shows them: colours at `points` (element
// pixels), the share of pixels within 3 of `color`, and a hash of the whole.
async function look(page, selector, points = [], color = null) {
  const el = await page.$(selector);
  if (!el) return null;
  const box = await el.boundingBox();
  if (!box || box.width < 2) return null;
  const png = await page.screenshot({ encoding: 'base64', clip: box });
  return page.evaluate(async (png, points, color, boxWidth) => {
    const img = new Image();
    img.src = 'data:image/png;base64,' + png;
    await img.decode();
    const c = document.createElement('canvas');
    c.width = img.width;
    c.height = img.height;
    const ctx = c.getContext('2d');
    ctx.drawImage(img, 0, 0);
    const d = ctx.getImageData(0, 0, c.width, c.height).data;
    const at = ([x, y]) => { const i = (y * c.width + x) * 4; return [d[i], d[i + 1], d[i + 2]]; };
    // Element pixels to screenshot pixels (more than one a pixel on a HiDPI screen).
    const scale = c.width / boxWidth;
    const atElement = ([x, y]) => at([Math.floor(x * scale), Math.floor(y * scale)]);
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
  }, png, points, color, box.width);
}

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
async function turnsOrDrives(page, what, from) {
  await until(page, what, async () => changed(from, await look(page, '.gl.shown')) > 0.3);
}

async function clickIn(page, selector, [x, y]) {
  const box = await (await page.$(selector)).boundingBox();
  await page.mouse.click(box.x + x, box.y + y);
}

// Only the mouse-look case keeps the pointer lock: headless Chromium's locked
// pointer can feed itself mouse moves without end (its return to the centre is a
// move of its own), which can starve the game of frames for minutes on a loaded
// machine. Refused, the game goes on in the page, as wherever the lock is refused.
async function openMenu(page, port, query = '', { lock = false } = {}) {
  if (!lock) {
    await page.evaluateOnNewDocument(() => {
      Element.prototype.requestPointerLock = () => Promise.reject(new DOMException('refused', 'NotAllowedError'));
    });
  }
  await page.goto(`http://127.0.0.1:${port}/nightdrive.html${query}`);
  await until(page, 'the menu', async () => {
    const m = await look(page, '#canvas.menu.shown', [menu.lbl1024, menu.lblLow]);
    return m && same(m.colors[0], red) && same(m.colors[1], red);
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

// The share of 2 x 2 blocks of device pixels, among those at an edge of the
// picture (differing clearly from the block to their right or below), that are
// not one colour: near 0 where the back buffer is scaled by whole pixels with the
// nearest sample, far from it where it is smoothed or resampled.
async function blurredEdges(page, selector) {
  const box = await (await page.$(selector)).boundingBox();
  const png = await page.screenshot({ encoding: 'base64', clip: box });
  return page.evaluate(async (png) => {
    const img = new Image();
    img.src = 'data:image/png;base64,' + png;
    await img.decode();
    const c = Object.assign(document.createElement('canvas'), { width: img.width, height: img.height });
    const ctx = c.getContext('2d');
    ctx.drawImage(img, 0, 0);
    const d = ctx.getImageData(0, 0, c.width, c.height).data;
    const px = (x, y) => (y * c.width + x) * 4;
    const differ = (a, b, limit) => Math.abs(d[a] - d[b]) + Math.abs(d[a + 1] - d[b + 1]) + Math.abs(d[a + 2] - d[b + 2]) > limit;
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
  }, png);
}

// Two device pixels a CSS pixel: the game's canvas gets a backing store of its
// page size in device pixels, and the 1024 x 768 picture fills it at twice its
// size, each pixel a sharp 2 x 2 block.
async function hiDpiPictureIsSharp(page, port) {
  await page.setViewport({ width: 1024, height: 768, deviceScaleFactor: 2 });
  await openMenu(page, port);
  // Whole-page screenshots are large here: the page's own note of the first world
  // frame is the cheaper wait.
  await clickIn(page, '#canvas', menu.newGame);
  await until(page, 'the world', () => page.evaluate(() => window.nd.times.firstWorld !== null));
  const size = await until(page, 'the canvas backing store', () => page.evaluate(() => {
    const c = document.getElementById('canvas');
    const box = c.getBoundingClientRect();
    return c.width === Math.round(box.width * 2) && c.height === Math.round(box.height * 2) &&
      { width: c.width, height: c.height, css: [box.width, box.height] };
  }));
  if (size.width !== 2048 || size.height !== 1536) throw new Error('backing store ' + JSON.stringify(size));
  const sharp = await blurredEdges(page, '.gl.shown');
  if (sharp.width !== 2048 || sharp.edges < 500) throw new Error('too little picture to judge: ' + JSON.stringify(sharp));
  if (sharp.share > 0.02) throw new Error(`blurred: ${(sharp.share * 100).toFixed(1)} % of the edge blocks`);
}

// The menu's "Exit" ends the program as a click in the game does: the ended
// screen, status 0, and nothing of the program asks for time afterwards.
async function exitEndsTheProgram(page, port) {
  await openMenu(page, port);
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
  if (await page.$('canvas.shown')) throw new Error('a canvas is still shown');
  // Thirty animation frames of the page later, the program has asked for none.
  await page.evaluate(() => { window.pageFrames = 0; const tick = () => { window.pageFrames++; requestAnimationFrame(tick); }; tick(); });
  await until(page, 'thirty page frames', () => page.evaluate(() => window.pageFrames >= 30));
  const late = await page.evaluate(() => [window.lateCalls, window.nd.frames]);
  if (late[0] !== 0 || late[1] !== 0) throw new Error(`still running: ${late[0]} timer or frame requests, ${late[1]} frames`);
}

const cases = [
  ['the menu marks move with clicks', async (page, port) => {
    await openMenu(page, port);
    const before = await look(page, '#canvas', [menu.lbl800, menu.lblHigh, menu.check1]);
    for (const at of [menu.lbl800, menu.lblHigh, menu.check1]) await clickIn(page, '#canvas', at);
    const after = await until(page, 'the marks', async () => {
      const m = await look(page, '#canvas', [menu.lbl800, menu.lbl1024, menu.lblHigh, menu.lblLow, menu.check1]);
      return same(m.colors[0], red) && same(m.colors[2], red) ? m : null;
    });
    if (!same(before.colors[0], black) || !same(before.colors[1], black)) throw new Error('marked before the clicks');
    if (!same(after.colors[1], black) || !same(after.colors[3], black)) throw new Error('old marks stayed');
    if (same(after.colors[4], before.colors[2])) throw new Error('the night drive box did not change');
  }],
  ['day: the world, driving, wireframe, and a click ends it', async (page, port) => {
    await openMenu(page, port);
    await startGame(page, daySky);
    const world = await steady(page);
    await page.keyboard.down('ArrowUp');
    await turnsOrDrives(page, 'the picture to change while driving', world);
    await page.keyboard.up('ArrowUp');
    const solid = await look(page, '.gl.shown', [], daySky);
    await page.keyboard.press('KeyQ');
    await until(page, 'wireframe', async () => (await look(page, '.gl.shown', [], daySky)).share > solid.share + 0.1);
    await clickIn(page, '.gl.shown', [100, 100]);
    await until(page, 'the ended screen', () => page.evaluate(() =>
      window.nd.ended && getComputedStyle(document.getElementById('ended')).display !== 'none'));
    if (await page.evaluate(() => window.nd.status) !== 0) throw new Error('ended with a non-zero status');
  }],
  ['mouse look turns the view, on and on', async (page, port) => {
    await openMenu(page, port, '', { lock: true });
    await startGame(page, daySky);
    await steady(page);
    // The game holds the pointer locked and moves its own pointer by the motion;
    // the page sends relative motion as a locked pointer reports it.
    if (!(await page.evaluate(() => document.pointerLockElement === document.getElementById('canvas'))))
      throw new Error('the pointer is not locked');
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
  ['night: the night sky', async (page, port) => {
    await openMenu(page, port);
    await clickIn(page, '#canvas', menu.check1);
    await until(page, 'the night drive mark', async () => {
      const m = await look(page, '#canvas', [menu.check1]);
      return !same(m.colors[0], black) || null;
    });
    await startGame(page, nightSky);
  }],
  ['a missing world file gives the message', async (page, port) => {
    await openMenu(page, port, '?remove=3d/3d0006.x');
    await clickIn(page, '#canvas', menu.newGame);
    await until(page, 'the message', () => page.evaluate(() => window.nd.dialogOpen));
    const text = await page.evaluate(() => document.getElementById('dialog-text').textContent);
    if (!text.includes("Can't find \\data\\3d\\3d0006.x")) throw new Error('message: ' + text);
    if (await page.evaluate(() => window.nd.ended)) throw new Error('ended before OK');
    await page.click('#dialog-ok');
    await until(page, 'the end after OK', () => page.evaluate(() => window.nd.ended));
    if (await page.evaluate(() => window.nd.status) === 0) throw new Error('ended with status 0');
  }],
  ['"Exit" in the menu ends the program', exitEndsTheProgram],
  ['HiDPI: the picture is sharp', hiDpiPictureIsSharp],
];

(async () => {
  const { server, port } = await startServer(build);
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: 'new',
    args: ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
      '--window-size=1024,768', '--autoplay-policy=no-user-gesture-required'],
  });
  const only = process.env.ND_WEB_ONLY;
  let failed = 0;
  for (const [name, run] of cases) {
    if (only && !name.includes(only)) continue;
    const began = Date.now();
    const page = await browser.newPage();
    await page.setViewport({ width: 1024, height: 768 });
    page.on('pageerror', (e) => console.log('page error: ' + e.message));
    try {
      await run(page, port);
      console.log(`ok   ${name} (${((Date.now() - began) / 1000).toFixed(1)} s)`);
    } catch (e) {
      failed++;
      console.log(`FAIL ${name}: ${e.message}`);
      const log = await page.evaluate(() => (window.nd ? window.nd.log.slice(-20) : [])).catch(() => []);
      for (const line of log) console.log('  | ' + line);
    } finally {
      await page.close();
    }
  }
  await browser.close();
  server.kill();
  process.exit(failed ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(1); });
