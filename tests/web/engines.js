// The three browser engines the page is tested on, behind one small page API:
//   chromium  Debian's Chromium, headless, SwiftShader WebGL 2 (puppeteer-core, CDP)
//   firefox   Firefox ESR, headless on an X display (puppeteer-core, WebDriver BiDi);
//             without a display its WebGL finds no driver
//   webkit    WebKitGTK's MiniBrowser under WebKitWebDriver (WebDriver classic,
//             spoken here over plain HTTP), on an X display
// A page offers goto, evaluate, evaluateOnNewDocument, box, shot, click, key
// down/up/press, setViewport, setOffline and close (and, where there is touch,
// emulateDevice and touch); `engine.lacks` names what an
// engine cannot do, so that a test can say so and check the fallback instead.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const http = require('http');
const net = require('net');

const firefoxPath = process.env.ND_FIREFOX || '/usr/bin/firefox-esr';
const chromiumPath = process.env.ND_CHROMIUM || '/usr/bin/chromium';
const webkitDriverPath = process.env.ND_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';

function miniBrowserPath() {
  if (process.env.ND_MINIBROWSER) return process.env.ND_MINIBROWSER;
  for (const dir of ['/usr/lib/x86_64-linux-gnu', '/usr/lib/aarch64-linux-gnu', '/usr/lib']) {
    for (const api of ['webkit2gtk-4.1', 'webkitgtk-6.0', 'webkit2gtk-4.0']) {
      const file = `${dir}/${api}/MiniBrowser`;
      if (fs.existsSync(file)) return file;
    }
  }
  return '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
}

// --- puppeteer-core (Chromium over CDP, Firefox over BiDi) --------------------
class PuppeteerPage {
  constructor(page, engine) {
    this.page = page;
    this.engine = engine;
    this.errors = [];
    page.on('pageerror', (e) => this.errors.push(e.message));
  }
  goto(url) { return this.page.goto(url); }
  evaluate(fn, ...args) { return this.page.evaluate(fn, ...args); }
  evaluateOnNewDocument(fn, ...args) { return this.page.evaluateOnNewDocument(fn, ...args); }
  setViewport(width, height, scale = 1) { return this.page.setViewport({ width, height, deviceScaleFactor: scale }); }
  // A PNG (base64) of the clip (page pixels); `crop` is the clip within it.
  async shot(clip) {
    const png = await this.page.screenshot({ encoding: 'base64', clip });
    return { png, crop: null };
  }
  click(x, y) { return this.page.mouse.click(x, y); }
  // A phone or tablet: its page size (CSS pixels), pixel ratio and touch screen.
  emulateDevice({ width, height, scale, landscape = false }) {
    return this.page.setViewport({ width, height, deviceScaleFactor: scale, isMobile: true, hasTouch: true, isLandscape: landscape });
  }
  // A touch event: 'touchStart' or 'touchMove' with every point still down
  // ({ x, y, id }, page pixels), 'touchEnd' with none (all lift).
  async touch(type, points = []) {
    if (!this.cdp) this.cdp = await this.page.createCDPSession();
    await this.cdp.send('Input.dispatchTouchEvent', { type, touchPoints: points.map(({ x, y, id }) => ({ x, y, id })) });
  }
  keyDown(code) { return this.page.keyboard.down(keyName(code)); }
  keyUp(code) { return this.page.keyboard.up(keyName(code)); }
  keyPress(code) { return this.page.keyboard.press(keyName(code)); }
  setOffline(offline) { return this.page.setOfflineMode(offline); }
  // Runs `act` (a click on a download link) and resolves to the path of the file
  // the page downloaded into `dir` under its own name (Chromium, over CDP).
  async download(dir, act, timeoutMs) {
    const session = await this.page.createCDPSession();
    try {
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir, eventsEnabled: true });
      let name = null;
      const done = new Promise((resolve, reject) => {
        const timer = setTimeout(() => reject(new Error('no download came')), timeoutMs);
        session.on('Browser.downloadWillBegin', (e) => { name = e.suggestedFilename; });
        session.on('Browser.downloadProgress', (e) => {
          if (e.state === 'completed') resolve();
          else if (e.state === 'canceled') reject(new Error('the download was cancelled'));
          if (e.state !== 'inProgress') clearTimeout(timer);
        });
      });
      await act();
      await done;
      return require('path').join(dir, name);
    } finally {
      await session.detach().catch(() => {});
    }
  }
  close() { return this.page.close(); }
}

// puppeteer names keys by their KeyboardEvent key (or code, for letters).
function keyName(code) { return code; }

async function launchPuppeteer(name) {
  const puppeteer = require('puppeteer-core');
  let browser;
  if (name === 'chromium') {
    browser = await puppeteer.launch({
      executablePath: chromiumPath, headless: 'new',
      args: ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox',
        '--window-size=1024,768', '--autoplay-policy=no-user-gesture-required'],
    });
  } else {
    browser = await puppeteer.launch({
      browser: 'firefox', executablePath: firefoxPath, headless: true, protocol: 'webDriverBiDi',
    });
  }
  return {
    name,
    // Firefox's BiDi in this puppeteer has no offline switch; the test stops the
    // server instead.
    // Touch screens are emulated through Chromium's own protocol only.
    lacks: new Set(name === 'firefox' ? ['offline mode', 'touch', 'downloads'] : []),
    async newPage() { return new PuppeteerPage(await browser.newPage(), this); },
    close() { return browser.close(); },
  };
}

// --- WebKitGTK over WebDriver classic -------------------------------------------
function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.on('error', reject);
    s.listen(0, '127.0.0.1', () => { const { port } = s.address(); s.close(() => resolve(port)); });
  });
}

function request(port, method, path, body) {
  const began = Date.now();
  if (process.env.ND_WEB_DEBUG) console.log(`  > ${method} ${path} ${body ? JSON.stringify(body).slice(0, 160) : ''}`);
  return new Promise((resolve, reject) => {
    const data = body === undefined ? null : Buffer.from(JSON.stringify(body));
    const req = http.request({ host: '127.0.0.1', port, method, path,
      headers: data ? { 'Content-Type': 'application/json', 'Content-Length': data.length } : {} }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => {
        if (process.env.ND_WEB_DEBUG) console.log(`  < ${method} ${path} ${res.statusCode} ${Date.now() - began} ms`);
        let json = {};
        try { json = JSON.parse(Buffer.concat(chunks).toString() || '{}'); } catch (e) { /* not JSON */ }
        const value = json.value;
        if (res.statusCode >= 400 || (value && value.error)) {
          reject(new Error(`WebDriver ${method} ${path}: ${value ? value.error + ': ' + value.message : res.statusCode}`));
        } else {
          resolve(value);
        }
      });
    });
    req.on('error', reject);
    if (data) req.write(data);
    req.end();
  });
}

// WebDriver's key values for the keys the tests press.
const webDriverKeys = { ArrowUp: '\uE013', ArrowDown: '\uE015', ArrowLeft: '\uE012', ArrowRight: '\uE014',
  PageUp: '\uE00E', PageDown: '\uE00F', Escape: '\uE00C', Enter: '\uE007' };
function webDriverKey(code) {
  if (webDriverKeys[code]) return webDriverKeys[code];
  const m = /^Key([A-Z])$/.exec(code);
  return m ? m[1].toLowerCase() : code;
}

class WebDriverPage {
  constructor(engine) {
    this.engine = engine;
    this.preload = [];
    this.errors = [];
  }
  call(method, path, body) { return this.engine.call(method, path, body); }
  async goto(url) {
    await this.call('POST', '/url', { url });
    // No script runs before the page's own here; what a test wants in place first
    // runs once the page has loaded (before anything a test does on it).
    for (const [fn, args] of this.preload) await this.evaluate(fn, ...args);
  }
  evaluateOnNewDocument(fn, ...args) { this.preload.push([fn, args]); }
  // Runs `fn` (plain or async) in the page with JSON arguments; returns its result.
  async evaluate(fn, ...args) {
    const script = `const done = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn.toString()}).apply(null, ${JSON.stringify(args)}))
        .then((v) => done({ ok: v === undefined ? null : v }), (e) => done({ error: String(e && e.stack || e) }));`;
    const r = await this.call('POST', '/execute/async', { script, args: [] });
    if (r && r.error) throw new Error('in the page: ' + r.error);
    return r ? r.ok : null;
  }
  async setViewport(width, height, scale = 1) {
    if (scale !== 1) throw new Error('webkit: no device pixel ratio emulation');
    // The window is larger than the page by its tool bar; grow it until the page
    // is the size asked for.
    let rect = { width, height };
    for (let i = 0; i < 3; i++) {
      await this.call('POST', '/window/rect', rect);
      const inner = await this.evaluate(() => [innerWidth, innerHeight]);
      if (inner[0] === width && inner[1] === height) return;
      rect = { width: rect.width + width - inner[0], height: rect.height + height - inner[1] };
    }
  }
  async shot(clip) {
    const png = await this.call('GET', '/screenshot');
    return { png, crop: clip };
  }
  async actions(list) {
    await this.call('POST', '/actions', { actions: list });
  }
  click(x, y) {
    return this.actions([{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: [
      { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport', duration: 0 },
      { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }] }]);
  }
  keyDown(code) {
    return this.actions([{ type: 'key', id: 'keyboard', actions: [{ type: 'keyDown', value: webDriverKey(code) }] }]);
  }
  keyUp(code) {
    return this.actions([{ type: 'key', id: 'keyboard', actions: [{ type: 'keyUp', value: webDriverKey(code) }] }]);
  }
  keyPress(code) {
    const value = webDriverKey(code);
    return this.actions([{ type: 'key', id: 'keyboard', actions: [{ type: 'keyDown', value }, { type: 'keyUp', value }] }]);
  }
  setOffline() { throw new Error('webkit: no offline mode'); }
  async close() {
    await this.call('DELETE', '/actions').catch(() => {});
    await this.call('POST', '/url', { url: 'about:blank' }).catch(() => {});
  }
}

async function launchWebKit() {
  const port = await freePort();
  const driver = spawn(webkitDriverPath, [`--port=${port}`], { stdio: ['ignore', 'ignore', 'pipe'] });
  let driverLog = '';
  driver.stderr.on('data', (d) => { driverLog = (driverLog + d).slice(-4000); });
  const began = Date.now();
  for (;;) {
    try {
      await request(port, 'GET', '/status');
      break;
    } catch (e) {
      if (Date.now() - began > 20000) { driver.kill(); throw new Error('WebKitWebDriver did not start: ' + driverLog); }
      await new Promise((r) => setTimeout(r, 100));
    }
  }
  const session = await request(port, 'POST', '/session', { capabilities: { alwaysMatch: {
    'webkitgtk:browserOptions': { binary: miniBrowserPath(), args: ['--automation'] } } } });
  const base = `/session/${session.sessionId}`;
  let page = null;
  return {
    name: 'webkit',
    lacks: new Set(['offline mode', 'device pixel ratio', 'script before the page', 'page errors', 'touch', 'downloads']),
    call(method, path, body) { return request(port, method, base + path, body); },
    async newPage() {
      // One window: each test's page replaces the last one's.
      page = new WebDriverPage(this);
      return page;
    },
    async close() {
      // A page stuck in a script can hold up the session's end: the driver goes
      // (and its browser with it) after a few seconds regardless.
      await Promise.race([request(port, 'DELETE', base).catch(() => {}), new Promise((r) => setTimeout(r, 5000))]);
      driver.kill();
    },
  };
}

// Starts the named engine ('chromium', 'firefox' or 'webkit').
module.exports.launch = function launch(name) {
  if (name === 'webkit') return launchWebKit();
  if (name === 'chromium' || name === 'firefox') return launchPuppeteer(name);
  throw new Error('unknown engine ' + name);
};

// The engines to run, from ND_WEB_ENGINES (comma-separated), all three by default.
module.exports.chosen = function chosen() {
  return (process.env.ND_WEB_ENGINES || 'chromium,firefox,webkit').split(',').map((s) => s.trim()).filter((s) => s);
};
