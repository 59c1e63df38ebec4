// The page of the browser version.
//
// index.html?variant=320|640 runs the demo (live mode). With &seed=S and
// &time=T (or &picture) it draws one still frame, the one that
// `ombrith-render --variant V --seed S --time T` (or --picture) writes.
// The page reports through document.documentElement.dataset: `exitStatus`
// when the live demo has ended, `frame` = "ready" when a still is drawn.
//
// Around the picture: a click or tap toggles full screen, a short hint says
// so at the start, touch screens get a way to end the demo (a two-finger tap
// or the End control), and with reduced motion asked for the demo waits on
// its set-up picture until it is started.
'use strict';

(function () {
  // page.js runs: the note that says it did not goes.
  document.getElementById('unloaded').remove();
  const root = document.documentElement;
  const canvas = document.getElementById('screen');
  const messageBox = document.getElementById('message');
  const hint = document.getElementById('hint');
  const endControl = document.getElementById('end');
  const startControl = document.getElementById('start');
  const liveLabel = canvas.getAttribute('aria-label');

  function say(text) {
    messageBox.textContent = text;
    messageBox.hidden = false;
    fitCanvas();
  }

  // Scales the canvas by the largest whole number of *device* pixels per
  // source pixel that fits the window above the message line, at any pixel
  // ratio, and puts it on whole device pixels, so every source pixel comes
  // out the same size. When not even one device pixel per source pixel fits,
  // the picture is scaled down smoothly to fit. The scale is a transform of
  // a canvas laid out at one CSS pixel per source pixel: a size in fractions
  // of CSS pixels would be rounded by the layout and lose or share a column.
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const reserved = messageBox.hidden ? 0 : messageBox.offsetHeight;
    const areaWidth = Math.floor(window.innerWidth * ratio);
    const areaHeight = Math.floor(Math.max(0, window.innerHeight - reserved) * ratio);
    let factor = Math.min(areaWidth / canvas.width, areaHeight / canvas.height);
    if (factor >= 1) {
      factor = Math.floor(factor);
      canvas.style.imageRendering = 'pixelated';
    } else {
      canvas.style.imageRendering = 'auto';
    }
    const width = Math.floor(canvas.width * factor);
    const height = Math.floor(canvas.height * factor);
    canvas.style.width = canvas.width + 'px';
    canvas.style.height = canvas.height + 'px';
    canvas.style.transform = 'scale(' + factor / ratio + ')';
    canvas.style.left = placeOnDevicePixel(areaWidth - width, ratio) / ratio + 'px';
    canvas.style.top = placeOnDevicePixel(areaHeight - height, ratio) / ratio + 'px';
  }

  // The device pixel near the middle of `free` device pixels where the
  // picture starts: one whose CSS position the layout holds exactly (in
  // 1/64 CSS pixels), so the first column or row is not shared with the
  // border.
  function placeOnDevicePixel(free, ratio) {
    const middle = Math.floor(free / 2);
    const exact = (px) => {
      const units = px / ratio * 64;
      return Math.abs(units - Math.round(units)) < 1e-6;
    };
    for (let d = 0; d <= 64; ++d) {
      if (middle - d >= 0 && exact(middle - d)) return middle - d;
      if (middle + d <= free && exact(middle + d)) return middle + d;
    }
    return middle;
  }
  window.addEventListener('resize', fitCanvas);
  document.addEventListener('fullscreenchange', fitCanvas);
  // The pixel ratio changes with zoom and with a move to another screen.
  let ratioQuery = null;
  function followRatio() {
    if (ratioQuery) ratioQuery.removeEventListener('change', onRatioChange);
    ratioQuery = window.matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
    ratioQuery.addEventListener('change', onRatioChange);
  }
  function onRatioChange() {
    fitCanvas();
    followRatio();
  }
  followRatio();

  // Full screen on a click or tap on the picture, and back. Without element
  // full screen (an iPhone has none, and shows the page full screen anyway;
  // a frame may not allow it) nothing happens and the hint does not offer it.
  const requestFullScreen =
    root.requestFullscreen && document.fullscreenEnabled !== false ? root.requestFullscreen
      : root.webkitRequestFullscreen && document.webkitFullscreenEnabled !== false
        ? root.webkitRequestFullscreen : null;
  const fullScreenAvailable = Boolean(requestFullScreen);
  function toggleFullScreen() {
    const d = document;
    let result;
    if (d.fullscreenElement || d.webkitFullscreenElement) {
      result = (d.exitFullscreen || d.webkitExitFullscreen).call(d);
    } else if (fullScreenAvailable) {
      result = requestFullScreen.call(root);
    }
    if (result && result.catch) result.catch(() => {});
  }
  canvas.addEventListener('click', toggleFullScreen);

  const touchScreen = (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) ||
    navigator.maxTouchPoints > 0;

  // The hint (and on touch screens the End control) shows for a few seconds
  // at the start, and again after a tap; it never stays over the picture.
  let hintTimer = 0;
  function showHint() {
    const parts = touchScreen
      ? [fullScreenAvailable ? 'tap for full screen' : '', 'two-finger tap ends']
      : ['Esc ends', fullScreenAvailable ? 'click for full screen' : ''];
    const text = parts.filter(Boolean).join(' - ');
    hint.textContent = text.charAt(0).toUpperCase() + text.slice(1);
    hint.hidden = false;
    endControl.hidden = !touchScreen;
    // Shown on the next frame, so the fade-in runs.
    requestAnimationFrame(() => {
      hint.classList.add('shown');
      endControl.classList.add('shown');
    });
    clearTimeout(hintTimer);
    hintTimer = setTimeout(hideHint, 3500);
  }
  function hideHint() {
    clearTimeout(hintTimer);
    hint.classList.remove('shown');
    endControl.classList.remove('shown');
    hintTimer = setTimeout(() => {
      hint.hidden = true;
      endControl.hidden = true;
    }, 1000);
  }

  // A finite decimal number, as the render tool reads one.
  function parseNumber(name, text) {
    if (!/^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$/.test(text)) {
      throw new Error(name + ' needs a finite number, not "' + text + '"');
    }
    const value = parseFloat(text);
    if (!Number.isFinite(value)) throw new Error(name + ' needs a finite number, not "' + text + '"');
    return value;
  }

  function readParameters() {
    const params = new URLSearchParams(window.location.search);
    for (const key of params.keys()) {
      if (!['variant', 'seed', 'time', 'picture'].includes(key)) {
        throw new Error('unknown parameter "' + key + '": use variant, seed, time or picture');
      }
      if (params.getAll(key).length > 1) throw new Error('"' + key + '" is given more than once');
    }
    const variant = params.has('variant') ? params.get('variant') : '320';
    if (variant !== '320' && variant !== '640') {
      throw new Error('unknown variant "' + variant + '": use 320 or 640');
    }
    const still = params.has('seed') || params.has('time') || params.has('picture');
    if (!still) return {variant, still: false};
    if (!params.has('seed')) throw new Error('a still frame needs seed=S');
    const picture = params.has('picture');
    if (picture && params.get('picture') !== '') throw new Error('picture takes no value');
    if (picture === params.has('time')) throw new Error('a still frame needs either time=T or picture');
    const seed = parseNumber('seed', params.get('seed'));
    if (seed === -1) {
      throw new Error('seed -1 is not a seed but "from the clock"; give another number');
    }
    return {
      variant, still: true, picture, seed,
      time: picture ? 0 : parseNumber('time', params.get('time')),
    };
  }

  // Key codes of the DOM as USB HID usages (keyboard page), which the
  // program turns into virtual keys and scan codes.
  const usages = {
    Enter: 40, Escape: 41, Backspace: 42, Tab: 43, Space: 44, Minus: 45, Equal: 46,
    BracketLeft: 47, BracketRight: 48, Backslash: 49, Semicolon: 51, Quote: 52,
    Backquote: 53, Comma: 54, Period: 55, Slash: 56, CapsLock: 57, PrintScreen: 70,
    ScrollLock: 71, Pause: 72, Insert: 73, Home: 74, PageUp: 75, Delete: 76, End: 77,
    PageDown: 78, ArrowRight: 79, ArrowLeft: 80, ArrowDown: 81, ArrowUp: 82, NumLock: 83,
    NumpadDivide: 84, NumpadMultiply: 85, NumpadSubtract: 86, NumpadAdd: 87,
    NumpadEnter: 88, NumpadDecimal: 99, IntlBackslash: 100, ContextMenu: 101,
    ControlLeft: 224, ShiftLeft: 225, AltLeft: 226, MetaLeft: 227, ControlRight: 228,
    ShiftRight: 229, AltRight: 230, MetaRight: 231,
  };
  function usageOf(code) {
    let m;
    if ((m = /^Key([A-Z])$/.exec(code))) return 4 + m[1].charCodeAt(0) - 65;
    if ((m = /^Digit([0-9])$/.exec(code))) return m[1] === '0' ? 39 : 29 + Number(m[1]);
    if ((m = /^F([1-9]|1[0-2])$/.exec(code))) return 57 + Number(m[1]);
    if ((m = /^Numpad([0-9])$/.exec(code))) return m[1] === '0' ? 98 : 88 + Number(m[1]);
    return usages[code] || 0;
  }
  function modifiersOf(event) {
    return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0) |
      (event.getModifierState && event.getModifierState('CapsLock') ? 8 : 0) |
      (event.getModifierState && event.getModifierState('NumLock') ? 16 : 0);
  }

  const rebuild = 'build the site with `make web` and serve it (e.g. `make serve`)';

  function loadScript(variant) {
    const name = 'ombrith' + variant + '.js';
    const global = 'OmbrithModule' + variant;
    return new Promise((resolve, reject) => {
      // A script that arrives but does not run (cut short, say) still
      // loads; its error goes to the window.
      const url = new URL(name, document.baseURI).href;
      let broken = 'it does not define ' + global;
      const onError = (event) => {
        if (event.filename === url) broken = String(event.message).replace(/^Uncaught /, '');
      };
      window.addEventListener('error', onError);
      const script = document.createElement('script');
      script.src = name;
      script.onload = () => {
        window.removeEventListener('error', onError);
        const factory = window[global];
        if (typeof factory === 'function') {
          resolve(factory);
        } else {
          reject(new Error(name + ' is damaged (' + broken + '): ' + rebuild));
        }
      };
      script.onerror = () => {
        window.removeEventListener('error', onError);
        reject(new Error(name + ' could not be loaded: ' + rebuild));
      };
      document.head.appendChild(script);
    });
  }

  // Loads the variant's program: its script, then its WebAssembly, fetched
  // once by the page, so that a missing or broken file is named plainly.
  async function loadModule(variant, options) {
    const factory = await loadScript(variant);
    const name = 'ombrith' + variant + '.wasm';
    let failed;
    const failure = new Promise((resolve, reject) => { failed = reject; });
    const instantiateWasm = (imports, receive) => {
      fetch(name)
        .then((response) => {
          if (!response.ok) {
            throw new Error(name + ' could not be loaded (HTTP ' + response.status + '): ' +
                            rebuild);
          }
          return response.arrayBuffer();
        }, () => {
          throw new Error(name + ' could not be loaded: ' + rebuild);
        })
        .then((bytes) => WebAssembly.instantiate(bytes, imports).catch((error) => {
          throw new Error(name + ' is damaged (' + error.message + '): ' + rebuild);
        }))
        .then((result) => receive(result.instance, result.module), failed);
      return {};
    };
    return Promise.race([factory({...options, instantiateWasm, onAbort: () => {}}), failure]);
  }

  function runLive(module) {
    const active = () => document.visibilityState === 'visible' && document.hasFocus();
    let running = true;
    module.onDemoExit = (code) => {
      running = false;
      hideHint();
      canvas.style.cursor = '';
      root.dataset.exitStatus = String(code);
      if (code === 0) {
        say('The demo has ended (Escape). Reload the page to see it again.');
      } else {
        say('The demo could not take the display: ' +
            (module.displayFailure || 'the canvas was refused') + '.');
      }
    };
    // Keys with Ctrl, Alt or Meta held, and the browser's own function keys
    // and Tab, keep their meaning for the browser (reload, address bar, full
    // screen, zoom, back, ...); the demo sees them all the same.
    const browserKeys = ['F5', 'F6', 'F11', 'F12', 'Tab'];
    const forBrowser = (event) => event.ctrlKey || event.altKey || event.metaKey ||
      browserKeys.includes(event.code);
    window.addEventListener('keydown', (event) => {
      const usage = usageOf(event.code);
      if (!running || usage === 0) return;
      if (!forBrowser(event)) event.preventDefault();
      module._web_key_event(usage, 1, event.repeat ? 1 : 0, modifiersOf(event));
    });
    window.addEventListener('keyup', (event) => {
      const usage = usageOf(event.code);
      if (!running || usage === 0) return;
      if (!forBrowser(event)) event.preventDefault();
      module._web_key_event(usage, 0, 0, modifiersOf(event));
    });
    // On touch screens a two-finger tap or the End control ends the demo as
    // Escape does; a tap brings the hint back.
    const end = () => {
      if (!running) return;
      module._web_key_event(usageOf('Escape'), 1, 0, 0);
      module._web_key_event(usageOf('Escape'), 0, 0, 0);
    };
    endControl.addEventListener('click', end);
    canvas.addEventListener('touchstart', (event) => {
      if (!running) return;
      if (event.touches.length >= 2) {
        event.preventDefault();
        end();
      } else {
        showHint();
      }
    }, {passive: false});
    document.addEventListener('visibilitychange', () => {
      if (running) module._web_activation_event(active() ? 1 : 0);
    });
    window.addEventListener('focus', () => {
      if (running) module._web_activation_event(document.visibilityState === 'visible' ? 1 : 0);
    });
    window.addEventListener('blur', () => {
      if (running) module._web_activation_event(0);
    });
    canvas.addEventListener('mousemove', () => {
      if (running) module._web_pointer_event();
    });
    showHint();
    try {
      module.callMain([]);
    } catch (error) {
      // The program's end unwinds out of main; the status is already set.
      if (!(error && error.name === 'ExitStatus') && error !== 'unwind') throw error;
    }
  }

  // With reduced motion asked for, the page shows the set-up picture the
  // demo starts from, still, until the visitor starts the animation; the
  // demo's clock then goes on from the moment of the picture.
  function holdStill(module) {
    const readingMs = module.clockOffsetMs + performance.now();
    drawPixels(module, module._web_still(readingMs / 1000, 0, 1));
    canvas.setAttribute('aria-label', 'Ombrith by Talvane: the set-up picture of seed ' +
      readingMs / 1000 + ', green and red cells, still until the animation is started');
    startControl.hidden = false;
    startControl.focus();
    startControl.addEventListener('click', () => {
      startControl.hidden = true;
      canvas.setAttribute('aria-label', liveLabel);
      module.clockOffsetMs = readingMs - performance.now();
      runLive(module);
    }, {once: true});
  }

  function drawPixels(module, address) {
    const width = module._web_width();
    const height = module._web_height();
    const context = canvas.getContext('2d', {alpha: false});
    if (!context) throw new Error('the canvas gives no 2D drawing context');
    const bytes = new Uint8ClampedArray(module.HEAPU8.buffer, address, width * height * 4);
    context.putImageData(new ImageData(new Uint8ClampedArray(bytes), width, height), 0, 0);
  }

  function drawStill(module, p) {
    if (!p.picture && !module._web_reading_drawable(p.time)) {
      throw new Error('the clock reading ' + p.time + ' cannot be drawn: readings must be ' +
                      'finite and below 3.4028235677973366e+38 in size');
    }
    const width = module._web_width();
    const height = module._web_height();
    canvas.width = width;
    canvas.height = height;
    fitCanvas();
    drawPixels(module, module._web_still(p.seed, p.time, p.picture ? 1 : 0));
    canvas.setAttribute('aria-label', 'Ombrith by Talvane: ' +
      (p.picture ? 'the set-up picture' : 'the frame at ' + p.time + ' s') +
      ' of seed ' + p.seed + ', green and red cells' +
      (p.picture ? '' : ' under three magnifying lenses'));
    root.dataset.frame = 'ready';
  }

  async function start() {
    let p;
    try {
      p = readParameters();
    } catch (error) {
      say('Cannot show this page: ' + error.message + '.');
      root.dataset.frame = 'error';
      return;
    }
    canvas.width = p.variant === '640' ? 640 : 320;
    canvas.height = p.variant === '640' ? 480 : 240;
    fitCanvas();
    if (window.location.protocol === 'file:') {
      say('This page has to be opened through a web server, not as a file: run `make serve` ' +
          'and open http://127.0.0.1:8000/ (any static server of build/web/site will do).');
      if (p.still) root.dataset.frame = 'error';
      return;
    }
    try {
      const module = await loadModule(p.variant, {
        canvas, noInitialRun: true, onCanvasSized: fitCanvas,
        print: () => {}, printErr: () => {},
        // The demo's clock runs from the page's time origin, reduced to
        // under 4096 s (see the clock of the browser backend).
        clockOffsetMs: (performance.timeOrigin || Date.now() - performance.now()) % 4096000,
      });
      if (p.still) {
        drawStill(module, p);
      } else if (window.matchMedia && window.matchMedia('(prefers-reduced-motion: reduce)').matches) {
        holdStill(module);
      } else {
        runLive(module);
      }
    } catch (error) {
      const reason = error && error.message ? error.message : String(error);
      say((p.still ? 'Cannot show this frame: ' : 'The demo failed: ') + reason + '.');
      if (p.still) root.dataset.frame = 'error';
    }
  }

  start();
})();
