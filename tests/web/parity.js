// The runner in the browser (nightdrive-headless.html, WebGL 2) against the native
// runner (nightdrive-headless, OpenGL), in each browser engine (engines.js;
// ND_WEB_ENGINES picks some): the same options and script give the same trace
// frame for frame -- angles, switches and counters identical, positions within
// 1e-9 -- and screenshots that differ in only a small share of pixels. The native
// runner runs each case once for all engines.
// Usage: node parity.js <build-web folder> <native nightdrive-headless>
//   (or ND_NATIVE_HEADLESS for the second; NODE_PATH must reach puppeteer-core)
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const engines = require('./engines');
const { startServer } = require('./server');

const build = path.resolve(process.argv[2] || 'build-web');
const native = path.resolve(process.argv[3] || process.env.ND_NATIVE_HEADLESS || 'build-test/nightdrive-headless');
const timeoutMs = Number(process.env.ND_WEB_TIMEOUT_MS || 300000);

// Doubles that go through sine and cosine may differ in the last bits between the
// two C libraries; everything else must be identical.
const nearFields = new Set(['PosX', 'PosY', 'PosZ', 'Speed']);
const positionTolerance = 1e-9;
// The textures are sampled without filtering, so where the two rasterisers
// interpolate texture coordinates a hair apart a pixel takes the neighbouring
// texel: about 5 % of pixels differ by more than a few levels. A pixel counts as
// different only where no pixel within one pixel of it in the other picture comes
// within `pixelLevels` per channel; a shot may have at most `pixelShare` of those
// (measured: at most 0.64 %, wireframe 0.43 %).
const pixelLevels = 8;
const pixelShare = 0.01;

// Pointer moves of `dx` a frame from the centre the game puts the pointer at, put
// back at the centre when the game re-centres it near the edges.
function pointerMoves(first, last, dx, dy) {
  let x = 500, y = 350, script = '';
  for (let frame = first; frame <= last; frame++) {
    x += dx;
    y += dy;
    script += `${frame} mousemove ${x} ${y}\n`;
    if (x > 900 || x < 100 || y > 700 || y < 100) [x, y] = [500, 350];
  }
  return script;
}

const cases = [
  { name: 'keys: arrows, page keys, Z/X/C', args: '--frames 90 --size 640x480 --detail medium', shots: [40, 90],
    script: '2 keydown Up\n20 keydown Left\n30 keyup Left\n35 keyup Up\n36 keydown Down\n42 keyup Down\n' +
      '43 keydown Right\n50 keyup Right\n51 keydown PageUp\n58 keyup PageUp\n59 keydown PageDown\n62 keyup PageDown\n' +
      '64 press Z\n66 press Z\n68 press X\n70 press X\n72 press X\n74 press C\n80 press C\n86 press Z\n' },
  { name: 'mouse look with re-centring', args: '--frames 80 --size 1024x768', shots: [50, 80],
    script: pointerMoves(2, 50, 23, 0) + pointerMoves(51, 64, 0, -9) + pointerMoves(65, 78, -31, 14) },
  // The car meets the yard's wall at about frame 73 and stays there.
  { name: 'car mode against the walls', args: '--frames 100 --size 640x480 --collision --detail low', shots: [100],
    script: '1 keydown Up\n80 keydown Left\n90 keyup Left\n' },
  { name: 'night with lights and fog', args: '--frames 70 --size 800x600 --night --detail high', shots: [70],
    script: '2 keydown Up\n40 keydown Right\n55 keyup Right\n' },
  // Both end at once with status 2 and the same complaint, frames drawn or not.
  { name: 'a broken script', args: '--frames 5', shots: [], script: '2 keydown Up\n3 jump Up\n', status: 2 },
  { name: 'wireframe (Q)', args: '--frames 40 --size 1024x768', shots: [40],
    script: '3 press Q\n5 keydown Up\n30 keydown Left\n' },
  // The pad scripts of the native runner's tests: each button and axis of the
  // virtual pad does in the page what it does natively. The virtual pad lives in
  // the program (SDL's), so these run the same code in every engine: Chromium
  // alone runs them (the page test drives a pad through each engine's own
  // Gamepad API); where Chromium is not chosen, the first engine chosen does.
  { oneEngine: true, name: 'pad: sticks and d-pad drive and turn', args: '--frames 50 --size 640x480', shots: [],
    script: '1 padadd\n2 padaxis lefty -32768\n10 padbutton dpleft down\n20 padbutton dpleft up\n' +
      '25 padaxis leftx 9000\n30 padaxis leftx 7999\n40 padaxis lefty -8000\n41 padbutton dpdown down\n' +
      '45 padbutton dpdown up\n46 padbutton dpright down\n48 padbutton dpup down\n' },
  { oneEngine: true, name: 'pad: buttons as keys', args: '--frames 20 --size 640x480', shots: [20],
    script: '1 padadd\n2 padbutton y down\n3 padbutton y up\n4 padbutton y down\n5 padbutton y up\n' +
      '5 padbutton x down\n6 padbutton x up\n7 padbutton b down\n8 padbutton b up\n' +
      '8 padbutton leftshoulder down\n12 padbutton leftshoulder up\n13 padbutton rightshoulder down\n' +
      '15 padbutton rightshoulder up\n16 padbutton back down\n17 padbutton back up\n' +
      '18 padbutton a down\n19 padbutton a up\n' },
  { oneEngine: true, name: 'pad: right stick looks', args: '--frames 80 --size 640x480', shots: [],
    script: '1 padadd\n2 padaxis rightx 32767\n61 padaxis rightx 0\n61 padaxis righty -32768\n71 padaxis righty 0\n' +
      '71 padaxis rightx -20000\n76 padaxis rightx 8000\n' },
  { oneEngine: true, name: 'pad: unplugged mid-press', args: '--frames 40 --size 640x480', shots: [],
    script: '1 padadd\n2 padbutton dpup down\n3 padaxis leftx -32768\n30 padremove\n35 padadd\n36 padbutton rightshoulder down\n' },
  { oneEngine: true, name: 'pad: start ends as a click', args: '--frames 100', shots: [],
    script: '1 padadd\n10 padbutton start down\n' },
  { oneEngine: true, name: 'pad: walks the menu', args: '--frames 5', shots: [],
    script: '0 padadd\n' + ['dpdown', 'dpleft', 'dpdown', 'dpdown', 'dpdown', 'a', 'dpright', 'dpup', 'a']
      .map((b) => `0 padbutton ${b} down\n0 padbutton ${b} up\n`).join('') },
];

// --- PNG (8-bit RGB/RGBA, no interlace) ------------------------------------
function decodePng(buf) {
  let at = 8, width = 0, height = 0, channels = 4;
  const idat = [];
  while (at < buf.length) {
    const len = buf.readUInt32BE(at);
    const type = buf.toString('latin1', at + 4, at + 8);
    const data = buf.subarray(at + 8, at + 8 + len);
    if (type === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      if (data[8] !== 8 || data[12] !== 0 || (data[9] !== 2 && data[9] !== 6)) throw new Error('unsupported PNG');
      channels = data[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      idat.push(data);
    }
    at += 12 + len;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * 4);
  let prev = Buffer.alloc(stride), row = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? row[i - channels] : 0, b = prev[i], c = i >= channels ? prev[i - channels] : 0;
      let p = 0;
      if (filter === 1) p = a;
      else if (filter === 2) p = b;
      else if (filter === 3) p = (a + b) >> 1;
      else if (filter === 4) {
        const pa = Math.abs(b - c), pb = Math.abs(a - c), pc = Math.abs(a + b - 2 * c);
        p = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      row[i] = (line[i] + p) & 255;
    }
    for (let x = 0; x < width; x++) {
      for (let k = 0; k < 3; k++) out[(y * width + x) * 4 + k] = row[x * channels + k];
      out[(y * width + x) * 4 + 3] = channels === 4 ? row[x * channels + 3] : 255;
    }
    [prev, row] = [row, prev];
  }
  return { width, height, rgba: out };
}

// The share of pixels of `a` with no pixel of `b` within one pixel and
// `pixelLevels` per channel, both ways (the larger), the plain share of pixels
// that differ by more than `pixelLevels`, and the number of distinct colours (up
// to 64; a whole picture has many).
function comparePictures(a, b) {
  if (a.width !== b.width || a.height !== b.height) return { error: `sizes ${a.width}x${a.height} and ${b.width}x${b.height}` };
  const { width, height } = a;
  const close = (p, i, q, j) => Math.abs(p[i] - q[j]) <= pixelLevels && Math.abs(p[i + 1] - q[j + 1]) <= pixelLevels &&
    Math.abs(p[i + 2] - q[j + 2]) <= pixelLevels;
  const unmatched = (p, q) => {
    let count = 0;
    for (let y = 0; y < height; y++) {
      for (let x = 0; x < width; x++) {
        const i = (y * width + x) * 4;
        let found = false;
        for (let yy = Math.max(0, y - 1); yy <= Math.min(height - 1, y + 1) && !found; yy++)
          for (let xx = Math.max(0, x - 1); xx <= Math.min(width - 1, x + 1) && !found; xx++)
            found = close(p, i, q, (yy * width + xx) * 4);
        if (!found) count++;
      }
    }
    return count / (width * height);
  };
  let plain = 0;
  const colours = new Set();
  for (let i = 0; i < a.rgba.length; i += 4) {
    if (!close(a.rgba, i, b.rgba, i)) plain++;
    if (colours.size < 64) colours.add(a.rgba.readUInt32BE(i));
  }
  return { share: Math.max(unmatched(a.rgba, b.rgba), unmatched(b.rgba, a.rgba)), plain: plain / (width * height),
    colours: colours.size };
}

// --- Traces -----------------------------------------------------------------
function parseTrace(text) {
  return text.split('\n').filter((l) => l.trim()).map((l) => JSON.parse(l));
}

// The first difference between two traces (null when none) and the largest
// position difference.
function compareTraces(web, nat) {
  let maxDelta = 0;
  if (web.length !== nat.length) return { error: `${web.length} frames in the browser, ${nat.length} natively`, maxDelta };
  for (let i = 0; i < web.length; i++) {
    const keys = new Set([...Object.keys(web[i]), ...Object.keys(nat[i])]);
    for (const key of keys) {
      const w = web[i][key], n = nat[i][key];
      if (nearFields.has(key) && typeof w === 'number' && typeof n === 'number') {
        const delta = Math.abs(w - n);
        maxDelta = Math.max(maxDelta, delta);
        if (!(delta <= positionTolerance)) return { error: `frame ${i + 1}: ${key} ${w} vs ${n}`, maxDelta };
      } else if (JSON.stringify(w) !== JSON.stringify(n)) {
        return { error: `frame ${i + 1}: ${key} ${JSON.stringify(w)} vs ${JSON.stringify(n)}`, maxDelta };
      }
    }
  }
  return { error: null, maxDelta };
}

// --- The two runners ----------------------------------------------------------
// What a runner left: its status, its complaint (the line after the script's
// name), its trace and its shots.
function outcome(status, errorText, trace, shots) {
  const m = /nightdrive-headless: .*script\.txt: (.*)/.exec(errorText);
  return { status, complaint: m ? m[1] : null, trace, shots };
}

function runNative(c, dir) {
  fs.writeFileSync(path.join(dir, 'script.txt'), c.script);
  const args = [...c.args.split(' '), '--input', path.join(dir, 'script.txt'), '--trace', path.join(dir, 'trace.txt')];
  for (const f of c.shots) args.push('--shot', `${f}:${path.join(dir, `shot-${f}.png`)}`);
  return new Promise((resolve, reject) => {
    const child = spawn(native, args, { stdio: ['ignore', 'ignore', 'pipe'] });
    let stderr = '';
    child.stderr.on('data', (d) => { stderr += d; });
    child.on('error', reject);
    child.on('exit', (code) => {
      const shots = {};
      for (const f of c.shots) {
        const file = path.join(dir, `shot-${f}.png`);
        if (fs.existsSync(file)) shots[f] = fs.readFileSync(file);
      }
      const trace = path.join(dir, 'trace.txt');
      resolve(outcome(code, stderr, fs.existsSync(trace) ? fs.readFileSync(trace, 'utf8') : '', shots));
    });
  });
}

async function runWeb(engine, origin, c) {
  const args = [...c.args.split(' '), '--input', '/in/script.txt', '--trace', '/out/trace.txt'];
  for (const f of c.shots) args.push('--shot', `${f}:/out/shot-${f}.png`);
  const page = await engine.newPage();
  try {
    await page.setViewport(1024, 768);
    await page.goto(`${origin}/nightdrive-headless.html?args=${encodeURIComponent(args.join(' '))}` +
      `&input=${encodeURIComponent(c.script)}`);
    const end = Date.now() + timeoutMs;
    while (!(await page.evaluate(() => !!(window.nd && window.nd.ended)))) {
      if (Date.now() > end) throw new Error('timed out waiting for the runner to end');
      await new Promise((r) => setTimeout(r, 250));
    }
    const nd = await page.evaluate(() => window.nd);
    const shots = {};
    for (const f of c.shots) {
      const file = nd.files[`/out/shot-${f}.png`];
      if (file) shots[f] = Buffer.from(file.base64, 'base64');
    }
    const trace = nd.files['/out/trace.txt'];
    return outcome(nd.status, nd.log.join('\n'), trace ? trace.text : '', shots);
  } finally {
    await page.close();
  }
}

// Both runners' outcomes for one case, compared; null when they agree, else the
// problems; `figures` gets the numbers either way.
function compare(c, web, nat, keep, engineName, figures) {
  const problems = [];
  const status = c.status || 0;
  if (web.status !== status || nat.status !== status) {
    problems.push(`status ${web.status} in the browser, ${nat.status} natively, not ${status}`);
  }
  if (web.complaint !== nat.complaint) problems.push(`complaints '${web.complaint}' and '${nat.complaint}'`);
  const traces = compareTraces(parseTrace(web.trace), parseTrace(nat.trace));
  if (traces.error) problems.push(traces.error);
  const shares = [];
  for (const f of c.shots) {
    if (!web.shots[f] || !nat.shots[f]) {
      problems.push(`shot ${f} missing`);
      continue;
    }
    if (keep) {
      fs.mkdirSync(keep, { recursive: true });
      const stem = c.name.replace(/[^a-z0-9]+/gi, '-');
      fs.writeFileSync(path.join(keep, `${stem}-${f}-${engineName}.png`), web.shots[f]);
      fs.writeFileSync(path.join(keep, `${stem}-${f}-native.png`), nat.shots[f]);
    }
    const a = decodePng(web.shots[f]), b = decodePng(nat.shots[f]);
    const expected = (c.args.match(/--size (\d+)x(\d+)/) || [null, 1024, 768]).slice(1).map(Number);
    if (a.width !== expected[0] || a.height !== expected[1]) problems.push(`shot ${f}: ${a.width}x${a.height}`);
    const cmp = comparePictures(a, b);
    if (cmp.error) problems.push(`shot ${f}: ${cmp.error}`);
    else if (cmp.colours < 16) problems.push(`shot ${f}: only ${cmp.colours} colours, not a whole picture`);
    else if (cmp.share > pixelShare) problems.push(`shot ${f}: ${(cmp.share * 100).toFixed(2)} % of pixels unmatched`);
    if (!cmp.error) shares.push(`${f}: ${(cmp.share * 100).toFixed(2)} % (plain ${(cmp.plain * 100).toFixed(1)} %)`);
  }
  figures.push(`max position difference ${traces.maxDelta.toExponential(1)}` +
    (shares.length ? `; pixels unmatched ${shares.join(', ')}` : ''));
  return problems.length ? problems : null;
}

(async () => {
  if (!fs.existsSync(native)) throw new Error('no native runner at ' + native);
  const keep = process.env.ND_PARITY_KEEP;  // a folder to keep both runners' files in
  const began = Date.now();
  const { server, port } = await startServer(build);
  const origin = `http://127.0.0.1:${port}`;
  const only = process.env.ND_WEB_ONLY;
  const chosen = cases.filter((c) => !only || c.name.includes(only));
  // The native runner's outcome of each case, run once (beside the first engine's).
  const natives = new Map();
  const nativeOf = (c) => {
    if (!natives.has(c.name)) {
      natives.set(c.name, (async () => {
        const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'nd-parity-'));
        try { return await runNative(c, dir); } finally { fs.rmSync(dir, { recursive: true, force: true }); }
      })());
    }
    return natives.get(c.name);
  };
  let failed = 0;
  const oneEngine = engines.chosen().includes('chromium') ? 'chromium' : engines.chosen()[0];
  for (const name of engines.chosen()) {
    const engineBegan = Date.now();
    let engine, agreed = 0;
    try {
      engine = await engines.launch(name);
    } catch (e) {
      failed++;
      console.log(`FAIL ${name}: ${e.message}`);
      continue;
    }
    const skipped = chosen.filter((c) => c.oneEngine && name !== oneEngine);
    if (skipped.length) {
      console.log(`  ${name}: ${skipped.map((c) => c.name).join(', ')}: the same code in every engine, run in ${oneEngine}`);
    }
    const mine = chosen.filter((c) => !skipped.includes(c));
    for (const c of mine) {
      const caseBegan = Date.now();
      try {
        const [web, nat] = await Promise.all([runWeb(engine, origin, c), nativeOf(c)]);
        const figures = [];
        const problems = compare(c, web, nat, keep, name, figures);
        const seconds = ((Date.now() - caseBegan) / 1000).toFixed(1);
        if (problems) {
          failed++;
          console.log(`FAIL ${name}: ${c.name} (${seconds} s): ${problems.join('; ')} (${figures[0]})`);
        } else {
          agreed++;
          console.log(`ok   ${name}: ${c.name} (${seconds} s): ${figures[0]}`);
        }
      } catch (e) {
        failed++;
        console.log(`FAIL ${name}: ${c.name}: ${e.message}`);
      }
    }
    await engine.close();
    console.log(`parity ${name}: ${agreed} of ${mine.length} cases agree (${((Date.now() - engineBegan) / 1000).toFixed(1)} s)`);
  }
  server.kill();
  console.log(`parity: ${((Date.now() - began) / 1000).toFixed(1)} s in all`);
  process.exit(failed ? 1 : 0);
})().catch((e) => { console.error(e); process.exit(1); });
