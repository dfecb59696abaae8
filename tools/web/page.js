// The page around nightdrive: download progress, the two canvases (the menu's
// 2-D one, scaled up to fit, and the game's WebGL 2 one), the modal message
// dialog, keys kept from the browser, the "ended" screen, and the service worker
// that keeps the program for offline use. `window.nd` reports the program's state
// to whoever drives the page (the browser tests).
'use strict';
(function () {
  const menuCanvas = document.getElementById('canvas');
  const glCanvas = document.getElementById('gl-canvas');
  const status = document.getElementById('status');
  const loading = document.getElementById('loading');
  const progress = document.getElementById('progress');
  const nd = { started: false, ended: false, status: null, messages: [], dialogOpen: false, log: [], pointerPlaced: 0, frames: 0,
    offlineReady: false, offlineError: null,
    // Milliseconds since the page was opened: the program ready, the game's window
    // made, and its first frame with the world (3-D drawing) in it.
    times: { runtime: null, gameWindow: null, firstWorld: null } };
  window.nd = nd;

  // Keys the game uses never scroll or leave the page.
  const gameKeys = new Set(['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'PageUp', 'PageDown',
    'Home', 'End', 'Space', 'Tab', 'Backspace', 'KeyZ', 'KeyX', 'KeyC', 'KeyQ']);
  window.addEventListener('keydown', (e) => { if (gameKeys.has(e.code) && !nd.dialogOpen) e.preventDefault(); }, true);

  function show(canvas) {
    for (const c of [menuCanvas, glCanvas]) c.classList.toggle('shown', c === canvas);
    fitMenu();
  }

  // The menu is drawn at its own size; on the page it is shown whole, at the
  // largest scale that fits, each of its pixels a sharp block of whole device
  // pixels (the window system maps the pointer back by the shown size). A page
  // smaller than the menu (a phone held upright) shows it smaller, still in whole
  // device pixels where the screen has enough of them.
  function fitMenu() {
    const w = menuCanvas.width, h = menuCanvas.height;
    if (!w || !h) return;
    const ratio = window.devicePixelRatio || 1;
    const fits = Math.min(innerWidth / w, innerHeight / h);
    const whole = Math.floor(fits * ratio + 1e-6);
    const scale = fits >= 1 ? Math.floor(fits + 1e-6) : whole >= 1 ? whole / ratio : fits;
    const width = w * scale + 'px', height = h * scale + 'px';
    if (menuCanvas.style.width !== width) menuCanvas.style.width = width;
    if (menuCanvas.style.height !== height) menuCanvas.style.height = height;
  }
  new MutationObserver(fitMenu).observe(menuCanvas, { attributes: true, attributeFilter: ['width', 'height', 'style'] });
  window.addEventListener('resize', fitMenu);

  // Game controllers: the program reads the browser's pads in the standard
  // layout of the Gamepad API. A pad the browser cannot lay out so is left out
  // (its buttons would stand for others: any one might be start, which ends the
  // game); it is named on the log once.
  if (navigator.getGamepads) {
    // The navigator's own reading each time (whatever offers the pads by then).
    const getGamepads = () => Navigator.prototype.getGamepads.call(navigator);
    const told = new Set();
    const standard = (pad) => {
      if (!pad || pad.mapping === 'standard') return pad || null;
      if (!told.has(pad.id)) {
        told.add(pad.id);
        line('game controller "' + pad.id + '" has no standard layout; it is not used');
      }
      return null;
    };
    navigator.getGamepads = () => Array.from(getGamepads() || [], standard);
    for (const type of ['gamepadconnected', 'gamepaddisconnected']) {
      window.addEventListener(type, (e) => { if (!standard(e.gamepad)) e.stopImmediatePropagation(); }, true);
    }
  }

  // The program sleeps between its steps (the menu waits for input this way).
  // Input wakes it at once, within the event's own handling: what it does in answer
  // -- "New Game" asking for full screen and the pointer lock -- then happens
  // within the user's gesture, as browsers require (WebKit strictly). A short
  // sleep asked for while that answer runs does not leave the gesture either.
  let wake = null, sleepTimer = 0, inGesture = false;
  function wakeNow() {
    if (!wake) return;
    clearTimeout(sleepTimer);
    const resume = wake;
    wake = null;
    resume();
  }
  for (const type of ['mouseup', 'mousedown', 'keydown', 'keyup', 'touchstart', 'touchend']) {
    window.addEventListener(type, () => {
      if (!wake || nd.ended) return;
      inGesture = true;
      setTimeout(() => { inGesture = false; }, 0);
      wakeNow();
    });
  }

  // "Downloading data... (537572/6838126)" from the loader becomes a bar with the
  // share and the megabytes.
  function showProgress(text) {
    const m = /^(.*?)\.*\s*\((\d+)\/(\d+)\)/.exec(text);
    if (m && Number(m[3]) > 0) {
      const done = Number(m[2]), total = Number(m[3]);
      progress.value = done / total;
      progress.hidden = false;
      status.textContent = `${m[1]}: ${Math.floor(done / total * 100)} % (${(done / 1e6).toFixed(1)} of ${(total / 1e6).toFixed(1)} MB)`;
    } else {
      progress.hidden = !/^Downloading/.test(text);
      status.textContent = text;
    }
  }

  function line(text) {
    nd.log.push(text);
    console.log(text);
  }

  // --- Options in the page's address --------------------------------------
  // The page's address takes the program's options: ?fill marks "Fill Screen"
  // (nightdrive --fill), ?record records the drive (nightdrive --record) into
  // /drives, offered as a download when the game ends.
  const options = new URLSearchParams(location.search);
  const recording = options.has('record');
  function programArguments() {
    const args = [];
    if (options.has('fill')) args.push('--fill');
    if (recording) args.push('--record', '/drives');
    return args;
  }

  // --- Recording a drive ---------------------------------------------------
  // When the game ends, its recording -- complete once the game wrote its end
  // line -- becomes a download on the ended screen (nd.recording holds it for
  // whoever drives the page). Without ?record, that screen offers to play again
  // recording the drive.
  function offerRecording() {
    const link = document.getElementById('recording-link');
    if (!recording) {
      link.textContent = 'Play again, recording the drive';
      link.href = location.pathname + (location.search ? location.search + '&record' : '?record');
      link.removeAttribute('download');
      document.getElementById('recording').hidden = false;
      return;
    }
    let names = [];
    try { names = FS.readdir('/drives').filter((n) => /\.ndrec$/.test(n)).sort(); } catch (e) { return; }
    if (!names.length) return;
    const name = names[names.length - 1];
    const text = new TextDecoder().decode(FS.readFile('/drives/' + name));
    if (!/(^|\n)\d+ end [^\n]*\n$/.test(text)) return;
    nd.recording = { name, text };
    link.textContent = 'Download the recording of this drive (' + name + ')';
    link.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
    link.download = name;
    document.getElementById('recording').hidden = false;
  }

  // --- Fill Screen ---------------------------------------------------------
  // With "Fill Screen" the game's canvas takes the whole page and the picture is
  // drawn at the page's size in device pixels. The program asks for that size as
  // the game starts, right after the click that asked for full screen: the answer
  // waits until that request has settled and the page has taken its new size.
  let fullScreenAnswered = Promise.resolve();
  const nextFrame = () => new Promise((resolve) => requestAnimationFrame(() => resolve()));
  function fillPage(canvas) {
    canvas.classList.add('fill');
    const settled = Promise.race([fullScreenAnswered, new Promise((resolve) => setTimeout(resolve, 1000))]);
    return settled.then(nextFrame).then(nextFrame).then(() => {
      Module.ndFitCanvas(canvas);
      return [canvas.width, canvas.height];
    });
  }

  window.Module = {
    canvas: menuCanvas,
    arguments: programArguments(),
    preRun: [() => { if (recording) FS.mkdir('/drives'); }],
    ndFillSize: fillPage,
    // The game's canvas is sized by the page's style (4:3, as large as fits, or
    // the whole page with "Fill Screen"); its
    // backing store follows that size in device pixels. A new backing size clears
    // the canvas, so it is only set when it changes.
    ndFitCanvas(canvas) {
      const ratio = window.devicePixelRatio || 1;
      const width = Math.max(1, Math.round(canvas.clientWidth * ratio));
      const height = Math.max(1, Math.round(canvas.clientHeight * ratio));
      if (canvas.clientWidth > 0 && (canvas.width !== width || canvas.height !== height)) {
        canvas.width = width;
        canvas.height = height;
      }
    },
    print: line,
    printErr: line,
    setStatus(text) {
      if (!text) loading.style.display = 'none';
      else showProgress(text);
    },
    ndSleep(ms) {
      if (ms <= 0 && inGesture) return Promise.resolve();
      return new Promise((resolve) => {
        wake = resolve;
        sleepTimer = setTimeout(wakeNow, ms);
      });
    },
    onRuntimeInitialized() {
      // ?remove=<path under data/> takes a world file away first (to see the message).
      const remove = new URLSearchParams(location.search).get('remove');
      if (remove) FS.unlink('/data/' + remove);
      nd.started = true;
      nd.times.runtime = performance.now();
    },
    // The next window draws on the 2-D menu canvas or the WebGL one; the one in
    // use carries the id the window system looks for.
    ndSelectCanvas(gl) {
      const next = gl ? glCanvas : menuCanvas;
      const other = gl ? menuCanvas : glCanvas;
      other.id = gl ? 'menu-canvas' : 'gl-canvas';
      next.id = 'canvas';
      Module.canvas = next;
      show(next);
      next.focus();
      // "New Game" is the click being handled (see ndSleep): the page asks for
      // full screen (the page alone does) and the pointer lock (mouse look moves
      // a virtual pointer). Either may be refused; the game then goes on in the
      // page.
      if (gl) {
        if (nd.times.gameWindow === null) nd.times.gameWindow = performance.now();
        const lock = next.requestPointerLock && next.requestPointerLock();
        if (lock && lock.catch) lock.catch(() => {});
        const page = document.documentElement;
        const full = page.requestFullscreen && page.requestFullscreen();
        // A phone or tablet turns to landscape where its browser lets a page in
        // full screen say so.
        if (full && full.then) {
          fullScreenAnswered = full.then(() => {
            if (touchFirst && screen.orientation && screen.orientation.lock) screen.orientation.lock('landscape').catch(() => {});
          }, () => {});
        } else {
          fullScreenAnswered = Promise.resolve();
        }
        showTouchControls(touchFirst);
      } else {
        showTouchControls(false);
      }
    },
    ndPointerPlaced() { nd.pointerPlaced++; },
    ndFrame(world) {
      nd.frames++;
      if (world && nd.times.firstWorld === null) nd.times.firstWorld = performance.now();
    },
    ndMessageBox(text) {
      nd.messages.push(text);
      // The dialog needs the pointer and a page around it.
      if (document.pointerLockElement) document.exitPointerLock();
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      const dialog = document.getElementById('dialog');
      document.getElementById('dialog-text').textContent = text;
      nd.dialogOpen = true;
      return new Promise((resolve) => {
        dialog.addEventListener('close', () => { nd.dialogOpen = false; resolve(); }, { once: true });
        dialog.showModal();
      });
    },
    ndEnded(code) {
      nd.ended = true;
      nd.status = code;
      showTouchControls(false);
      show(null);
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      if (document.pointerLockElement) document.exitPointerLock();
      document.getElementById('ended-text').textContent =
        code === 0 ? 'nightdrive has ended.' : 'nightdrive has ended with an error (status ' + code + ').';
      document.getElementById('again').href = location.href;
      offerRecording();
      document.getElementById('ended').style.display = 'block';
      loading.style.display = 'none';
    },
    onExit(code) { if (!nd.ended) Module.ndEnded(code); },
    onAbort(what) {
      line('aborted: ' + what);
      if (!nd.ended) Module.ndEnded(-1);
    },
  };
  // While the game holds the pointer locked, its motion moves the game's virtual
  // pointer (which re-centring places) rather than the window system's.
  glCanvas.addEventListener('mousemove', (e) => {
    if (document.pointerLockElement !== glCanvas || !Module._nd_pointer_moved || nd.ended) return;
    e.stopImmediatePropagation();
    if (e.movementX | e.movementY) Module._nd_pointer_moved(e.movementX | 0, e.movementY | 0);
  }, true);

  // --- Touch ------------------------------------------------------------------
  // While the world is shown, touches never reach the game as they are (one would
  // arrive as a click, and a click ends the game): the on-screen controls turn
  // them into what the keyboard and the mouse give. The stick holds the arrow
  // keys (a touch anywhere in the left half takes the stick there), the buttons
  // hold their keys, a drag in the right half moves the game's pointer as the
  // mouse's motion does, and only the end control gives the click that ends the
  // game. The controls show while the game is played by touch -- from the start
  // on a device whose main pointer is a finger -- and hide when a mouse or the
  // keyboard is used.
  const touchBox = document.getElementById('touch');
  const stick = document.getElementById('stick');
  const knob = document.getElementById('stick-knob');
  const endControl = document.getElementById('touch-end');
  const touchFirst = matchMedia('(pointer: coarse)').matches;
  const keyInfo = {
    ArrowUp: ['ArrowUp', 38], ArrowDown: ['ArrowDown', 40], ArrowLeft: ['ArrowLeft', 37], ArrowRight: ['ArrowRight', 39],
    PageUp: ['PageUp', 33], PageDown: ['PageDown', 34], KeyZ: ['z', 90], KeyX: ['x', 88], KeyC: ['c', 67], KeyQ: ['q', 81],
  };
  const heldKeys = new Map();  // key code -> how many touches hold it
  const touches = new Map();  // touch identifier -> what it does

  function sendKey(type, code) {
    const [key, keyCode] = keyInfo[code];
    const e = new KeyboardEvent(type, { key, code, bubbles: true, cancelable: true });
    for (const name of ['keyCode', 'which']) Object.defineProperty(e, name, { get: () => keyCode });
    window.dispatchEvent(e);
  }
  function holdKey(code) {
    const n = heldKeys.get(code) || 0;
    heldKeys.set(code, n + 1);
    if (n === 0) sendKey('keydown', code);
  }
  function releaseKey(code) {
    const n = heldKeys.get(code) || 0;
    if (n > 1) heldKeys.set(code, n - 1);
    else if (n === 1) {
      heldKeys.delete(code);
      sendKey('keyup', code);
    }
  }

  // The click that ends the game, in the middle of its picture.
  function clickGame() {
    const r = glCanvas.getBoundingClientRect();
    const at = { bubbles: true, cancelable: true, view: window, button: 0, clientX: r.left + r.width / 2, clientY: r.top + r.height / 2 };
    glCanvas.dispatchEvent(new MouseEvent('mousedown', Object.assign({ buttons: 1 }, at)));
    glCanvas.dispatchEvent(new MouseEvent('mouseup', Object.assign({ buttons: 0 }, at)));
  }

  function letGo(id) {
    const t = touches.get(id);
    if (!t) return;
    touches.delete(id);
    if (t.keys) for (const code of t.keys) releaseKey(code);
    if (t.element) t.element.classList.remove('held');
    if (t.kind === 'stick') knob.style.transform = '';
  }

  function showTouchControls(on) {
    if (!on) for (const id of [...touches.keys()]) letGo(id);
    touchBox.classList.toggle('on', on);
    document.documentElement.classList.toggle('touch-play', on);
    nd.touchControls = on;
  }

  const playing = () => glCanvas.classList.contains('shown') && !nd.ended && !nd.dialogOpen;
  const inside = (el, x, y) => {
    const r = el.getBoundingClientRect();
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  };

  // The arrows the stick holds for a lean of (dx, dy) from its centre: each past
  // a third of its radius.
  function leanStick(t, x, y) {
    const radius = stick.offsetWidth / 2;
    let dx = x - t.x, dy = y - t.y;
    const length = Math.hypot(dx, dy);
    if (length > radius) [dx, dy] = [dx * radius / length, dy * radius / length];
    knob.style.transform = `translate(${dx}px, ${dy}px)`;
    const dead = radius / 3;
    const want = new Set();
    if (dy < -dead) want.add('ArrowUp');
    if (dy > dead) want.add('ArrowDown');
    if (dx < -dead) want.add('ArrowLeft');
    if (dx > dead) want.add('ArrowRight');
    for (const code of t.keys) if (!want.has(code)) releaseKey(code);
    for (const code of want) if (!t.keys.has(code)) holdKey(code);
    t.keys = want;
  }

  function touchStarted(touch) {
    const x = touch.clientX, y = touch.clientY;
    const button = [...touchBox.querySelectorAll('[data-key]')].find((b) => inside(b, x, y));
    let t;
    if (inside(endControl, x, y)) {
      t = { kind: 'end', element: endControl };
    } else if (button) {
      t = { kind: 'key', element: button, keys: new Set([button.dataset.key]) };
      holdKey(button.dataset.key);
    } else if (x < innerWidth / 2 && ![...touches.values()].some((o) => o.kind === 'stick')) {
      // On the stick, its centre; elsewhere in the left half, where the thumb is.
      const r = stick.getBoundingClientRect();
      const onStick = inside(stick, x, y);
      t = { kind: 'stick', element: stick, keys: new Set(),
        x: onStick ? r.left + r.width / 2 : x, y: onStick ? r.top + r.height / 2 : y };
      leanStick(t, x, y);
    } else if (x >= innerWidth / 2) {
      t = { kind: 'look', x, y, restX: 0, restY: 0 };
    } else {
      t = { kind: 'none' };
    }
    if (t.element) t.element.classList.add('held');
    touches.set(touch.identifier, t);
  }

  function touchMoved(touch) {
    const t = touches.get(touch.identifier);
    if (!t) return;
    if (t.kind === 'stick') leanStick(t, touch.clientX, touch.clientY);
    if (t.kind === 'look' && Module._nd_pointer_moved) {
      // Whole pixels, the fractions kept for the next move.
      t.restX += touch.clientX - t.x;
      t.restY += touch.clientY - t.y;
      [t.x, t.y] = [touch.clientX, touch.clientY];
      const dx = Math.trunc(t.restX), dy = Math.trunc(t.restY);
      t.restX -= dx;
      t.restY -= dy;
      if (dx | dy) Module._nd_pointer_moved(dx, dy);
    }
  }

  function touchEnded(touch, cancelled) {
    const t = touches.get(touch.identifier);
    letGo(touch.identifier);
    if (t && t.kind === 'end' && !cancelled && inside(endControl, touch.clientX, touch.clientY)) clickGame();
  }

  const onTouch = (e) => {
    if (!playing()) return;
    e.preventDefault();
    e.stopPropagation();
    if (!touchBox.classList.contains('on')) showTouchControls(true);
    for (const touch of e.changedTouches) {
      if (e.type === 'touchstart') touchStarted(touch);
      else if (e.type === 'touchmove') touchMoved(touch);
      else touchEnded(touch, e.type === 'touchcancel');
    }
  };
  for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel']) {
    window.addEventListener(type, onTouch, { capture: true, passive: false });
  }
  // A mouse or the keyboard put to use hides the controls (the page's own keys
  // and clicks are not the user's).
  const notTouch = (e) => {
    if (!e.isTrusted || !touchBox.classList.contains('on')) return;
    if (e.type === 'mousemove' && !(e.movementX || e.movementY)) return;
    showTouchControls(false);
  };
  for (const type of ['mousemove', 'mousedown', 'keydown']) window.addEventListener(type, notTouch, true);
  window.addEventListener('blur', () => { for (const id of [...touches.keys()]) letGo(id); });

  // The program's end unwinds through the page's promise chain; it is no error.
  window.addEventListener('unhandledrejection', (e) => {
    if (e.reason && e.reason.name === 'ExitStatus') e.preventDefault();
  });
  window.addEventListener('error', (e) => {
    if (e.error && e.error.name === 'ExitStatus') e.preventDefault();
  });
  show(menuCanvas);

  // The service worker keeps this build's files for offline use (sw.js, written
  // at build time with the build's version); nd.offlineReady says it holds them.
  if ('serviceWorker' in navigator && /^https?:$/.test(location.protocol)) {
    navigator.serviceWorker.register('sw.js').then(() => navigator.serviceWorker.ready)
      .then(() => { nd.offlineReady = true; }, (e) => {
        nd.offlineError = String(e && e.message);
        line('offline copy unavailable: ' + nd.offlineError);
      });
  }
})();
