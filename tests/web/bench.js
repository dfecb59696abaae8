// Frame rate of the browser build in headless Chromium (software WebGL 2) at
// 1024 x 768, Low and High detail, and the time from opening the page to the first
// world frame. A benchmark: it prints numbers and checks nothing.
// Usage: node bench.js <build-web folder> [seconds per measurement]
'use strict';
const { spawn } = require('child_process');
const path = require('path');
const puppeteer = require('puppeteer-core');

const build = path.resolve(process.argv[2] || 'build-web');
const seconds = Number(process.argv[3] || 10);
const daySky = [0x01, 0x5a, 0xdf];

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
  for (const [detail, at] of [['low', null], ['high', [12, 184]]]) {
    const page = await browser.newPage();
    await page.setViewport({ width: 1024, height: 768 });
    const opened = Date.now();
    await page.goto(`http://127.0.0.1:${port}/nightdrive.html`);
    await page.waitForFunction(() => window.nd && window.nd.started && document.querySelector('#canvas.menu.shown'));
    const menu = await (await page.$('#canvas')).boundingBox();
    if (at) await page.mouse.click(menu.x + at[0], menu.y + at[1]);
    await page.mouse.click(menu.x + 408, menu.y + 20);
    // The first world frame: the day sky at the top of the picture.
    for (;;) {
      const c = await page.$('.gl.shown');
      const box = c && await c.boundingBox();
      if (box) {
        const png = await page.screenshot({ encoding: 'base64', clip: { x: box.x + box.width / 2, y: box.y + 4, width: 1, height: 1 } });
        const d = await page.evaluate(async (png) => {
          const img = new Image();
          img.src = 'data:image/png;base64,' + png;
          await img.decode();
          const ctx = Object.assign(document.createElement('canvas'), { width: 1, height: 1 }).getContext('2d');
          ctx.drawImage(img, 0, 0);
          return [...ctx.getImageData(0, 0, 1, 1).data];
        }, png);
        if (daySky.every((v, i) => Math.abs(v - d[i]) < 4)) break;
      }
    }
    const firstWorld = Date.now() - opened;
    const f0 = await page.evaluate(() => window.nd.frames);
    const t0 = Date.now();
    await page.waitForFunction((until) => Date.now() >= until, { polling: 200 }, t0 + seconds * 1000);
    const f1 = await page.evaluate(() => window.nd.frames);
    const fps = (f1 - f0) / ((Date.now() - t0) / 1000);
    console.log(`browser 1024x768 ${detail}: ${fps.toFixed(1)} fps, first world frame ${firstWorld} ms after opening`);
    await page.close();
  }
  await browser.close();
  server.kill();
})().catch((e) => { console.error(e); process.exit(1); });
