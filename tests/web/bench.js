// Frame rate of the browser build in headless Chromium (software WebGL 2) at
// 1024 x 768, Low and High detail, the time from opening the page to the first
// world frame, and the same browser's ceiling: a bare WebGL 2 page of that size
// that only clears and presents. Besides frames per second it prints the CPU time
// the whole browser spent per frame, which holds steadier than the rate on a
// machine shared with other work. A benchmark: it prints numbers and checks nothing.
// Usage: node bench.js <build-web folder> [seconds per measurement]
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');
const puppeteer = require('puppeteer-core');

const build = path.resolve(process.argv[2] || 'build-web');
const seconds = Number(process.argv[3] || 10);
const ticksPerSecond = 100;  // the kernel's clock ticks, as /proc/<pid>/stat counts them

// CPU seconds used so far by the process `root` and all its descendants.
function treeCpuSeconds(root) {
  const parent = new Map(), ticks = new Map();
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parent.set(Number(name), Number(f[1]));
      ticks.set(Number(name), Number(f[11]) + Number(f[12]));
    } catch (e) { /* gone meanwhile */ }
  }
  let total = 0;
  for (const [pid, t] of ticks) {
    for (let p = pid; p > 1; p = parent.get(p) || 0) {
      if (p === root) { total += t; break; }
    }
  }
  return total / ticksPerSecond;
}

// Frames per second and CPU milliseconds per frame over `seconds`, with `frames`
// reading the page's frame count.
async function measure(browser, frames) {
  const pid = browser.process().pid;
  const f0 = await frames(), c0 = treeCpuSeconds(pid), t0 = Date.now();
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const f1 = await frames(), c1 = treeCpuSeconds(pid), t1 = Date.now();
  const n = Math.max(1, f1 - f0);
  return `${((f1 - f0) / ((t1 - t0) / 1000)).toFixed(1)} fps, ${((c1 - c0) * 1000 / n).toFixed(0)} ms CPU a frame`;
}

async function bareWebGl(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 768 });
  await page.setContent('<body style="margin:0"><canvas width="1024" height="768" style="display:block"></canvas></body>');
  await page.evaluate(() => {
    const gl = document.querySelector('canvas').getContext('webgl2', { alpha: false, depth: true, antialias: false });
    window.frames = 0;
    const frame = () => {
      gl.clearColor(0.0, 0.35, 0.87, 1.0);
      gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
      window.frames++;
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  });
  console.log(`bare WebGL 2 page 1024x768, clear only: ${await measure(browser, () => page.evaluate(() => window.frames))}`);
  await page.close();
}

(async () => {
  const server = spawn(process.execPath, [path.join(__dirname, '../../tools/web/serve.js'), build, '0']);
  const port = await new Promise((resolve) => server.stdout.on('data', (c) => {
    const m = /listening (\d+)/.exec(c.toString());
    if (m) resolve(Number(m[1]));
  }));
  const browser = await puppeteer.launch({
    executablePath: process.env.ND_CHROMIUM || '/usr/bin/chromium', headless: 'new',
    args: ['--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-sandbox'],
  });
  await bareWebGl(browser);
  for (const [detail, at] of [['low', null], ['high', [12, 184]]]) {
    const page = await browser.newPage();
    await page.setViewport({ width: 1024, height: 768 });
    await page.goto(`http://127.0.0.1:${port}/nightdrive.html`);
    await page.waitForFunction(() => window.nd && window.nd.started && document.querySelector('#canvas.menu.shown'),
      { polling: 50, timeout: 0 });
    const menu = await (await page.$('#canvas')).boundingBox();
    if (at) await page.mouse.click(menu.x + at[0], menu.y + at[1]);
    await page.mouse.click(menu.x + 408, menu.y + 20);
    // The page notes when the program presents its first frame with the world in it.
    await page.waitForFunction(() => window.nd.times.firstWorld !== null, { polling: 50, timeout: 0 });
    const t = await page.evaluate(() => window.nd.times);
    // A moment for the first frames' one-off work to pass.
    await new Promise((r) => setTimeout(r, 2000));
    const rate = await measure(browser, () => page.evaluate(() => window.nd.frames));
    console.log(`browser 1024x768 ${detail}: ${rate}; first world frame ${t.firstWorld.toFixed(0)} ms after opening ` +
      `(program ready ${t.runtime.toFixed(0)}, game window ${t.gameWindow.toFixed(0)})`);
    await page.close();
  }
  await browser.close();
  server.kill();
})().catch((e) => { console.error(e); process.exit(1); });
