// The page around nightdrive-headless. Its command line comes from the query:
//   nightdrive-headless.html?args=--frames%20120%20--trace%20/out/trace.txt
// (options separated by spaces). A driver may put input files into the program's
// file system before it starts: window.ndFiles = { '/in/script.txt': 'text' }
// (set before the page's scripts run), or the query's `input`, the text of
// /in/script.txt (for drivers that cannot run a script before the page's). When the program ends, `window.nd` holds
// ended, status, log (its output lines) and files: every file under /out, as
// { text } or, for .png, { base64 }; the page then also shows them.
'use strict';
(function () {
  const menuCanvas = document.getElementById('canvas');
  const glCanvas = document.getElementById('gl-canvas');
  const status = document.getElementById('status');
  const nd = { started: false, ended: false, status: null, log: [], messages: [], frames: 0, files: {} };
  window.nd = nd;

  const query = new URLSearchParams(location.search);
  const args = (query.get('args') || '').split(/\s+/).filter((a) => a);
  const files = Object.assign({}, window.ndFiles || {});
  if (query.has('input')) files['/in/script.txt'] = query.get('input');

  // Screenshots are read after the frame was handed to the page, by which time a
  // WebGL canvas has dropped its drawing buffer unless it is asked to keep it.
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function (kind, attributes) {
    if (kind === 'webgl2' || kind === 'webgl') attributes = Object.assign({}, attributes, { preserveDrawingBuffer: true });
    return getContext.call(this, kind, attributes);
  };

  function line(text) {
    nd.log.push(text);
    console.log(text);
  }

  function base64(bytes) {
    let s = '';
    for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(s);
  }

  // Every file the program wrote under /out.
  function collect(dir) {
    let names = [];
    try { names = FS.readdir(dir); } catch (e) { return; }
    for (const name of names) {
      if (name === '.' || name === '..') continue;
      const path = dir + '/' + name;
      const st = FS.stat(path);
      if (FS.isDir(st.mode)) { collect(path); continue; }
      const bytes = FS.readFile(path);
      nd.files[path] = /\.png$/i.test(name) ? { base64: base64(bytes) } : { text: new TextDecoder().decode(bytes) };
    }
  }

  function show(results) {
    const box = document.getElementById('results');
    const head = document.createElement('p');
    head.textContent = 'nightdrive-headless ended with status ' + nd.status + '.';
    box.appendChild(head);
    for (const [path, file] of Object.entries(results)) {
      const title = document.createElement('p');
      title.textContent = path;
      box.appendChild(title);
      if (file.base64) {
        box.appendChild(Object.assign(document.createElement('img'), { src: 'data:image/png;base64,' + file.base64 }));
      } else {
        box.appendChild(Object.assign(document.createElement('pre'), { textContent: file.text }));
      }
    }
  }

  function ended(code) {
    if (nd.ended) return;
    collect('/out');
    nd.status = code;
    nd.ended = true;
    for (const c of [menuCanvas, glCanvas]) c.classList.remove('shown');
    status.style.display = 'none';
    show(nd.files);
  }

  window.Module = {
    canvas: menuCanvas,
    arguments: args,
    print: line,
    printErr: line,
    setStatus(text) { status.textContent = text; },
    preRun: [() => {
      for (const dir of ['/in', '/out']) FS.mkdir(dir);
      for (const [path, text] of Object.entries(files)) FS.writeFile(path, text);
    }],
    onRuntimeInitialized() { nd.started = true; },
    // The next window draws on the 2-D menu canvas or the WebGL one (a canvas
    // keeps its first kind of context); the window system looks for id "canvas".
    ndSelectCanvas(gl) {
      const [next, other] = gl ? [glCanvas, menuCanvas] : [menuCanvas, glCanvas];
      [next.id, other.id] = ['canvas', gl ? 'menu-canvas' : 'gl-canvas'];
      next.classList.add('shown');
      other.classList.remove('shown');
      Module.canvas = next;
    },
    ndFrame() { nd.frames++; },
    // Nobody presses OK here: the text is on the log already.
    ndMessageBox(text) { nd.messages.push(text); },
    ndEnded: ended,
    onExit: ended,
    onAbort(what) {
      line('aborted: ' + what);
      ended(-1);
    },
  };

  // The program's end unwinds through the page's promise chain; it is no error.
  window.addEventListener('unhandledrejection', (e) => {
    if (e.reason && e.reason.name === 'ExitStatus') e.preventDefault();
  });
  window.addEventListener('error', (e) => {
    if (e.error && e.error.name === 'ExitStatus') e.preventDefault();
  });
})();
