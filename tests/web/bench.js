// Frame rate of the browser build in headless Chromium (software WebGL 2) at
// 1024 x 768 and, with "Fill Screen" (?fill), on pages of 1920 x 1080 and
// 2560 x 1440, Low and High detail, the time from opening the page to the first
// world frame, and the same browser's ceiling: a bare WebGL 2 page of that size
// that only clears and presents, and one that draws plain triangles. Besides frames
// per second it prints the CPU time the whole browser spent per frame, which holds
// steadier than the rate on a machine shared with other work, split by process:
// the browser, its GPU process (where WebGL renders) and the page's renderer.
// Given the native runner, it also runs it at 1024 x 768 in the same run and
// prints the ratios. A benchmark: it prints numbers and checks nothing.
// Usage: node bench.js <build-web folder> [seconds per measurement] [nightdrive-headless]
// ND_BENCH_WEBGL=llvmpipe renders WebGL through ANGLE on the system's GL (Mesa's
// llvmpipe, the native runner's rasteriser) instead of SwiftShader.
// ND_BENCH_WITHOUT=TEXTURE,FOG,LIGHTING,SPECULAR adds a row at 1024 x 768, Low, for
// each part named, with that part of the GL programs left out (the picture is then
// not the game's): what each part of the per-vertex and per-pixel work costs.
'use strict';
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { startServer } = require('./server');

const build = path.resolve(process.argv[2] || 'build-web');
const seconds = Number(process.argv[3] || 10);
const native = process.argv[4] ? path.resolve(process.argv[4]) : null;
const webgl = process.env.ND_BENCH_WEBGL || 'swiftshader';
const ticksPerSecond = 100;  // the kernel's clock ticks, as /proc/<pid>/stat counts them

// CPU seconds used so far by the process `root` and its descendants, by kind of
// process (the browser itself, the GPU process, the page's renderer, ...).
function treeCpuSeconds(root) {
  const parent = new Map(), ticks = new Map(), kind = new Map();
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
      const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      parent.set(Number(name), Number(f[1]));
      ticks.set(Number(name), Number(f[11]) + Number(f[12]));
      const type = /--type=([a-z-]+)/.exec(fs.readFileSync(`/proc/${name}/cmdline`, 'utf8'));
      kind.set(Number(name), type ? type[1] : 'browser');
    } catch (e) { /* gone meanwhile */ }
  }
  const total = {};
  for (const [pid, t] of ticks) {
    for (let p = pid; p > 1; p = parent.get(p) || 0) {
      if (p === root) { total[kind.get(pid)] = (total[kind.get(pid)] || 0) + t / ticksPerSecond; break; }
    }
  }
  return total;
}

// Frames per second and CPU milliseconds per frame over `seconds`, with `frames`
// reading the page's frame count.
async function measure(browser, frames) {
  const pid = browser.process().pid;
  const f0 = await frames(), c0 = treeCpuSeconds(pid), t0 = Date.now();
  await new Promise((r) => setTimeout(r, seconds * 1000));
  const f1 = await frames(), c1 = treeCpuSeconds(pid), t1 = Date.now();
  const n = Math.max(1, f1 - f0);
  const split = {};
  for (const k of Object.keys(c1)) split[k] = (c1[k] - (c0[k] || 0)) * 1000 / n;
  const cpu = Object.values(split).reduce((a, b) => a + b, 0);
  const parts = Object.keys(split).filter((k) => split[k] >= 0.5).map((k) => `${k} ${split[k].toFixed(1)}`).join(', ');
  const fps = (f1 - f0) / ((t1 - t0) / 1000);
  return { fps, cpu, text: `${fps.toFixed(1)} fps, ${cpu.toFixed(0)} ms CPU a frame (${parts})` };
}

// A bare WebGL 2 page of 1024 x 768: clears and presents, and, with `triangles`,
// also draws that many triangles with the plainest shaders as two screen-covering
// grids, the nearer drawn last (each pixel shaded twice), about what the world
// gives the renderer in a frame (some 46,000 triangles). `textured` (texels a
// pixel across): one grid of them instead, each pixel shaded once with a texel of
// a 256 x 256 picture (point sampled, repeating, as the game's pictures are) times
// a colour -- the game's own per-pixel work, less its fog and the share of the
// picture that is sky. At 4 texels a pixel, as on the distant ground, neighbouring
// pixels read texels far apart.
async function bareWebGl(browser, triangles, textured = 0) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 768 });
  await page.setContent('<body style="margin:0"><canvas width="1024" height="768" style="display:block"></canvas></body>');
  await page.evaluate((triangles, textured) => {
    const gl = document.querySelector('canvas').getContext('webgl2', { alpha: false, depth: true, antialias: false });
    const cells = Math.max(1, Math.round(Math.sqrt(triangles / (textured ? 2 : 4))));
    const points = [];
    for (const z of textured ? [0.4] : [0.6, 0.4]) {
      for (let j = 0; j < cells; j++) {
        for (let i = 0; i < cells; i++) {
          const x0 = -1 + 2 * i / cells, x1 = -1 + 2 * (i + 1) / cells;
          const y0 = -1 + 2 * j / cells, y1 = -1 + 2 * (j + 1) / cells;
          points.push(x0, y0, z, x1, y0, z, x0, y1, z, x1, y0, z, x1, y1, z, x0, y1, z);
        }
      }
    }
    const shader = (type, text) => {
      const s = gl.createShader(type);
      gl.shaderSource(s, '#version 300 es\nprecision highp float;\n' + text);
      gl.compileShader(s);
      return s;
    };
    const program = gl.createProgram();
    if (textured) {
      gl.attachShader(program, shader(gl.VERTEX_SHADER,
        `in vec3 p; out vec2 uv; void main() { uv = p.xy * ${(textured * 2).toFixed(1)}; gl_Position = vec4(p, 1.0); }`));
      gl.attachShader(program, shader(gl.FRAGMENT_SHADER, 'in vec2 uv; uniform sampler2D t; out vec4 c; ' +
        'void main() { c = vec4(texture(t, uv).rgb * vec3(0.9, 0.8, 0.7), 1.0); }'));
      const texels = new Uint8Array(256 * 256 * 4);
      for (let i = 0; i < texels.length; i++) texels[i] = (i * 2654435761) >>> 24;
      gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, 256, 256, 0, gl.RGBA, gl.UNSIGNED_BYTE, texels);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
      gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    } else {
      gl.attachShader(program, shader(gl.VERTEX_SHADER, 'in vec3 p; void main() { gl_Position = vec4(p, 1.0); }'));
      gl.attachShader(program, shader(gl.FRAGMENT_SHADER, 'out vec4 c; void main() { c = vec4(0.2, 0.6, 0.2, 1.0); }'));
    }
    gl.bindAttribLocation(program, 0, 'p');
    gl.linkProgram(program);
    gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array(points), gl.STATIC_DRAW);
    gl.enableVertexAttribArray(0);
    gl.vertexAttribPointer(0, 3, gl.FLOAT, false, 0, 0);
    gl.useProgram(program);
    gl.enable(gl.DEPTH_TEST);
    window.frames = 0;
    const frame = () => {
      gl.clearColor(0.0, 0.35, 0.87, 1.0);
      gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
      if (triangles > 0) gl.drawArrays(gl.TRIANGLES, 0, points.length / 3);
      window.frames++;
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }, triangles, textured);
  const what = triangles > 0 ? `${triangles} triangles, ${textured ? `each pixel textured once, ${textured} texels a pixel across` : 'plain shaders'}` : 'clear only';
  const m = await measure(browser, () => page.evaluate(() => window.frames));
  console.log(`bare WebGL 2 page 1024x768, ${what}: ${m.text}`);
  await page.close();
  return m;
}

// The native runner at 1024 x 768 on the same machine: frames per second, CPU a
// frame and the triangles it draws (after culling).
function nativeRun(detail) {
  const out = execFileSync(native, ['--bench', '--size', '1024x768', '--detail', detail, '--frames', '300'],
    { encoding: 'utf8', env: Object.assign({}, process.env, { SDL_VIDEODRIVER: 'offscreen' }) });
  const j = JSON.parse(out.trim().split('\n').pop());
  console.log(`native 1024x768 ${detail}: ${j.fps.toFixed(1)} fps, ${j.cpu_ms_per_frame.toFixed(1)} ms CPU a frame, ` +
    `${Math.round(j.drawn_per_frame.triangles)} triangles drawn of ${j.drawn_per_frame.of_triangles}`);
  return j;
}

(async () => {
  const { server, port } = await startServer(build);
  const browser = await puppeteer.launch({
    executablePath: process.env.ND_CHROMIUM || '/usr/bin/chromium', headless: 'new',
    args: ['--headless=new', '--no-sandbox'].concat(webgl === 'llvmpipe' ?
      ['--use-gl=angle', '--use-angle=gl-egl', '--ignore-gpu-blocklist'] :
      ['--use-angle=swiftshader', '--enable-unsafe-swiftshader']),
  });
  const nativeRows = native ? { low: nativeRun('low'), high: nativeRun('high') } : null;
  await bareWebGl(browser, 0);
  const bare = { 46000: await bareWebGl(browser, 46000) };
  const drawn = nativeRows ? Math.round(nativeRows.high.drawn_per_frame.triangles / 1000) * 1000 : 23000;
  bare[drawn] = await bareWebGl(browser, drawn);
  bare[`${drawn} textured`] = await bareWebGl(browser, drawn, 1);
  bare[`${drawn} textured at 4 texels a pixel`] = await bareWebGl(browser, drawn, 4);
  const rows = [];
  for (const [width, height, query] of [[1024, 768, ''], [1920, 1080, '?fill'], [2560, 1440, '?fill']]) {
    for (const [detail, at] of [['low', null], ['high', [12, 184]]]) rows.push({ width, height, query, detail, at });
  }
  for (const part of (process.env.ND_BENCH_WITHOUT || '').split(',').filter(Boolean)) {
    rows.push({ width: 1024, height: 768, query: '', detail: 'low', at: null, without: part });
  }
  for (const { width, height, query, detail, at, without } of rows) {
    const page = await browser.newPage();
    await page.setViewport({ width, height });
    // Headless Chromium's locked pointer can feed itself mouse moves without end
    // (its return to the centre is a move of its own), which keeps the browser busy
    // with input rather than the game; refused, the game goes on in the page as it
    // does wherever the lock is refused.
    await page.evaluateOnNewDocument((without) => {
      Element.prototype.requestPointerLock = () => Promise.reject(new DOMException('refused', 'NotAllowedError'));
      if (!without) return;
      const source = WebGL2RenderingContext.prototype.shaderSource;
      WebGL2RenderingContext.prototype.shaderSource = function (shader, text) {
        return source.call(this, shader, text.replace(`#define ${without} 1`, `#define ${without} 0`));
      };
    }, without || '');
    await page.goto(`http://127.0.0.1:${port}/nightdrive.html${query}`);
    await page.waitForFunction(() => window.nd && window.nd.started && document.querySelector('#canvas.menu.shown'),
      { polling: 50, timeout: 0 });
    // The menu is shown scaled up by a whole factor; clicks go to its own pixels.
    const menu = await (await page.$('#canvas')).boundingBox();
    const scale = menu.width / (await page.evaluate(() => document.getElementById('canvas').width));
    const click = ([x, y]) => page.mouse.click(menu.x + (x + 0.5) * scale, menu.y + (y + 0.5) * scale);
    if (at) await click(at);
    await click([408, 20]);
    // The page notes when the program presents its first frame with the world in it.
    await page.waitForFunction(() => window.nd.times.firstWorld !== null, { polling: 50, timeout: 0 });
    const t = await page.evaluate(() => window.nd.times);
    // A moment for the first frames' one-off work to pass.
    await new Promise((r) => setTimeout(r, 2000));
    const rate = await measure(browser, () => page.evaluate(() => window.nd.frames));
    const canvas = await page.evaluate(() => `${document.getElementById('canvas').width}x${document.getElementById('canvas').height}`);
    console.log(`browser ${width}x${height}${query ? ' fill' : ''} ${detail}${without ? ` without ${without}` : ''} (canvas ${canvas}): ${rate.text}; first world frame ${t.firstWorld.toFixed(0)} ms after opening ` +
      `(program ready ${t.runtime.toFixed(0)}, game window ${t.gameWindow.toFixed(0)})`);
    if (width === 1024 && !without) {
      const ratios = Object.keys(bare).map((n) => `${(rate.cpu / bare[n].cpu).toFixed(2)} x the bare page's CPU at ${n}${/textured/.test(n) ? '' : ' triangles'}`);
      if (nativeRows) ratios.push(`${(rate.fps / nativeRows[detail].fps).toFixed(2)} x the native frame rate`);
      console.log(`  ${detail}: ${ratios.join(', ')}`);
    }
    await page.close();
  }
  await browser.close();
  server.kill();
})().catch((e) => { console.error(e); process.exit(1); });
